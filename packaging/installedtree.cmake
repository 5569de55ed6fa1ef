# Installs the build into a fresh folder, as the Debian package lays it out, and checks that the
# tree stands on its own there: the workbench starts and loads its plugin from any place the tree
# is put, the product's libraries stay in its own folder, and the plugin shows a host nothing but
# its entry points.
#
# cmake -DBUILD_DIR=... -DCONFIG=... -DPREFIX=... -DPRIVATE_LIB_DIR=... -DPLUGIN_DIR=...
#       -DNM=... -DOBJDUMP=... -P installedtree.cmake

set(problems "")
macro(problem text)
    string(APPEND problems "  ${text}\n")
endmacro()

# The dynamic section lines of an ELF file whose tag is tag (NEEDED, RUNPATH, RPATH).
function(dynamic_entries file tag out)
    execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${OBJDUMP} -p ${file} failed")
    endif()
    string(REGEX MATCHALL "\n  ${tag} +[^\n]+" lines "${dump}")
    set(values "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^\n  ${tag} +" "" value "${line}")
        string(REPLACE ":" ";" value "${value}")
        list(APPEND values ${value})
    endforeach()
    set(${out} "${values}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --config ${CONFIG}
    OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()

set(plugin ${PREFIX}/${PLUGIN_DIR}/libtools_generic_stepper_position_mode.so)
if(NOT EXISTS ${plugin})
    message(FATAL_ERROR "The plugin is not installed as ${plugin}")
endif()
file(GLOB private_libs ${PREFIX}/${PRIVATE_LIB_DIR}/lib*.so*)
file(GLOB_RECURSE all_files LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
foreach(name IN ITEMS libhost libsimulator)
    if(NOT private_libs MATCHES "/${name}\\.so\\.")
        problem("${name} is not in ${PRIVATE_LIB_DIR}")
    endif()
endforeach()
foreach(file IN LISTS all_files)
    if(file MATCHES "\\.so" AND NOT file MATCHES "^${PRIVATE_LIB_DIR}/")
        problem("${file} lies outside the product's library folder ${PRIVATE_LIB_DIR}")
    endif()
endforeach()

# Run paths relative to the file itself, so that the tree runs wherever it is unpacked.
foreach(file IN LISTS private_libs plugin ITEMS ${PREFIX}/bin/workbench)
    dynamic_entries(${file} "R(UN)?PATH" paths)
    foreach(path IN LISTS paths)
        if(NOT path MATCHES "^\\$ORIGIN")
            problem("${file} looks for libraries in ${path}")
        endif()
    endforeach()
endforeach()

# The plugin and the host library know the host framework only, never the simulator.
foreach(file IN LISTS plugin private_libs)
    dynamic_entries(${file} NEEDED needed)
    if(needed MATCHES "libsimulator" AND NOT file MATCHES "/libsimulator[^/]*$")
        problem("${file} needs the simulator library")
    endif()
endforeach()

# A host finds the tools through the plugin's two entry points and the host library's
# interfaces; the plugin exports nothing else. The linker's own markers do not count.
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${plugin}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NM} -D ${plugin} failed")
endif()
string(REGEX MATCHALL "(^|\n)[^ \n]+" names "${symbols}")
list(TRANSFORM names STRIP)
list(REMOVE_ITEM names __bss_start _edata _end)
list(SORT names)
if(NOT names STREQUAL "qt_plugin_instance;qt_plugin_query_metadata")
    list(LENGTH names count)
    list(SUBLIST names 0 8 shown)
    problem("the plugin exports ${count} symbols, among them ${shown}")
endif()

# The installed workbench, with no library path from outside, loads the installed plugin.
set(shot ${PREFIX}/workbench.png)
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=QT_PLUGIN_PATH
        ${PREFIX}/bin/workbench -platform offscreen --screenshot ${shot}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS ${shot})
    problem("the installed workbench failed (${rc}): ${out}${err}")
endif()

if(problems)
    message(FATAL_ERROR "The installed tree at ${PREFIX}:\n${problems}")
endif()
message(STATUS "The installed tree at ${PREFIX} runs on its own")
