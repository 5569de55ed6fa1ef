#pragma once

// Firmware names as modules report them (AxilModuleInterface::getModuleNameInFirmware).
// Both families' firmware implements "clear on null": the next reference switch event zeros
// the position counters.
namespace FirmwareNames {
constexpr char Quorlen[] = "QUORLEN-1180";
constexpr char Vestrin[] = "VESTRIN-1190";
} // namespace FirmwareNames
