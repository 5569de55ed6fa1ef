#pragma once

// Firmware names as modules report them (AxilModuleInterface::getModuleNameInFirmware).
// Both firmwares implement "clear on null": on request the module zeros the position counters
// as soon as the motor stands still.
namespace FirmwareNames {
constexpr char Quorlen[] = "QUORLEN-1180";
constexpr char Vestrin[] = "VESTRIN-1190";
} // namespace FirmwareNames
