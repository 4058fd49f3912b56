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

inline std::string VisitBytes(int patient, int number, float fee, const char* details) {
    RECORD_NODE r{};
    r.number1 = patient;
    r.number2 = number;
    r.lmoney = fee;
    SetText(r.tell, details);
    unsigned char out[store::kRecordSize];
    store::EncodeRecord(r, out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

}  // namespace cli_test
