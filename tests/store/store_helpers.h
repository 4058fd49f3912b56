// Helpers of the store tests: file bytes, the shape of a collection, records
// built field by field, and file calls that fail on demand.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "store/collection.h"
#include "store/files.h"
#include "store/folder.h"
#include "store/format.h"

namespace store_test {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The names in a folder, sorted, but for the lock file: every command that
// locks makes it, and it stays (the lock test looks at it).
inline std::vector<std::string> FolderEntries(const std::string& folder = ".") {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename() != "Quorvel.lock") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

inline unsigned Mode(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return 0xFFFFFFFFu;
    return st.st_mode & 07777;
}

// "3:name{5:pname[9,8]}" for every department in list order, patients in
// braces, visit record numbers in brackets.
inline std::string Shape(const DEPART_NODE* head) {
    std::string s;
    for (const DEPART_NODE* d = head; d; d = d->next) {
        if (!s.empty()) s += ' ';
        s += std::to_string(d->number) + ':' + d->name + '{';
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            if (p != d->anext) s += ',';
            s += std::to_string(p->number1) + ':' + p->name + '[';
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) {
                if (r != p->lnext) s += ',';
                s += std::to_string(r->number2);
            }
            s += ']';
        }
        s += '}';
    }
    return s;
}

// Every field of every entry, in list order, with the tree's shape: two
// collections with the same Tree are the same entry for entry.
inline std::string Tree(const DEPART_NODE* head) {
    std::string s;
    unsigned char rec[store::kRecordSize];
    auto put = [&](std::size_t n, char level) {
        s += level;
        s.append(reinterpret_cast<const char*>(rec), n);
    };
    for (const DEPART_NODE* d = head; d; d = d->next) {
        store::EncodeDepart(*d, rec);
        put(store::kDepartSize, 'D');
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            store::EncodePatient(*p, rec);
            put(store::kPatientSize, 'P');
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) {
                store::EncodeRecord(*r, rec);
                put(store::kRecordSize, 'R');
            }
        }
    }
    return s;
}

template <std::size_t N>
void SetText(char (&field)[N], const char* text) {
    std::strncpy(field, text, N - 1);
    field[N - 1] = '\0';
}

// Records as another writer of the format would produce them.
inline std::string DepartBytes(int number, const char* name) {
    DEPART_NODE d{};
    d.number = number;
    SetText(d.name, name);
    unsigned char out[store::kDepartSize];
    store::EncodeDepart(d, out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

inline std::string PatientBytes(int dept, int number1, const char* name) {
    PATIENT_NODE p{};
    p.number = dept;
    p.number1 = number1;
    SetText(p.name, name);
    unsigned char out[store::kPatientSize];
    store::EncodePatient(p, out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

inline std::string RecordBytes(int number1, int number2) {
    RECORD_NODE r{};
    r.number1 = number1;
    r.number2 = number2;
    unsigned char out[store::kRecordSize];
    store::EncodeRecord(r, out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

inline std::string U32(std::uint32_t v) {
    unsigned char b[4];
    store::PutU32(b, v);
    return std::string(reinterpret_cast<char*>(b), 4);
}

// A temporary's name without its unique part ("depart.dat.tmp" for
// "depart.dat.4711-3.tmp"), so that a test can say which file a call is for.
inline std::string Stable(const std::string& path) {
    std::string target = store::TempTarget(path);
    return target.empty() ? path : target + ".tmp";
}

// Puts the store's file calls back as they were when it goes out of scope.
class FileOpsGuard {
public:
    FileOpsGuard() : saved_(store::file_ops) {}
    ~FileOpsGuard() { store::file_ops = saved_; }

private:
    store::FileOps saved_;
};

}  // namespace store_test
