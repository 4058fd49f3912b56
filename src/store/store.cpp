// Load, save, backup and restore, and what this copy has seen of the data
// files.
#include "store/store.h"

#include <cstdint>
#include <string>

#include "store/collection.h"
#include "store/commit.h"
#include "store/files.h"
#include "store/folder.h"
#include "store/format.h"
#include "store/record_io.h"
#include "store/recovery.h"

namespace store {

namespace {

/* ---- What this copy has seen ---- */

// For each data file, the version this copy last loaded completely or wrote.
using Seen = SeenFile;
Seen g_seen[3];

Seen SeenOnDisk(const char* path) {
    Seen s;
    FileId id;
    Entry e = Look(path, &id);
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
        if (Look(DataFile(i), &id) == Entry::kMissing) continue;
        if (!g_seen[i].known || !g_seen[i].present || !(g_seen[i].id == id)) return false;
    }
    return true;
}

bool AnyDataFileUnusable() {
    for (int i = 0; i < 3; ++i)
        if (Look(DataFile(i), nullptr) == Entry::kOther) return true;
    return false;
}

Status FromReady(Ready r) {
    switch (r) {
        case Ready::kBusy: return Status::kBusy;
        case Ready::kNoLock: return Status::kNoLock;
        default: return Status::kUnfinished;
    }
}

Result Outcome(Status status) {
    Result r;
    r.status = status;
    return r;
}

void Install(DEPART_NODE* departs) {
    FreeCollection(hp);
    hp = departs;
}

// The three data files, written beside the real ones (where their links
// point) and replaced together. Under the exclusive lock.
Status WriteDataFiles(DEPART_NODE* head) {
    const std::string paths[3] = {RealDataFile(0), RealDataFile(1), RealDataFile(2)};
    TempWriter departs(paths[0].c_str());
    TempWriter patients(paths[1].c_str());
    TempWriter records(paths[2].c_str());

    if (!departs.Open()) return Status::kFailed;
    WriteDeparts(departs, head);
    if (!departs.Finish()) return Status::kFailed;

    if (!patients.Open()) return Status::kFailed;
    WritePatients(patients, head);
    if (!patients.Finish()) return Status::kFailed;

    if (!records.Open()) return Status::kFailed;
    WriteRecords(records, head);
    if (!records.Finish()) return Status::kFailed;

    TempWriter* all[3] = {&departs, &patients, &records};
    switch (ReplaceTogether(all)) {
        case Replaced::kDone: break;
        case Replaced::kOldKept: return Status::kFailed;
        case Replaced::kPending: return Status::kPending;
    }
    for (int i = 0; i < 3; ++i) g_seen[i] = SeenOnDisk(DataFile(i));
    NothingUnsaved();
    return Status::kDone;
}

// What stops a save or a restore before it writes: something that is not a
// file in a data file's place, or data files in different folders.
bool DataFilesUnwritable() { return AnyDataFileUnusable() || !DataFilesInOneFolder(); }

/* ---- Load ---- */

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
    IdOf(fd, &out->id);
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
        } else if (Look(DataFile(i), nullptr) == Entry::kMissing) {
            s.known = true;
        }
        g_seen[i] = s;
    }
}

std::uint64_t Dropped(const FileRead (&files)[3]) {
    std::uint64_t n = 0;
    for (const FileRead& f : files) n += f.got.dropped + (f.incomplete ? 1 : 0);
    return n;
}

// The steps of the load, under the lock. The new collection is built aside
// and becomes the collection where the load ends, so a failure midway leaves
// the previous one in place; memory running out leaves it whole.
void LoadFiles(Result* result) {
    FileRead files[3];
    DEPART_NODE* departs = nullptr;
    auto finish = [&] {
        Install(departs);
        RememberLoad(files);
        result->dropped = Dropped(files);
        NothingUnsaved();
    };
    auto out_of_memory = [&] {
        FreeCollection(departs);
        result->status = Status::kNoMemory;
    };

    if (!ReadDataFile(0, &files[0], [&](RecordReader& in) {
            return ReadDeparts(in, kNoLimit, &departs);
        }))
        return;
    result->files_opened = 1;
    if (files[0].got.out_of_memory) return out_of_memory();
    if (!departs) {
        // An empty department file must not end the session: the collection
        // in memory may hold work that was never saved, so it stays.
        result->no_departments = true;
        result->dropped = Dropped(files);
        return;
    }

    if (!ReadDataFile(1, &files[1], [&](RecordReader& in) {
            return ReadPatients(in, kNoLimit, departs);
        }))
        return finish();
    result->files_opened = 2;
    if (files[1].got.out_of_memory) return out_of_memory();

    if (!ReadDataFile(2, &files[2], [&](RecordReader& in) {
            return ReadRecords(in, kNoLimit, departs);
        }))
        return finish();
    result->files_opened = 3;
    if (files[2].got.out_of_memory) return out_of_memory();
    finish();
}

/* ---- Restore ---- */

