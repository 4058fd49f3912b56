// quorvel --check: what each data file and the backup hold, and every kind
// of problem found in them, without changing anything.
#include <cstring>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cli/access.h"
#include "cli/cli.h"
#include "console/gbk.h"
#include "store/collection.h"
#include "store/files.h"
#include "store/folder.h"
#include "store/format.h"
#include "store/record_io.h"
#include "store/recovery.h"

namespace cli {

namespace {

using std::to_string;

// How many instances of each kind of problem the report names.
constexpr std::uint64_t kShown = 3;

// The kinds of problem, in the order of the report.
enum Kind {
    kCutShort,
    kNoDepartment,
    kNoPatient,
    kSharedDepartNumber,
    kSharedPatientNumber,
    kNoNul,
    kNotGbk,
    kBackupShort,
    kUnfinishedSave,
    kRecoveryFile,
    kMissingFile,
    kKinds
};

constexpr const char* kKindText[kKinds] = {
    "records cut short at a file's end",
    "patients whose department is missing",
    "visit records whose patient is missing",
    "department numbers held by more than one department",
    "patient numbers held by more than one patient",
    "text fields without their terminating NUL",
    "text fields holding bytes that are not GBK",
    "backup whose header counts exceed its length",
    "unfinished save",
    "recovery file present",
    "data files missing while another one exists",
};

class Findings {
public:
    // Counts one instance; names it (describe()) while few are named.
    template <typename Describe>
    void Add(Kind k, Describe describe) {
        if (++found_[k].count <= kShown) found_[k].first.push_back(describe());
    }

    bool Any() const {
        for (const Found& f : found_)
            if (f.count) return true;
        return false;
    }

    // "problem: <kind>: <count>: <instance>; <instance>; <instance>; ..."
    void Print(std::string* out) const {
        for (int k = 0; k < kKinds; ++k) {
            const Found& f = found_[k];
            if (!f.count) continue;
            *out += std::string("problem: ") + kKindText[k] + ": " + to_string(f.count) + ": ";
            for (std::size_t i = 0; i < f.first.size(); ++i) *out += (i ? "; " : "") + f.first[i];
            if (f.count > f.first.size()) *out += "; ...";
            *out += '\n';
        }
    }

private:
    struct Found {
        std::uint64_t count = 0;
        std::vector<std::string> first;
    };
    Found found_[kKinds];
};

struct Level {
    std::size_t size;
    std::span<const store::TextField> texts;
    const char* one;
    const char* many;
};
constexpr Level kLevels[3] = {
    {store::kDepartSize, store::kDepartTexts, "department", "departments"},
    {store::kPatientSize, store::kPatientTexts, "patient", "patients"},
    {store::kRecordSize, store::kRecordTexts, "visit record", "visit records"},
};

std::string Count(std::uint64_t n, int level) {
    return to_string(n) + ' ' + (n == 1 ? kLevels[level].one : kLevels[level].many);
}

// The files a set of records was read from: the three data files, or the backup.
struct Source {
    bool backup;

    const char* File(int level) const {
        return backup ? backup_sys_date_filename : store::DataFile(level);
    }
    // "patient.dat #13", "BackupSysData.dat patient #13": the record's place.
    std::string Where(int level, std::size_t index) const {
        std::string at = File(level);
        if (backup) at += std::string(" ") + kLevels[level].one;
        return at + " #" + to_string(index + 1);
    }
};

// The numbers of a set of records, in file order.
struct Numbers {
    std::vector<int> departs;
    std::vector<std::pair<int, int>> patients;  // department, patient
    std::vector<std::pair<int, int>> records;   // patient, visit record
};

// GBK as the program writes it: ASCII bytes and double-byte characters.
bool IsGbk(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80) continue;
        if (!gbk::is_lead(p[i]) || i + 1 >= n || !gbk::is_trail(p[i + 1])) return false;
        ++i;
    }
    return true;
}

