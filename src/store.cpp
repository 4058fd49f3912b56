// The record store: lookups by number and the data files.
#include "hospital.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store_format.h"

DEPART_NODE* hp = nullptr;

const char* gp_member_info_filename = "depart.dat";
const char* gp_asset_info_filename = "patient.dat";
const char* gp_lend_info_filename = "record.dat";
const char* backup_sys_date_filename = "BackupSysData.dat";

/* ---- Lookups ---- */

DEPART_NODE* findM(int num, DEPART_NODE* head) {
    for (DEPART_NODE* d = head; d; d = d->next)
        if (d->number == num) return d;
    con_printf("此科室不存在！\n");
    return nullptr;
}

PATIENT_NODE* findA(int num, DEPART_NODE* head) {
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            if (p->number1 == num) return p;
    return nullptr;
}

RECORD_NODE* findL(int num, DEPART_NODE* head) {
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            for (RECORD_NODE* r = p->lnext; r; r = r->next)
                if (r->number2 == num) return r;
    return nullptr;
}

void FreeCollection(DEPART_NODE* head) {
    while (head) {
        DEPART_NODE* next_dept = head->next;
        for (PATIENT_NODE* p = head->anext; p;) {
            PATIENT_NODE* next_patient = p->next;
            for (RECORD_NODE* r = p->lnext; r;) {
                RECORD_NODE* next_record = r->next;
                std::free(r);
                r = next_record;
            }
            std::free(p);
            p = next_patient;
        }
        std::free(head);
        head = next_dept;
    }
}

/* ---- The folder: temporary files, the commit record, what this copy has seen ---- */

