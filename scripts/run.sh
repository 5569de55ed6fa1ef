#!/usr/bin/env bash
# Installs what is missing, builds, and starts the workbench. Arguments are passed to the
# workbench (see README.md). Without a display it renders the window to build/workbench.png.
#
# test.sh sources this file for install_missing_packages and configure.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# dpkg-dev and file let CPack compute the Debian package's dependencies.
PACKAGES=(build-essential cmake qtbase5-dev qtbase5-dev-tools libqt5svg5-dev libqwt-qt5-dev
          fonts-dejavu-core xvfb xauth dpkg-dev file)

say() { printf '==> %s\n' "$*"; }

install_missing_packages() {
    local missing=() pkg
    for pkg in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [[ ${#missing[@]} -eq 0 ]]; then
        say "All required packages are installed."
        return
    fi
    local sudo=()
    if [[ $EUID -ne 0 ]]; then
        if ! command -v sudo >/dev/null; then
            echo "error: missing packages (${missing[*]}) and neither root nor sudo" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    say "Installing missing packages: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
        "${missing[@]}"
}

# configure BUILD_DIR [cmake options...]
configure() {
    local dir="$1"
    shift
    say "Configuring $dir"
    cmake -S "$ROOT" -B "$dir" "$@"
}

job_count() { nproc 2>/dev/null || echo 2; }

main() {
    local build="$ROOT/build"
    install_missing_packages
    configure "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    say "Building the workbench and the plugin with $(job_count) jobs"
    cmake --build "$build" --target workbench -j "$(job_count)"

    local args=("$@")
    if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
        local shot="$build/workbench.png" arg
        for arg in "${args[@]}"; do
            [[ $arg == --screenshot || $arg == --screenshot=* ]] && shot=""
        done
        say "No display: rendering the workbench offscreen"
        if [[ -n $shot ]]; then
            "$build/bin/workbench" -platform offscreen --screenshot "$shot" "${args[@]}"
            say "Screenshot written to $shot"
        else
            "$build/bin/workbench" -platform offscreen "${args[@]}"
        fi
        return
    fi
    say "Starting $build/bin/workbench ${args[*]}"
    exec "$build/bin/workbench" "${args[@]}"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    main "$@"
fi
