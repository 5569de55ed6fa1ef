#pragma once

// Keys of the info entries that a plugin records with PluginInterface::addInfo.
namespace PluginDevInfo {
constexpr char UpToDate[] = "UpToDate";
constexpr char Author[] = "Author";
} // namespace PluginDevInfo