// Reads the whole backup into a new collection; *dropped counts the records
// that found no parent. Nothing is built before the file is known to hold
// every record that its counts promise.
Status ReadBackupFile(DEPART_NODE** departs, std::uint64_t* dropped) {
    *departs = nullptr;
    int fd = file_ops.open_read(backup_sys_date_filename);
    if (fd < 0) return Status::kBackupUnreadable;
    FileId id;
    if (!IdOf(fd, &id)) {
        file_ops.close(fd);
        return Status::kBackupUnreadable;
    }
    Status status = Status::kDone;
    {
        RecordReader in(fd);
        const unsigned char* header = in.Next(kBackupHeaderSize);
        std::uint64_t counts[3] = {0, 0, 0};
        if (header) {
            for (int i = 0; i < 3; ++i) counts[i] = GetU32(header + 4 * i);
        }
        std::uint64_t needed = kBackupHeaderSize + counts[0] * kDepartSize +
                               counts[1] * kPatientSize + counts[2] * kRecordSize;
        if (!header || needed > id.size) {
            status = Status::kBackupIncomplete;
        } else {
            for (int level = 0; level < 3 && status == Status::kDone; ++level) {
                ReadResult got = level == 0   ? ReadDeparts(in, counts[0], departs)
                                 : level == 1 ? ReadPatients(in, counts[1], *departs)
                                              : ReadRecords(in, counts[2], *departs);
                *dropped += got.dropped;
                if (got.out_of_memory)
                    status = Status::kNoMemory;
                else if (got.count != counts[level])
                    status = Status::kBackupIncomplete;  // the file shrank while it was read
            }
        }
    }
    file_ops.close(fd);
    if (status != Status::kDone) {
        FreeCollection(*departs);
        *departs = nullptr;
    }
    return status;
}

}  // namespace

Result Load() {
    FolderLock lock;
    Ready ready = PrepareToRead(lock);
    if (ready != Ready::kReady) return Outcome(FromReady(ready));
    Result result;
    LoadFiles(&result);
    return result;
}

Result Save(bool ask) {
    FolderLock lock;
    Ready ready = PrepareToWrite(lock);
    if (ready != Ready::kReady) return Outcome(FromReady(ready));
    if (DataFilesUnwritable()) return Outcome(Status::kUnusable);
    if (ask && !DataFilesAsSeen()) return Outcome(Status::kChanged);
    return Outcome(WriteDataFiles(hp));
}

Result Backup(bool ask) {
    std::uint32_t counts[3] = {0, 0, 0};
    for (DEPART_NODE* d = hp; d; d = d->next) {
        ++counts[0];
        for (PATIENT_NODE* p = d->anext; p; p = p->next) {
            ++counts[1];
            for (RECORD_NODE* r = p->lnext; r; r = r->next) ++counts[2];
        }
    }

    FolderLock lock;
    Ready ready = PrepareToWrite(lock);
    if (ready != Ready::kReady) return Outcome(FromReady(ready));
    const std::string backup = RealPath(backup_sys_date_filename);
    Entry there = Look(backup.c_str(), nullptr);
    if (there == Entry::kOther) return Outcome(Status::kUnusable);
    if (ask && there == Entry::kRegular && !DataFilesAsSeen()) return Outcome(Status::kChanged);

    // The new backup is written beside the old one, which stays until the new
    // one is complete; it holds exactly the header and the blocks.
    TempWriter out(backup.c_str());
    if (!out.Open()) return Outcome(Status::kUnusable);
    unsigned char header[kBackupHeaderSize];
    for (int i = 0; i < 3; ++i) PutU32(header + 4 * i, counts[i]);
    out.Put(header, sizeof header);
    WriteDeparts(out, hp);
    WritePatients(out, hp);
    WriteRecords(out, hp);
    if (!out.Finish() || file_ops.replace(out.temp().c_str(), out.target().c_str()) != 0)
        return Outcome(Status::kFailed);
    out.Keep();
    file_ops.sync_folder(FolderOf(backup));
    return Outcome(Status::kDone);
}

RestoredBackup::~RestoredBackup() { FreeCollection(departs_); }

Result ReadBackup(bool ask, RestoredBackup* out) {
    FreeCollection(out->departs_);
    out->departs_ = nullptr;
    FolderLock lock;
    Ready ready = PrepareToWrite(lock);
    if (ready != Ready::kReady) return Outcome(FromReady(ready));
    if (DataFilesUnwritable()) return Outcome(Status::kUnusable);
    if (ask && !DataFilesAsSeen()) return Outcome(Status::kChanged);
    Result result;
    result.status = ReadBackupFile(&out->departs_, &result.dropped);
    return result;
}

Result Restore(RestoredBackup& backup) {
    FolderLock lock;
    Ready ready = PrepareToWrite(lock);
    if (ready != Ready::kReady) return Outcome(FromReady(ready));
    if (DataFilesUnwritable()) return Outcome(Status::kUnusable);
    Install(backup.departs_);
    backup.departs_ = nullptr;
    Status written = WriteDataFiles(hp);
    // Restored but not written: the collection is unsaved work now.
    if (written != Status::kDone) AllUnsaved();
    return Outcome(written);
}

void ForgetDataFiles() {
    for (Seen& s : g_seen) s = Seen{};
}

void RememberedVersions(SeenFile (&out)[3]) {
    for (int i = 0; i < 3; ++i) out[i] = g_seen[i];
}

void RememberVersions(const SeenFile (&in)[3]) {
    for (int i = 0; i < 3; ++i) g_seen[i] = in[i];
}

}  // namespace store