// Takes one record's numbers and looks at its text fields' bytes, which the
// decoders would have mended.
void Scan(int level, const unsigned char* rec, const std::string& where, Numbers* numbers,
          Findings* found) {
    std::string who;
    if (level == 0) {
        DEPART_NODE d;
        store::DecodeDepart(rec, &d);
        numbers->departs.push_back(d.number);
        who = "department " + to_string(d.number);
    } else if (level == 1) {
        PATIENT_NODE p;
        store::DecodePatient(rec, &p);
        numbers->patients.emplace_back(p.number, p.number1);
        who = "patient " + to_string(p.number1);
    } else {
        RECORD_NODE r;
        store::DecodeRecord(rec, &r);
        numbers->records.emplace_back(r.number1, r.number2);
        who = "visit record " + to_string(r.number2);
    }
    for (const store::TextField& f : kLevels[level].texts) {
        const unsigned char* text = rec + f.offset;
        const void* nul = std::memchr(text, 0, f.width);
        const std::size_t len =
            nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - text) : f.width;
        auto describe = [&] { return where + " (" + who + "): " + f.name; };
        if (!nul) found->Add(kNoNul, describe);
        if (!IsGbk(text, len)) found->Add(kNotGbk, describe);
    }
}

// Reads up to `limit` whole records of one level; returns how many.
std::uint64_t ReadLevel(store::RecordReader& in, int level, std::uint64_t limit, const Source& src,
                        Numbers* numbers, Findings* found) {
    std::uint64_t n = 0;
    while (n < limit) {
        const unsigned char* rec = in.Next(kLevels[level].size);
        if (!rec) break;
        Scan(level, rec, src.Where(level, n), numbers, found);
        ++n;
    }
    return n;
}

// Children whose parent is not there (a child goes to any parent with its
// number, as a load attaches it; the visit records of a patient that is
// itself left out have no patient), and numbers the files cannot keep apart.
void Analyse(const Numbers& n, const Source& src, Findings* found) {
    std::unordered_map<int, std::uint64_t> departs;
    for (int d : n.departs) ++departs[d];

    std::unordered_map<int, std::uint64_t> patients;
    std::unordered_set<int> attached;
    for (std::size_t i = 0; i < n.patients.size(); ++i) {
        const int dept = n.patients[i].first, number = n.patients[i].second;
        ++patients[number];
        if (departs.count(dept)) {
            attached.insert(number);
            continue;
        }
        found->Add(kNoDepartment, [&] {
            return src.Where(1, i) + ": patient " + to_string(number) + " of department " +
                   to_string(dept);
        });
    }
    for (std::size_t i = 0; i < n.records.size(); ++i) {
        const int patient = n.records[i].first, number = n.records[i].second;
        if (attached.count(patient)) continue;
        found->Add(kNoPatient, [&] {
            return src.Where(2, i) + ": visit record " + to_string(number) + " of patient " +
                   to_string(patient);
        });
    }

    // Each shared number once, where it first appears.
    auto shared = [&](Kind kind, int level, int number, std::unordered_map<int, std::uint64_t>& held) {
        std::uint64_t& times = held[number];
        if (times < 2) return;
        found->Add(kind, [&] {
            return std::string(src.File(level)) + ": " + kLevels[level].one + " number " +
                   to_string(number) + " (" + Count(times, level) + ")";
        });
        times = 0;
    };
    for (int d : n.departs) shared(kSharedDepartNumber, 0, d, departs);
    for (const auto& p : n.patients) shared(kSharedPatientNumber, 1, p.second, patients);
}

class Checker {
public:
    Checker(const std::string& folder, std::string* err) : folder_(folder), err_(err) {}

    void DataFiles() {
        Numbers numbers;
        bool present[3];
        for (int level = 0; level < 3; ++level) present[level] = DataFile(level, &numbers);
        Analyse(numbers, Source{false}, &found_);
        if (present[0] || present[1] || present[2])
            for (int level = 0; level < 3; ++level)
                if (!present[level]) found_.Add(kMissingFile, [&] { return store::DataFile(level); });
    }

    // Goes by the counts of its header, as a restore does, and ignores any
    // bytes after the blocks they describe.
    void Backup() {
        const char* name = backup_sys_date_filename;
        store::FileId id;
        const int fd = Open(name, &id);
        if (fd < 0) return;
        std::string line = std::string(name) + ": ";
        bool read = true;
        {
            store::RecordReader in(fd);
            const unsigned char* header = in.Next(store::kBackupHeaderSize);
            std::uint64_t counts[3] = {0, 0, 0};
            if (header)
                for (int i = 0; i < 3; ++i) counts[i] = store::GetU32(header + 4 * i);
            const std::uint64_t needed = store::kBackupHeaderSize + counts[0] * store::kDepartSize +
                                         counts[1] * store::kPatientSize +
                                         counts[2] * store::kRecordSize;
            if (!header && in.Failed()) {
                read = false;
            } else if (!header) {
                line += "no header";
                found_.Add(kBackupShort, [&] {
                    return std::string(name) + ": " + to_string(id.size) +
                           " bytes, shorter than its header";
                });
            } else {
                line += Count(counts[0], 0) + ", " + Count(counts[1], 1) + ", " + Count(counts[2], 2);
                if (needed > id.size) {
                    found_.Add(kBackupShort, [&] {
                        return std::string(name) + ": its counts need " + to_string(needed) +
                               " bytes, it holds " + to_string(id.size);
                    });
                } else {
                    Numbers numbers;
                    for (int level = 0; level < 3 && read; ++level)
                        read = ReadLevel(in, level, counts[level], Source{true}, &numbers, &found_) ==
                               counts[level];
                    if (read) Analyse(numbers, Source{true}, &found_);
                }
            }
        }
        store::file_ops.close(fd);
        if (read)
            counts_ += line + '\n';
        else
            CannotRead(name, "a read failed");
    }