namespace {

using store::Entry;
using store::file_ops;
using store::FileId;

constexpr int kLockWaitMs = 5000;

const char* DataFile(int i) {
    const char* names[3] = {gp_member_info_filename, gp_asset_info_filename, gp_lend_info_filename};
    return names[i];
}

// The folder of the data files: the working folder, unless their names
// point elsewhere. Temporaries, the commit record and the lock live there.
std::string Folder() {
    std::string path = gp_member_info_filename;
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string InFolder(const std::string& name) {
    std::string folder = Folder();
    if (folder == ".") return name;
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// A name of this copy's own, "<target>.<pid>-<n>.tmp": another copy running
// has another process id, and what an earlier run with the same one left is
// removed (RemoveLeftovers) before any temporary is made.
std::string TempName(const std::string& target) {
    static unsigned seq = 0;
    return target + '.' + std::to_string(store::ProcessId()) + '-' + std::to_string(++seq) + ".tmp";
}

// For each data file, the version this copy last loaded completely or wrote.
struct Seen {
    bool known = false;    // false: nothing loaded, or not all of it
    bool present = false;  // known to have been absent when false
    FileId id;
};
Seen g_seen[3];

Seen SeenOnDisk(const char* path) {
    Seen s;
    FileId id;
    Entry e = store::Look(path, &id);
    if (e == Entry::kOther) return s;
    s.known = true;
    s.present = e == Entry::kRegular;
    s.id = id;
    return s;
}

// True when every data file on disk is the version this copy has seen; a
// file that is not there never counts as changed.
bool DataFilesAsSeen() {
    for (int i = 0; i < 3; ++i) {
        FileId id;
        if (store::Look(DataFile(i), &id) == Entry::kMissing) continue;
        if (!g_seen[i].known || !g_seen[i].present || !(g_seen[i].id == id)) return false;
    }
    return true;
}

bool AnyDataFileUnusable() {
    for (int i = 0; i < 3; ++i)
        if (store::Look(DataFile(i), nullptr) == Entry::kOther) return true;
    return false;
}

/* The commit record names the renames that replace the data files, one
 * "source target" line each ("-" as the source removes the target), between
 * a first line and an "end" line. It is itself put in place by a rename, so
 * it is either there whole or not at all; whoever finds it under the lock
 * carries it out before doing anything else. */

constexpr const char* kCommitRecordName = "Quorvel.commit";
constexpr const char* kCommitHeader = "Quorvel commit";

std::string CommitRecord() { return InFolder(kCommitRecordName); }

// Names within the folder of the data files.
struct Step {
    std::string source;  // "-": remove the target
    std::string target;
};
using Plan = std::vector<Step>;

bool IsDataFile(const std::string& name) {
    for (int i = 0; i < 3; ++i)
        if (name == BaseName(DataFile(i))) return true;
    return false;
}

bool ParsePlan(const std::string& text, Plan* plan) {
    std::vector<std::string> lines;
    std::string::size_type at = 0;
    while (at < text.size()) {
        std::string::size_type nl = text.find('\n', at);
        if (nl == std::string::npos) return false;  // every line ends in "\n"
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    if (lines.size() < 2 || lines.front() != kCommitHeader || lines.back() != "end") return false;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string::size_type space = lines[i].find(' ');
        if (space == std::string::npos) return false;
        Step step{lines[i].substr(0, space), lines[i].substr(space + 1)};
        // Only the renames a save makes: one of its temporaries onto its data file.
        if (!IsDataFile(step.target)) return false;
        if (step.source != "-" && store::TempTarget(step.source) != step.target) return false;
        plan->push_back(step);
    }
    return true;
}

// Each step can be carried out again: a source already renamed is skipped.
bool CarryOut(const Plan& plan) {
    for (const Step& step : plan) {
        std::string target = InFolder(step.target);
        if (step.source == "-") {
            if (!store::Remove(target.c_str())) return false;
            continue;
        }
        std::string source = InFolder(step.source);
        if (store::Look(source.c_str(), nullptr) == Entry::kRegular &&
            file_ops.replace(source.c_str(), target.c_str()) != 0)
            return false;
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        std::ptrdiff_t n = file_ops.write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Puts a record naming the plan in place, on the disk, in one step.
bool WritePlan(const Plan& plan) {
    std::string text = std::string(kCommitHeader) + "\n";
    for (const Step& step : plan) text += step.source + ' ' + step.target + '\n';
    text += "end\n";
    std::string temp = TempName(CommitRecord());
    int fd = file_ops.create(temp.c_str());
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text.data(), text.size()) && file_ops.flush(fd) == 0;
    if (file_ops.close(fd) != 0) ok = false;
    if (ok && file_ops.replace(temp.c_str(), CommitRecord().c_str()) == 0) {
        store::SyncFolder(Folder());
        return true;
    }
    store::Remove(temp.c_str());
    return false;
}

void DropRecord() {
    store::SyncFolder(Folder());  // the renames first, then the record's removal
    store::Remove(CommitRecord().c_str());
    store::SyncFolder(Folder());
}

// Completes a replacement that an earlier save left unfinished (killed, or
// the machine stopped). Under the exclusive lock. False when it cannot be
// completed: the data files may then be a mixture and must not be read.
bool FinishEarlierSave() {
    const std::string record = CommitRecord();
    if (store::Look(record.c_str(), nullptr) == Entry::kMissing) return true;
    int fd = file_ops.open_read(record.c_str());
    if (fd < 0) return false;
    std::string text;
    char buf[4096];
    std::ptrdiff_t n;
    while (text.size() < 65536 && (n = file_ops.read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    file_ops.close(fd);
    Plan plan;
    if (!ParsePlan(text, &plan)) {
        // Not a record a save wrote: it names nothing to carry out.
        store::Remove(record.c_str());
        return true;
    }
    store::HoldSignals();
    bool ok = CarryOut(plan);
    if (ok) DropRecord();
    store::ReleaseSignals();
    return ok;
}

// Temporaries of saves and backups that never finished. Under the exclusive
// lock, after FinishEarlierSave: no other copy is writing, and no record
// names them any more.
void RemoveLeftovers() {
    const std::string ours[5] = {BaseName(DataFile(0)), BaseName(DataFile(1)),
                                 BaseName(DataFile(2)), BaseName(backup_sys_date_filename),
                                 kCommitRecordName};
    for (const std::string& name : store::FolderNames(Folder())) {
        std::string target = store::TempTarget(name);
        if (target.empty()) continue;
        for (const std::string& o : ours)
            if (target == o) store::Remove(InFolder(name).c_str());
    }
}

// Holds the folder's lock for one command; never while the user is asked
// something or reads a message.
class FolderLock {
public:
    ~FolderLock() { Release(); }
    bool Take(store::Lock kind) {
        held_ = store::LockFolder(Folder(), kind, kLockWaitMs);
        return held_;
    }
    void Release() {
        if (held_) store::UnlockFolder();
        held_ = false;
    }

private:
    bool held_ = false;
};

// How a command that writes ends, when it does not end well.
enum class Outcome { kDone, kBusy, kUnfinished, kUnusable, kFailed, kCancelled };

const char* const kBusy = "数据文件正被另一个程序使用，请稍后再试！按任意键返回";
const char* const kUnfinished = "数据文件的上一次保存未完成，且无法补完！按任意键返回";
const char* const kOpenFailed = "打开文件失败！按任意键返回";
const char* const kSaveFailed = "数据保存失败！原数据文件未改动。按任意键返回";

void Tell(const char* message) {
    con_printf("%s", message);
    con_getch();
}

// Everything a writing command does first, under the exclusive lock.
Outcome Prepare(FolderLock& lock) {
    if (!lock.Take(store::Lock::kExclusive)) return Outcome::kBusy;
    if (!FinishEarlierSave()) return Outcome::kUnfinished;
    RemoveLeftovers();
    return Outcome::kDone;
}

}  // namespace

void ForgetDataFiles() {
    for (Seen& s : g_seen) s = Seen{};
}

/* ---- Reading and writing files ---- */

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::size_t kLargestRecord = store::kRecordSize;

// Hands out whole records of a file; a read error or a partial record at the
// end is the end, and says so.
class RecordReader {
public:
    // Small files get a small buffer, and no buffer is filled with zeros first.
    explicit RecordReader(int fd) : fd_(fd) {
        std::size_t size = kBufferSize;
        FileId id;
        if (store::IdOf(fd, &id) && id.size < kBufferSize)
            size = std::max<std::size_t>(static_cast<std::size_t>(id.size), kLargestRecord);
        buf_.reset(new unsigned char[size]);
        cap_ = size;
    }

    const unsigned char* Next(std::size_t size) {
        if (end_ - pos_ < size && !Fill(size)) return nullptr;
        const unsigned char* rec = buf_.get() + pos_;
        pos_ += size;
        return rec;
    }

    // After Next gave nothing: whether the file ended inside a record, or
    // could not be read to its end.
    bool Incomplete() const { return failed_ || end_ > pos_; }

private:
    bool Fill(std::size_t size) {
        std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (!done_ && end_ < size) {
            std::ptrdiff_t n = file_ops.read(fd_, buf_.get() + end_, cap_ - end_);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                failed_ = n < 0;
                done_ = true;
                break;
            }
            end_ += static_cast<std::size_t>(n);
        }
        return end_ >= size;
    }

    int fd_;
    std::unique_ptr<unsigned char[]> buf_;
    std::size_t cap_ = 0;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool done_ = false;
    bool failed_ = false;
};

// Writes one file beside the real one; the commit puts it in its place.
class TempWriter {
public:
    explicit TempWriter(const char* target) : target_(target), temp_(TempName(target)) {}
    ~TempWriter() { Discard(); }
    TempWriter(const TempWriter&) = delete;
    TempWriter& operator=(const TempWriter&) = delete;

    // New files are for their owner only (they hold patients' records); a file
    // that is being replaced keeps its permissions.
    bool Open() {
        fd_ = file_ops.create(temp_.c_str());
        if (fd_ < 0) return false;
        created_ = true;
        store::KeepMode(fd_, target_.c_str());
        return true;
    }

    void Put(const unsigned char* bytes, std::size_t n) {
        if (!ok_) return;
        if (buf_.size() + n > kBufferSize && !Drain()) return;
        buf_.insert(buf_.end(), bytes, bytes + n);
    }

    // Everything written and on the disk, the descriptor closed.
    bool Finish() {
        if (ok_) Drain();
        if (ok_ && file_ops.flush(fd_) != 0) ok_ = false;
        int fd = fd_;
        fd_ = -1;
        if (file_ops.close(fd) != 0) ok_ = false;
        return ok_;
    }

    // The file is no longer ours to remove: renamed into place, or named by a
    // commit record that the next save will carry out.
    void Keep() { created_ = false; }

    void Discard() {
        if (fd_ >= 0) file_ops.close(fd_);
        fd_ = -1;
        if (created_) store::Remove(temp_.c_str());
        created_ = false;
    }

    const std::string& target() const { return target_; }
    const std::string& temp() const { return temp_; }

private:
    bool Drain() {
        if (!WriteAll(fd_, buf_.data(), buf_.size())) ok_ = false;
        buf_.clear();
        return ok_;
    }

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool created_ = false;
    bool ok_ = true;
    std::vector<unsigned char> buf_;
};

void WriteDeparts(TempWriter& w, DEPART_NODE* head) {
    unsigned char rec[store::kDepartSize];
    for (DEPART_NODE* d = head; d; d = d->next) {
        store::EncodeDepart(*d, rec);
        w.Put(rec, sizeof rec);
    }
}

void WritePatients(TempWriter& w, DEPART_NODE* head) {
    unsigned char rec[store::kPatientSize];
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next) {
            store::EncodePatient(*p, rec);
            w.Put(rec, sizeof rec);
        }
}

void WriteRecords(TempWriter& w, DEPART_NODE* head) {
    unsigned char rec[store::kRecordSize];
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            for (RECORD_NODE* r = p->lnext; r; r = r->next) {
                store::EncodeRecord(*r, rec);
                w.Put(rec, sizeof rec);
            }
}

// Puts the three written files in place together. The commit record goes
// first, so that from then on a kill leads to the new set, never to a
// mixture; a rename that fails here puts the previous files back under a
// record of its own.
bool ReplaceTogether(TempWriter* (&w)[3]) {
    // A second name for each file being replaced, for the way back.
    std::string previous[3];
    bool existed[3];
    for (int i = 0; i < 3; ++i) {
        existed[i] = store::Look(w[i]->target().c_str(), nullptr) == Entry::kRegular;
        if (!existed[i]) continue;
        previous[i] = TempName(w[i]->target());
        if (!store::KeepAs(w[i]->target().c_str(), previous[i].c_str())) previous[i].clear();
    }
    auto drop_previous = [&] {
        for (const std::string& name : previous)
            if (!name.empty()) store::Remove(name.c_str());
    };

    Plan forward;
    for (TempWriter* t : w) forward.push_back({BaseName(t->temp()), BaseName(t->target())});
    store::HoldSignals();
    if (!WritePlan(forward)) {
        store::ReleaseSignals();
        drop_previous();
        return false;
    }
    int done = 0;
    while (done < 3 && file_ops.replace(w[done]->temp().c_str(), w[done]->target().c_str()) == 0)
        w[done++]->Keep();
    if (done == 3) {
        DropRecord();
        drop_previous();
        store::ReleaseSignals();
        return true;
    }

    Plan back;
    bool can_go_back = true;
    for (int i = 0; i < done; ++i) {
        if (!existed[i])
            back.push_back({"-", BaseName(w[i]->target())});
        else if (!previous[i].empty())
            back.push_back({BaseName(previous[i]), BaseName(w[i]->target())});
        else
            can_go_back = false;
    }
    bool back_written = can_go_back && WritePlan(back);
    if (back_written && CarryOut(back)) {
        DropRecord();
        drop_previous();
    } else if (!back_written) {
        // The record of the new set stays, and so do the files it names: the
        // next save or load completes it.
        for (TempWriter* t : w) t->Keep();
    }
    // Otherwise the record of the way back stays, with the second names it
    // needs, for the next save or load to carry out.
    store::ReleaseSignals();
    return false;
}

// The three data files, written beside the real ones and replaced together.
// Under the exclusive lock.
bool WriteDataFiles(DEPART_NODE* head) {
    TempWriter departs(gp_member_info_filename);
    TempWriter patients(gp_asset_info_filename);
    TempWriter records(gp_lend_info_filename);

    if (!departs.Open()) return false;
    WriteDeparts(departs, head);
    if (!departs.Finish()) return false;

    if (!patients.Open()) return false;
    WritePatients(patients, head);
    if (!patients.Finish()) return false;

    if (!records.Open()) return false;
    WriteRecords(records, head);
    if (!records.Finish()) return false;

    TempWriter* all[3] = {&departs, &patients, &records};
    if (!ReplaceTogether(all)) return false;
    for (int i = 0; i < 3; ++i) g_seen[i] = SeenOnDisk(DataFile(i));
    return true;
}

// Reading a collection. Each list is filled by pushing onto its front, so it
// comes back in the reverse of the file's order. A child goes to the first
// parent, in the rebuilt list order, that carries its parent number; the
// index maps each number to that first parent.

struct ReadResult {
    std::uint64_t count = 0;    // whole records read
    std::uint64_t dropped = 0;  // of them, children whose parent is not there
    bool out_of_memory = false;
};

// Reads at most `limit` department records; the new list in *head.
ReadResult ReadDeparts(RecordReader& in, std::uint64_t limit, DEPART_NODE** head) {
    ReadResult res;
    *head = nullptr;
    while (res.count < limit) {
        const unsigned char* rec = in.Next(store::kDepartSize);
        if (!rec) break;
        ++res.count;
        auto* d = static_cast<DEPART_NODE*>(gp_alloc_node(sizeof(DEPART_NODE)));
        if (!d) {
            res.out_of_memory = true;
            break;
        }
        store::DecodeDepart(rec, d);
        d->next = *head;
        *head = d;
    }
    return res;
}

ReadResult ReadPatients(RecordReader& in, std::uint64_t limit, DEPART_NODE* head) {
    std::unordered_map<int, DEPART_NODE*> first;
    for (DEPART_NODE* d = head; d; d = d->next) first.emplace(d->number, d);

    ReadResult res;
    while (res.count < limit) {
        const unsigned char* rec = in.Next(store::kPatientSize);
        if (!rec) break;
        ++res.count;
        auto* p = static_cast<PATIENT_NODE*>(gp_alloc_node(sizeof(PATIENT_NODE)));
        if (!p) {
            res.out_of_memory = true;
            break;
        }
        store::DecodePatient(rec, p);
        auto it = first.find(p->number);
        if (it == first.end()) {
            std::free(p);  // its department is not there
            ++res.dropped;
            continue;
        }
        p->next = it->second->anext;
        it->second->anext = p;
    }
    return res;
}

ReadResult ReadRecords(RecordReader& in, std::uint64_t limit, DEPART_NODE* head) {
    std::unordered_map<int, PATIENT_NODE*> first;
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next) first.emplace(p->number1, p);

    ReadResult res;
    while (res.count < limit) {
        const unsigned char* rec = in.Next(store::kRecordSize);
        if (!rec) break;
        ++res.count;
        auto* r = static_cast<RECORD_NODE*>(gp_alloc_node(sizeof(RECORD_NODE)));
        if (!r) {
            res.out_of_memory = true;
            break;
        }
        store::DecodeRecord(rec, r);
        auto it = first.find(r->number1);
        if (it == first.end()) {
            std::free(r);  // its patient is not there
            ++res.dropped;
            continue;
        }
        r->next = it->second->lnext;
        it->second->lnext = r;
    }
    return res;
}

constexpr std::uint64_t kNoLimit = UINT64_MAX;

}  // namespace

/* ---- Load ---- */

namespace {

void Install(DEPART_NODE* departs) {
    FreeCollection(hp);
    hp = departs;
}

// What a load made of one data file.
struct FileRead {
    ReadResult got;
    bool opened = false;
    bool incomplete = false;  // ended inside a record, or could not be read to the end
    FileId id;
};

// Opens, reads and closes one data file with `read`.
template <typename ReadFn>
bool ReadDataFile(int i, FileRead* out, ReadFn read) {
    int fd = file_ops.open_read(DataFile(i));
    if (fd < 0) return false;
    out->opened = true;
    store::IdOf(fd, &out->id);
    {
        RecordReader in(fd);
        out->got = read(in);
        out->incomplete = in.Incomplete();
    }
    file_ops.close(fd);
    return true;
}

// The versions of the three files that the collection now holds. A file read
// in full, with every record attached, counts as seen; one not there as seen
// absent; anything else as not seen, so that a save asks before it is
// overwritten.
void RememberLoad(const FileRead (&files)[3]) {
    for (int i = 0; i < 3; ++i) {
        const FileRead& f = files[i];
        Seen s;
        if (f.opened) {
            s.known = !f.incomplete && f.got.dropped == 0;
            s.present = true;
            s.id = f.id;
        } else if (store::Look(DataFile(i), nullptr) == Entry::kMissing) {
            s.known = true;
        }
        g_seen[i] = s;
    }
}

// Memory ran out while the files were read: the previous collection stays
// whole rather than a part of the files replacing it.
int LoadOutOfMemory(DEPART_NODE* departs, SHORT row) {
    FreeCollection(departs);
    SetConsoleCursorPosition(gh_std_out, COORD{20, row});
    con_printf("内存不足！数据未加载。");
    return 1;
}

// Records the load could not take: partial records at the ends of files and
// children whose parent is not there.
void TellDropped(const FileRead (&files)[3]) {
    std::uint64_t n = 0;
    for (const FileRead& f : files) n += f.got.dropped + (f.incomplete ? 1 : 0);
    if (n == 0) return;
    SetConsoleCursorPosition(gh_std_out, COORD{20, 13});
    con_printf("注意：有 %llu 条记录不完整或找不到所属，未能加载!",
               static_cast<unsigned long long>(n));
}

// The shared lock, after any unfinished save has been completed.
Outcome LockForReading(FolderLock& lock) {
    if (!lock.Take(store::Lock::kShared)) return Outcome::kBusy;
    if (store::Look(CommitRecord().c_str(), nullptr) == Entry::kMissing) return Outcome::kDone;
    if (!lock.Take(store::Lock::kExclusive)) return Outcome::kBusy;
    if (!FinishEarlierSave()) return Outcome::kUnfinished;
    RemoveLeftovers();
    if (!lock.Take(store::Lock::kShared)) return Outcome::kBusy;
    return Outcome::kDone;
}

// The steps of the load, under the lock. Sets *out_of_memory when the load
// was abandoned for want of memory.
int LoadFiles(FileRead (&files)[3], bool* out_of_memory) {
    DEPART_NODE* departs = nullptr;
    if (!ReadDataFile(0, &files[0], [&](RecordReader& in) {
            return ReadDeparts(in, kNoLimit, &departs);
        })) {
        con_printf("科室信息数据文件打开失败!");
        return 1;
    }
    con_printf("科室信息数据文件打开成功!");
    *out_of_memory = files[0].got.out_of_memory;
    if (*out_of_memory) return LoadOutOfMemory(departs, 7);

    SetConsoleCursorPosition(gh_std_out, COORD{20, 7});
    if (!departs) {
        con_printf("科室信息数据文件加载失败!");
        // An empty department file must not end the session: the collection
        // in memory may hold work that was never saved, so it stays.
        return 1;
    }
    con_printf("科室信息数据文件加载成功!");

    SetConsoleCursorPosition(gh_std_out, COORD{20, 9});
    if (!ReadDataFile(1, &files[1], [&](RecordReader& in) {
            return ReadPatients(in, kNoLimit, departs);
        })) {
        con_printf("病人信息数据文件打开失败!");
        Install(departs);
        RememberLoad(files);
        return 4;
    }
    con_printf("病人信息数据文件打开成功!");
    *out_of_memory = files[1].got.out_of_memory;
    if (*out_of_memory) return LoadOutOfMemory(departs, 11);

    SetConsoleCursorPosition(gh_std_out, COORD{20, 11});
    if (!ReadDataFile(2, &files[2], [&](RecordReader& in) {
            return ReadRecords(in, kNoLimit, departs);
        })) {
        con_printf("就诊记录信息数据文件打开失败!");
        Install(departs);
        RememberLoad(files);
        return 12;
    }
    con_printf("就诊记录信息数据文件打开成功!");
    *out_of_memory = files[2].got.out_of_memory;
    if (*out_of_memory) return LoadOutOfMemory(departs, 13);
    Install(departs);
    RememberLoad(files);
    return 1;
}

}  // namespace

// The new collection is built aside and becomes the collection at the point
// where the load ends, so a failure midway leaves the previous one in place.
int CreateList() {
    ClearScreen();
    SetConsoleCursorPosition(gh_std_out, COORD{20, 5});
    FolderLock lock;
    Outcome ready = LockForReading(lock);
    if (ready != Outcome::kDone) {
        lock.Release();
        Tell(ready == Outcome::kBusy ? kBusy : kUnfinished);
        return 1;
    }
    FileRead files[3];
    bool out_of_memory = false;
    int result = LoadFiles(files, &out_of_memory);
    lock.Release();
    if (!out_of_memory) TellDropped(files);
    return result;
}

/* ---- Save ---- */

namespace {

// Writes the collection to the data files under the exclusive lock; asks
// first, with the lock let go, when they are not the versions this copy has
// seen.
Outcome Save(bool ask) {
    FolderLock lock;
    Outcome ready = Prepare(lock);
    if (ready != Outcome::kDone) return ready;
    if (AnyDataFileUnusable()) return Outcome::kUnusable;
    if (ask && !DataFilesAsSeen()) {
        lock.Release();
        if (!ConfirmOverwrite()) return Outcome::kCancelled;
        ready = Prepare(lock);
        if (ready != Outcome::kDone) return ready;
        if (AnyDataFileUnusable()) return Outcome::kUnusable;
    }
    return WriteDataFiles(hp) ? Outcome::kDone : Outcome::kFailed;
}

void TellSaveOutcome(Outcome outcome, const char* failed) {
    switch (outcome) {
        case Outcome::kDone:
        case Outcome::kCancelled: return;
        case Outcome::kBusy: Tell(kBusy); return;
        case Outcome::kUnfinished: Tell(kUnfinished); return;
        case Outcome::kUnusable: Tell(kOpenFailed); return;
        case Outcome::kFailed: Tell(failed); return;
    }
}

}  // namespace

BOOL SaveSysData() {
    TellSaveOutcome(Save(true), kSaveFailed);
    return TRUE;
}

/* ---- Backup ---- */

namespace {

Outcome Backup() {
    std::uint32_t counts[3] = {0, 0, 0};
    for (DEPART_NODE* d = hp; d; d = d->next) {
        ++counts[0];
        for (PATIENT_NODE* p = d->anext; p; p = p->next) {
            ++counts[1];
            for (RECORD_NODE* r = p->lnext; r; r = r->next) ++counts[2];
        }
    }

    FolderLock lock;
    Outcome ready = Prepare(lock);
    if (ready != Outcome::kDone) return ready;
    if (store::Look(backup_sys_date_filename, nullptr) == Entry::kOther) return Outcome::kUnusable;

    // The new backup is written beside the old one, which stays until the new
    // one is complete; it holds exactly the header and the blocks.
    TempWriter out(backup_sys_date_filename);
    if (!out.Open()) return Outcome::kUnusable;
    unsigned char header[store::kBackupHeaderSize];
    for (int i = 0; i < 3; ++i) store::PutU32(header + 4 * i, counts[i]);
    out.Put(header, sizeof header);
    WriteDeparts(out, hp);
    WritePatients(out, hp);
    WriteRecords(out, hp);
    if (!out.Finish() || file_ops.replace(out.temp().c_str(), out.target().c_str()) != 0)
        return Outcome::kFailed;
    out.Keep();
    store::SyncFolder(Folder());
    return Outcome::kDone;
}

}  // namespace

BOOL BackupSysData() {
    TellSaveOutcome(Backup(), "数据备份失败！原备份文件未改动。按任意键返回");
    return TRUE;
}

/* ---- Restore ---- */

namespace {

const char* const kBackupUnreadable = "备份文件不存在或无法读取！数据未恢复。按任意键返回";
const char* const kBackupIncomplete = "备份文件不完整！数据未恢复。按任意键返回";
const char* const kNoMemory = "内存不足！数据未恢复。按任意键返回";
const char* const kRestoredNotSaved =
    "数据已从备份恢复到内存，但数据文件保存失败！原数据文件未改动。按任意键返回";

// Reads the whole backup into a new collection; null refusal when it did.
// Nothing is built before the file is known to hold every record that its
// counts promise.
const char* ReadBackup(DEPART_NODE** departs) {
    *departs = nullptr;
    int fd = file_ops.open_read(backup_sys_date_filename);
    if (fd < 0) return kBackupUnreadable;
    FileId id;
    if (!store::IdOf(fd, &id)) {
        file_ops.close(fd);
        return kBackupUnreadable;
    }
    const char* refusal = nullptr;
    {
        RecordReader in(fd);
        const unsigned char* header = in.Next(store::kBackupHeaderSize);
        std::uint64_t counts[3] = {0, 0, 0};
        if (header) {
            for (int i = 0; i < 3; ++i) counts[i] = store::GetU32(header + 4 * i);
        }
        std::uint64_t needed = store::kBackupHeaderSize + counts[0] * store::kDepartSize +
                               counts[1] * store::kPatientSize + counts[2] * store::kRecordSize;
        if (!header || needed > id.size) {
            refusal = kBackupIncomplete;
        } else {
            for (int level = 0; level < 3 && !refusal; ++level) {
                ReadResult got = level == 0   ? ReadDeparts(in, counts[0], departs)
                                 : level == 1 ? ReadPatients(in, counts[1], *departs)
                                              : ReadRecords(in, counts[2], *departs);
                if (got.out_of_memory)
                    refusal = kNoMemory;
                else if (got.count != counts[level])
                    refusal = kBackupIncomplete;  // the file shrank while it was read
            }
        }
    }
    file_ops.close(fd);
    if (refusal) {
        FreeCollection(*departs);
        *departs = nullptr;
    }
    return refusal;
}

// The collection is replaced only once the whole backup is read; the data
// files are then written without asking: replacing them is what the user
// chose.
const char* Restore() {
    FolderLock lock;
    Outcome ready = Prepare(lock);
    if (ready == Outcome::kBusy) return kBusy;
    if (ready == Outcome::kUnfinished) return kUnfinished;
    if (AnyDataFileUnusable()) return kOpenFailed;
    DEPART_NODE* departs = nullptr;
    if (const char* refusal = ReadBackup(&departs)) return refusal;
    Install(departs);
    return WriteDataFiles(hp) ? nullptr : kRestoredNotSaved;
}

}  // namespace

BOOL RestoreSysData() {
    if (const char* message = Restore()) Tell(message);
    return TRUE;
}
