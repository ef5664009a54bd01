#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kindora::UserProcesses {

// The file names of the programs the current user runs ("firefox-esr", "zoom", ...), from the
// executables of /proc/<pid>/exe for every process the user owns. Processes that end while being read
// and those the user may not inspect are left out.
std::vector<std::string> programNames(const std::filesystem::path& procRoot = "/proc");

}  // namespace kindora::UserProcesses