    // Files the store leaves in the data folder when something is unfinished.
    void Beside(const std::string& data_folder) {
        const std::string commit = store::JoinPath(data_folder, store::kCommitRecordName);
        if (store::Look(commit.c_str(), nullptr) != store::Entry::kMissing)
            found_.Add(kUnfinishedSave, [&] { return commit; });
        // Unsaved work, and one that could not be read back and was set aside.
        for (const char* name : {store::kRecoveryFileName, store::kDamagedRecoveryFileName}) {
            const std::string recover = store::JoinPath(data_folder, name);
            if (store::Look(recover.c_str(), nullptr) != store::Entry::kMissing)
                found_.Add(kRecoveryFile, [&] { return recover; });
        }
    }

    const std::string& counts() const { return counts_; }
    const Findings& found() const { return found_; }
    bool unreadable() const { return unreadable_; }

private:
    // Reads data file `level`; false when it is not there.
    bool DataFile(int level, Numbers* numbers) {
        const char* name = store::DataFile(level);
        store::FileId id;
        const int fd = Open(name, &id);
        if (fd < 0) return !absent_;
        std::uint64_t n;
        bool failed, cut_short;
        {
            store::RecordReader in(fd);
            n = ReadLevel(in, level, store::kNoLimit, Source{false}, numbers, &found_);
            failed = in.Failed();
            cut_short = !failed && in.Incomplete();
        }
        store::file_ops.close(fd);
        if (failed) {
            CannotRead(name, "a read failed");
            return true;
        }
        counts_ += std::string(name) + ": " + Count(n, level) + '\n';
        if (cut_short)
            found_.Add(kCutShort, [&] {
                return std::string(name) + ": " + to_string(id.size % kLevels[level].size) +
                       " bytes after " + Count(n, level);
            });
        return true;
    }

    // Opens a file of the folder: -1 when it is absent or cannot be read.
    int Open(const char* name, store::FileId* id) {
        const std::string path = store::JoinPath(folder_, name);
        const store::Entry e = store::Look(path.c_str(), id);
        absent_ = e == store::Entry::kMissing;
        if (absent_) {
            counts_ += std::string(name) + ": absent\n";
            return -1;
        }
        const int fd = e == store::Entry::kRegular ? store::file_ops.open_read(path.c_str()) : -1;
        if (fd >= 0 && store::IdOf(fd, id)) return fd;
        if (fd >= 0) store::file_ops.close(fd);
        CannotRead(name, e == store::Entry::kRegular ? "it cannot be opened" : "it is not a file");
        return -1;
    }

    void CannotRead(const char* name, const char* why) {
        counts_ += std::string(name) + ": could not be read\n";
        *err_ += "quorvel: cannot read " + store::JoinPath(folder_, name) + ": " + why + '\n';
        unreadable_ = true;
    }

    std::string folder_;
    std::string* err_;
    std::string counts_;
    Findings found_;
    bool absent_ = false;
    bool unreadable_ = false;
};

}  // namespace

int Check(const std::string& folder, std::string* out, std::string* err, int wait_ms) {
    const std::string data_folder = DataFolder(folder);
    store::FolderLock lock(data_folder);
    if (TakeForReading(data_folder, lock, wait_ms, err) == Access::kBusy) return kCannotRead;
    Checker checker(folder, err);
    checker.DataFiles();
    checker.Backup();
    checker.Beside(data_folder);
    lock.Release();

    *out += checker.counts();
    checker.found().Print(out);
    if (checker.unreadable()) return kCannotRead;
    if (checker.found().Any()) return kProblems;
    *out += "no problems found\n";
    return kAllWell;
}

}  // namespace cli
