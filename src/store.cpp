// The record store: lookups by number and the data files.
#include "hospital.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "console/gbk.h"
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

/* ---- Record layouts ---- */

namespace store {

namespace {

static_assert(sizeof(float) == 4, "the fee is stored as a 4-byte single");

int RealOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t RealRead(int fd, void* buf, std::size_t n) { return ::read(fd, buf, n); }
ssize_t RealWrite(int fd, const void* buf, std::size_t n) { return ::write(fd, buf, n); }
int RealFsync(int fd) { return ::fsync(fd); }
int RealClose(int fd) { return ::close(fd); }
int RealRename(const char* from, const char* to) { return std::rename(from, to); }

// Bytes of text in a field: up to its NUL, or, when the field holds none, as
// many whole characters as leave room for one.
std::size_t TextLength(const char* field, std::size_t width) {
    if (const void* nul = std::memchr(field, 0, width))
        return static_cast<std::size_t>(static_cast<const char*>(nul) - field);
    std::size_t i = 0;
    while (i < width - 1) {
        if (gbk::is_lead(static_cast<unsigned char>(field[i]))) {
            if (i + 2 > width - 1) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return i;
}

void PutText(unsigned char* out, const char* field, std::size_t width) {
    std::size_t n = TextLength(field, width);
    std::memcpy(out, field, n);
    std::memset(out + n, 0, width - n);
}

template <std::size_t N>
void GetText(char (&field)[N], const unsigned char* in) {
    std::size_t n = TextLength(reinterpret_cast<const char*>(in), N);
    std::memcpy(field, in, n);
    std::memset(field + n, 0, N - n);
}

void PutI32(unsigned char* out, int v) { PutU32(out, static_cast<std::uint32_t>(v)); }
int GetI32(const unsigned char* in) { return static_cast<int>(GetU32(in)); }

}  // namespace

FileOps RealFileOps() {
    return FileOps{RealOpen, RealRead, RealWrite, RealFsync, RealClose, RealRename};
}
FileOps file_ops = RealFileOps();

std::uint32_t GetU32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

void PutU32(unsigned char* out, std::uint32_t v) {
    out[0] = static_cast<unsigned char>(v);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v >> 16);
    out[3] = static_cast<unsigned char>(v >> 24);
}

void EncodeDepart(const DEPART_NODE& d, unsigned char* out) {
    std::memset(out, 0, kDepartSize);
    PutI32(out + 0, d.number);
    PutText(out + 4, d.name, sizeof d.name);
    PutText(out + 24, d.adr, sizeof d.adr);
    PutText(out + 44, d.phone, sizeof d.phone);
}

void EncodePatient(const PATIENT_NODE& p, unsigned char* out) {
    std::memset(out, 0, kPatientSize);
    PutI32(out + 0, p.number);
    PutI32(out + 4, p.number1);
    PutText(out + 8, p.name, sizeof p.name);
    PutText(out + 28, p.phone, sizeof p.phone);
    PutI32(out + 44, p.sex);
    PutText(out + 48, p.adr, sizeof p.adr);
}

void EncodeRecord(const RECORD_NODE& r, unsigned char* out) {
    std::memset(out, 0, kRecordSize);
    PutI32(out + 0, r.number1);
    PutI32(out + 4, r.number2);
    PutText(out + 8, r.name, sizeof r.name);
    std::uint32_t fee;
    std::memcpy(&fee, &r.lmoney, 4);
    PutU32(out + 20, fee);
    PutText(out + 24, r.ldate, sizeof r.ldate);
    PutText(out + 35, r.bdate, sizeof r.bdate);
    PutText(out + 46, r.tdate, sizeof r.tdate);
    PutText(out + 57, r.tell, sizeof r.tell);
}

void DecodeDepart(const unsigned char* in, DEPART_NODE* d) {
    d->number = GetI32(in + 0);
    GetText(d->name, in + 4);
    GetText(d->adr, in + 24);
    GetText(d->phone, in + 44);
    d->next = nullptr;
    d->anext = nullptr;
}

void DecodePatient(const unsigned char* in, PATIENT_NODE* p) {
    p->number = GetI32(in + 0);
    p->number1 = GetI32(in + 4);
    GetText(p->name, in + 8);
    GetText(p->phone, in + 28);
    p->sex = GetI32(in + 44);
    GetText(p->adr, in + 48);
    p->next = nullptr;
    p->lnext = nullptr;
}

void DecodeRecord(const unsigned char* in, RECORD_NODE* r) {
    r->number1 = GetI32(in + 0);
    r->number2 = GetI32(in + 4);
    GetText(r->name, in + 8);
    std::uint32_t fee = GetU32(in + 20);
    std::memcpy(&r->lmoney, &fee, 4);
    GetText(r->ldate, in + 24);
    GetText(r->bdate, in + 35);
    GetText(r->tdate, in + 46);
    GetText(r->tell, in + 57);
    r->next = nullptr;
}

}  // namespace store

/* ---- Reading and writing files ---- */

namespace {

using store::file_ops;

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::size_t kLargestRecord = store::kRecordSize;

// Hands out whole records of a file; a read error or a partial record at the
// end is the end.
class RecordReader {
public:
    // Small files get a small buffer, and no buffer is filled with zeros first.
    explicit RecordReader(int fd) : fd_(fd) {
        std::size_t size = kBufferSize;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<std::uint64_t>(st.st_size) < kBufferSize)
            size = std::max<std::size_t>(static_cast<std::size_t>(st.st_size), kLargestRecord);
        buf_.reset(new unsigned char[size]);
        cap_ = size;
    }

