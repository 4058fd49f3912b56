// Helpers of the command-line modes' tests: a data folder written record by
// record, and the sample collection copied into one.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "store/store_helpers.h"

namespace cli_test {

using namespace store_test;

// File name -> bytes, written into `folder` (made when missing).
inline void WriteFolder(const std::string& folder, const std::map<std::string, std::string>& files) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : files) WriteFile(folder + "/" + name, bytes);
}

inline void CopySamples(const std::string& folder) {
    std::filesystem::create_directories(folder);
    for (const char* f : {"depart.dat", "patient.dat", "record.dat"})
        WriteFile(folder + "/" + f, ReadFile(std::string(QUORVEL_SAMPLES_DIR) + "/" + f));
}

}  // namespace cli_test
