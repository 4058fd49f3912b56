// quorvel --export: the collection as a load would show it, as three CSV files.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "cli/access.h"
#include "cli/cli.h"
#include "cli/csv.h"
#include "cli/paths.h"
#include "store/collection.h"
#include "store/files.h"
#include "store/folder.h"
#include "store/record_io.h"
#include "store/snapshot.h"

namespace cli {

namespace {

using std::to_string;

constexpr const char* kCsvNames[3] = {"departments.csv", "patients.csv", "records.csv"};

// UTF-8 whatever the compiler's execution character set.
std::string_view Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// One CSV file, made new (never over one that is there) through the store's
// file calls; new files are for their owner only, like the store's own.
class CsvFile {
public:
    explicit CsvFile(std::string path) : path_(std::move(path)) {}
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;
    ~CsvFile() {
        if (fd_ >= 0) store::file_ops.close(fd_);
    }

    bool Create() {
        fd_ = store::file_ops.create(path_.c_str());
        return fd_ >= 0;
    }

    // Rows go here; Drain writes them out once there are enough.
    std::string& rows() { return rows_; }
    void Drain() {
        if (rows_.size() >= kChunk) Write();
    }

    // Everything written and on the disk, the file closed.
    bool Finish() {
        Write();
        if (ok_ && store::file_ops.flush(fd_) != 0) ok_ = false;
        if (store::file_ops.close(fd_) != 0) ok_ = false;
        fd_ = -1;
        return ok_;
    }

private:
    static constexpr std::size_t kChunk = 1 << 20;

    void Write() {
        if (ok_ && !store::WriteAll(fd_, rows_.data(), rows_.size())) ok_ = false;
        rows_.clear();
    }

    std::string path_;
    std::string rows_;
    int fd_ = -1;
    bool ok_ = true;
};

void Start(CsvFile& f, const char8_t* header) {
    f.rows() += kUtf8Bom;
    f.rows() += Utf8(header);
    f.rows() += "\r\n";
}

void Departments(const DEPART_NODE* head, CsvFile& f) {
    Start(f, u8"科室编号,科室名称,科室地址,科室电话");
    for (const DEPART_NODE* d = head; d; d = d->next) {
        AppendCsvRow(f.rows(),
                     {to_string(d->number), Utf8Text(d->name), Utf8Text(d->adr), Utf8Text(d->phone)});
        f.Drain();
    }
}

void Patients(const DEPART_NODE* head, CsvFile& f) {
    Start(f, u8"科室编号,病人编号,病人姓名,病人电话,病人性别,病人住址");
    for (const DEPART_NODE* d = head; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            AppendCsvRow(f.rows(), {to_string(p->number), to_string(p->number1), Utf8Text(p->name),
                                    Utf8Text(p->phone), to_string(p->sex), Utf8Text(p->adr)});
            f.Drain();
        }
}

void Records(const DEPART_NODE* head, CsvFile& f) {
    Start(f, u8"科室编号,病人编号,记录编号,主治医生,就诊费用,就诊日期,计划复诊日期,实际复诊日期,详细说明");
    for (const DEPART_NODE* d = head; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next)
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) {
                AppendCsvRow(f.rows(), {to_string(d->number), to_string(r->number1),
                                        to_string(r->number2), Utf8Text(r->name), FeeText(r->lmoney),
                                        Utf8Text(r->ldate), Utf8Text(r->bdate), Utf8Text(r->tdate),
                                        Utf8Text(r->tell)});
                f.Drain();
            }
}

using Writer = void (*)(const DEPART_NODE*, CsvFile&);
constexpr Writer kWriters[3] = {Departments, Patients, Records};

// Reads the folder as a load would, under its shared lock when it has one.
// Returns 0, or the status to end with (said in *err).
int Read(const std::string& folder, store::Snapshot* snap, std::string* err, int wait_ms) {
    const std::string data_folder = DataFolder(folder);
    store::FolderLock lock(data_folder);
    if (TakeForReading(data_folder, lock, wait_ms, err) == Access::kBusy) return kCannotRead;
    if (UnfinishedSave(data_folder)) {
        *err += "quorvel: " + store::JoinPath(data_folder, store::kCommitRecordName) +
                ": the last save in that folder is unfinished; start Quorvel once in that folder "
                "to complete it\n";
        return kCannotRead;
    }
    store::ReadSnapshot(folder, snap);
    for (int i = 0; i < 3; ++i)
        if (snap->files[i].unreadable)
            *err += "quorvel: cannot read " + store::JoinPath(folder, store::DataFile(i)) + '\n';
    if (snap->Unreadable()) return kCannotRead;
    if (snap->out_of_memory) {
        *err += "quorvel: not enough memory to read the data files\n";
        return kCannotRead;
    }
    return 0;
}

// Writes the three files into outdir (made when missing); on any failure
// removes what it made. Returns 0, or the status to end with.
int Write(const std::string& outdir, const DEPART_NODE* departs, std::string* err) {
    std::string paths[3];
    bool there = false;
    for (int i = 0; i < 3; ++i) {
        paths[i] = store::JoinPath(outdir, kCsvNames[i]);
        if (store::Look(paths[i].c_str(), nullptr) != store::Entry::kMissing) {
            *err += "quorvel: " + paths[i] + " is there already\n";
            there = true;
        }
    }
    if (there) return kProblems;

    namespace fs = std::filesystem;
    std::error_code ec;
    const bool made = !fs::exists(FsPath(outdir), ec);
    fs::create_directories(FsPath(outdir), ec);
    if (!fs::is_directory(FsPath(outdir), ec)) {
        *err += "quorvel: cannot make the folder " + outdir + '\n';
        return kCannotRead;
    }

    int status = 0;
    int created = 0;
    for (int i = 0; i < 3 && !status; ++i) {
        CsvFile f(paths[i]);
        if (!f.Create()) {
            // Made by someone else meanwhile, or the folder is not ours to write in.
            const bool raced = store::Look(paths[i].c_str(), nullptr) != store::Entry::kMissing;
            *err += "quorvel: cannot create " + paths[i] + (raced ? ": it is there already\n" : "\n");
            status = raced ? kProblems : kCannotRead;
            break;
        }
        ++created;
        kWriters[i](departs, f);
        if (!f.Finish()) {
            *err += "quorvel: cannot write " + paths[i] + '\n';
            status = kCannotRead;
        }
    }
    if (status) {
        for (int i = 0; i < created; ++i) store::Remove(paths[i].c_str());
        if (made) fs::remove(FsPath(outdir), ec);
    }
    return status;
}

}  // namespace

int Export(const std::string& outdir, const std::string& folder, std::string* err, int wait_ms) {
    store::Snapshot snap;
    int status = Read(folder, &snap, err, wait_ms);
    if (!status) status = Write(outdir, snap.departs, err);
    if (status) {
        *err += "quorvel: nothing was exported\n";
        return status;
    }
    if (const std::uint64_t dropped = snap.Dropped()) {
        *err += "quorvel: " + to_string(dropped) +
                (dropped == 1 ? " record that a load would leave out was" :
                                " records that a load would leave out were") +
                " not exported (cut short at a file's end, or without their department or "
                "patient: quorvel --check names them)\n";
        return kProblems;
    }
    return kAllWell;
}

}  // namespace cli