    const unsigned char* Next(std::size_t size) {
        if (end_ - pos_ < size && !Fill(size)) return nullptr;
        const unsigned char* rec = buf_.get() + pos_;
        pos_ += size;
        return rec;
    }

private:
    bool Fill(std::size_t size) {
        std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (!done_ && end_ < size) {
            ssize_t n = file_ops.read(fd_, buf_.get() + end_, cap_ - end_);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
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
};

// Non-blocking, so that a FIFO in a file's place cannot hang the command; it
// changes nothing for a regular file.
int OpenForReading(const char* path) {
    return file_ops.open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
}

// A link to the file a save is replacing, kept until the save is complete.
constexpr const char* kPreviousSuffix = ".old";

std::string TempName(const char* path) { return std::string(path) + store::kTempSuffix; }

// Writes one file beside the real one; Commit() puts it in its place.
class TempWriter {
public:
    explicit TempWriter(const char* target) : target_(target), temp_(TempName(target)) {}
    ~TempWriter() { Discard(); }
    TempWriter(const TempWriter&) = delete;
    TempWriter& operator=(const TempWriter&) = delete;

    // New files are for their owner only (they hold patients' records); a file
    // that is being replaced keeps its permissions.
    bool Open() {
        ::unlink(temp_.c_str());  // a temporary left by an earlier crash
        fd_ = file_ops.open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                            0600);
        if (fd_ < 0) return false;
        created_ = true;
        struct stat st;
        if (::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::fchmod(fd_, st.st_mode & 07777);
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
        if (ok_ && file_ops.fsync(fd_) != 0) ok_ = false;
        int fd = fd_;
        fd_ = -1;
        if (file_ops.close(fd) != 0) ok_ = false;
        return ok_;
    }

    bool Commit() {
        if (file_ops.rename(temp_.c_str(), target_.c_str()) != 0) return false;
        created_ = false;
        return true;
    }

    void Discard() {
        if (fd_ >= 0) file_ops.close(fd_);
        fd_ = -1;
        if (created_) ::unlink(temp_.c_str());
        created_ = false;
    }

    const std::string& target() const { return target_; }

private:
    bool Drain() {
        std::size_t done = 0;
        while (done < buf_.size()) {
            ssize_t n = file_ops.write(fd_, buf_.data() + done, buf_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok_ = false;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        buf_.clear();
        return true;
    }

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool created_ = false;
    bool ok_ = true;
    std::vector<unsigned char> buf_;
};

// The renames reach the disk too.
void SyncDirectoryOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = file_ops.open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    file_ops.fsync(fd);
    file_ops.close(fd);
}

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

// The three data files, replaced together only once all three are on disk;
// on a failure the previous files stay.
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

    // The renames themselves can fail one by one: keep a link to each previous
    // file until all three are in place, and put the previous ones back if not.
    TempWriter* writers[] = {&departs, &patients, &records};
    bool had_previous[3];
    for (int i = 0; i < 3; ++i) {
        const std::string& target = writers[i]->target();
        std::string previous = target + kPreviousSuffix;
        ::unlink(previous.c_str());
        had_previous[i] = ::link(target.c_str(), previous.c_str()) == 0;
    }
    int committed = 0;
    while (committed < 3 && writers[committed]->Commit()) ++committed;
    for (int i = 0; i < 3; ++i) {
        const std::string& target = writers[i]->target();
        std::string previous = target + kPreviousSuffix;
        if (committed < 3 && i < committed) {
            if (had_previous[i])
                file_ops.rename(previous.c_str(), target.c_str());
            else
                ::unlink(target.c_str());
        }
        if (had_previous[i]) ::unlink(previous.c_str());
    }
    SyncDirectoryOf(departs.target());
    return committed == 3;
}

void ShowSaveFailure() {
    con_printf("数据保存失败！原数据文件未改动。按任意键返回");
    con_getch();
}

// Reading a collection. Each list is filled by pushing onto its front, so it
// comes back in the reverse of the file's order. A child goes to the first
// parent, in the rebuilt list order, that carries its parent number; the
// index maps each number to that first parent.

struct ReadResult {
    std::uint64_t count = 0;  // whole records read
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

// Memory ran out while the files were read: the previous collection stays
// whole rather than a part of the files replacing it.
int LoadOutOfMemory(DEPART_NODE* departs, SHORT row) {
    FreeCollection(departs);
    SetConsoleCursorPosition(gh_std_out, COORD{20, row});
    con_printf("内存不足！数据未加载。");
    return 1;
}

}  // namespace

// The new collection is built aside and becomes the collection at the point
// where the load ends, so a failure midway leaves the previous one in place.
int CreateList() {
    ClearScreen();
    SetConsoleCursorPosition(gh_std_out, COORD{20, 5});
    int fd = OpenForReading(gp_member_info_filename);
    if (fd < 0) {
        con_printf("科室信息数据文件打开失败!");
        return 1;
    }
    con_printf("科室信息数据文件打开成功!");
    DEPART_NODE* departs = nullptr;
    ReadResult got;
    {
        RecordReader in(fd);
        got = ReadDeparts(in, kNoLimit, &departs);
    }
    file_ops.close(fd);
    if (got.out_of_memory) return LoadOutOfMemory(departs, 7);

    SetConsoleCursorPosition(gh_std_out, COORD{20, 7});
    if (!departs) {
        con_printf("科室信息数据文件加载失败!");
        // An empty department file must not end the session: the collection
        // in memory may hold work that was never saved, so it stays.
        return 1;
    }
    con_printf("科室信息数据文件加载成功!");

    SetConsoleCursorPosition(gh_std_out, COORD{20, 9});
    fd = OpenForReading(gp_asset_info_filename);
    if (fd < 0) {
        con_printf("病人信息数据文件打开失败!");
        Install(departs);
        return 4;
    }
    con_printf("病人信息数据文件打开成功!");
    {
        RecordReader in(fd);
        got = ReadPatients(in, kNoLimit, departs);
    }
    file_ops.close(fd);
    if (got.out_of_memory) return LoadOutOfMemory(departs, 11);

    SetConsoleCursorPosition(gh_std_out, COORD{20, 11});
    fd = OpenForReading(gp_lend_info_filename);
    if (fd < 0) {
        con_printf("就诊记录信息数据文件打开失败!");
        Install(departs);
        return 12;
    }
    con_printf("就诊记录信息数据文件打开成功!");
    {
        RecordReader in(fd);
        got = ReadRecords(in, kNoLimit, departs);
    }
    file_ops.close(fd);
    if (got.out_of_memory) return LoadOutOfMemory(departs, 13);
    Install(departs);
    return 1;
}

/* ---- Save ---- */

BOOL SaveSysData() {
    if (!WriteDataFiles(hp)) ShowSaveFailure();
    return TRUE;
}

/* ---- Backup ---- */

BOOL BackupSysData() {
    std::uint32_t counts[3] = {0, 0, 0};
    for (DEPART_NODE* d = hp; d; d = d->next) {
        ++counts[0];
        for (PATIENT_NODE* p = d->anext; p; p = p->next) {
            ++counts[1];
            for (RECORD_NODE* r = p->lnext; r; r = r->next) ++counts[2];
        }
    }

    // The new backup is written beside the old one, which stays until the new
    // one is complete; it holds exactly the header and the blocks.
    TempWriter out(backup_sys_date_filename);
    if (!out.Open()) {
        con_printf("打开文件失败！按任意键返回");
        con_getch();
        return TRUE;
    }
    unsigned char header[store::kBackupHeaderSize];
    for (int i = 0; i < 3; ++i) store::PutU32(header + 4 * i, counts[i]);
    out.Put(header, sizeof header);
    WriteDeparts(out, hp);
    WritePatients(out, hp);
    WriteRecords(out, hp);
    if (!out.Finish() || !out.Commit()) {
        out.Discard();
        con_printf("数据备份失败！原备份文件未改动。按任意键返回");
        con_getch();
        return TRUE;
    }
    SyncDirectoryOf(out.target());
    return TRUE;
}

/* ---- Restore ---- */

namespace {

void RefuseRestore(const char* why) {
    con_printf("%s", why);
    con_getch();
}

const char* const kBackupUnreadable = "备份文件不存在或无法读取！数据未恢复。按任意键返回";
const char* const kBackupIncomplete = "备份文件不完整！数据未恢复。按任意键返回";
const char* const kNoMemory = "内存不足！数据未恢复。按任意键返回";

}  // namespace

BOOL RestoreSysData() {
    int fd = OpenForReading(backup_sys_date_filename);
    if (fd < 0) {
        RefuseRestore(kBackupUnreadable);
        return TRUE;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        file_ops.close(fd);
        RefuseRestore(kBackupUnreadable);
        return TRUE;
    }

    // Nothing is built before the file is known to hold every record that its
    // counts promise, and the collection is replaced only once all are read.
    const char* refusal = nullptr;
    DEPART_NODE* departs = nullptr;
    {
        RecordReader in(fd);
        const unsigned char* header = in.Next(store::kBackupHeaderSize);
        std::uint64_t counts[3] = {0, 0, 0};
        if (header) {
            for (int i = 0; i < 3; ++i) counts[i] = store::GetU32(header + 4 * i);
        }
        std::uint64_t needed = store::kBackupHeaderSize + counts[0] * store::kDepartSize +
                               counts[1] * store::kPatientSize + counts[2] * store::kRecordSize;
        if (!header || needed > static_cast<std::uint64_t>(st.st_size)) {
            refusal = kBackupIncomplete;
        } else {
            for (int level = 0; level < 3 && !refusal; ++level) {
                ReadResult got = level == 0   ? ReadDeparts(in, counts[0], &departs)
                                 : level == 1 ? ReadPatients(in, counts[1], departs)
                                              : ReadRecords(in, counts[2], departs);
                if (got.out_of_memory)
                    refusal = kNoMemory;
                else if (got.count != counts[level])
                    refusal = kBackupIncomplete;  // the file shrank while it was read
            }
        }
    }
    file_ops.close(fd);
    if (refusal) {
        FreeCollection(departs);
        RefuseRestore(refusal);
        return TRUE;
    }

    Install(departs);
    if (!WriteDataFiles(hp)) ShowSaveFailure();
    return TRUE;
}
