// How the store's fuzz target cuts one input into the four files:
//
//   byte 0           which files exist: bit 0 "depart.dat", bit 1 "patient.dat",
//                    bit 2 "record.dat", bit 3 "BackupSysData.dat"
//   3 x (u32 LE n)   the length of each data file, then its n bytes (cut
//                    short when the input ends first)
//   the rest         the backup file
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace store_fuzz {

struct Files {
    bool present[4] = {false, false, false, false};
    std::string bytes[4];
};

inline Files Split(const std::uint8_t* data, std::size_t size) {
    Files f;
    std::size_t pos = 0;
    if (pos < size) {
        for (int i = 0; i < 4; ++i) f.present[i] = (data[pos] >> i) & 1;
        ++pos;
    }
    for (int i = 0; i < 3; ++i) {
        std::uint64_t n = 0;
        for (int b = 0; b < 4 && pos < size; ++b, ++pos)
            n |= static_cast<std::uint64_t>(data[pos]) << (8 * b);
        if (n > size - pos) n = size - pos;
        f.bytes[i].assign(reinterpret_cast<const char*>(data + pos), static_cast<std::size_t>(n));
        pos += static_cast<std::size_t>(n);
    }
    f.bytes[3].assign(reinterpret_cast<const char*>(data + pos), size - pos);
    return f;
}

inline std::string Pack(const Files& f) {
    std::string out;
    char mask = 0;
    for (int i = 0; i < 4; ++i)
        if (f.present[i]) mask = static_cast<char>(mask | (1 << i));
    out += mask;
    for (int i = 0; i < 3; ++i) {
        std::uint32_t n = static_cast<std::uint32_t>(f.bytes[i].size());
        for (int b = 0; b < 4; ++b) out += static_cast<char>((n >> (8 * b)) & 0xFF);
        out += f.bytes[i];
    }
    out += f.bytes[3];
    return out;
}

}  // namespace store_fuzz
