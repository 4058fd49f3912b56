// Load, save, backup and restore of the collection `hp`. Each returns one
// Result and draws nothing: the file commands tell the clerk what it says.
#pragma once

#include <cstdint>

#include "store/collection.h"
#include "store/files.h"

namespace store {

enum class Status {
    kDone,
    kBusy,              // another copy held the folder's lock for 5 s
    kUnfinished,        // an earlier save left a commit record that cannot be completed
    kUnusable,          // a file's place holds something else, a file cannot be
                        // created, or the data files live in different folders
    kNoLock,            // the folder's lock cannot be had here: nothing was written
    kFailed,            // writing failed: the old files stand
    kPending,           // writing failed midway and could not go back: the next
                        // load or save completes it from the commit record
    kChanged,           // the files on disk are not the versions this copy has seen
    kNoMemory,          // the collection stays as it was
    kBackupUnreadable,  // restore: no backup, or it cannot be read
    kBackupIncomplete,  // restore: the backup holds fewer records than its counts
};

struct Result {
    Status status = Status::kDone;

    // Load: how many of the three data files were opened (in order), and
    // whether the departments' file held none (the collection then stays).
    int files_opened = 0;
    bool no_departments = false;
    // Load and ReadBackup: how many records were left out: cut short at a
    // file's end (load), or a child whose parent is not there.
    std::uint64_t dropped = 0;
};

// Reads the three data files into a new collection that replaces `hp` once
// the departments are read; a file that cannot be opened ends the load there.
Result Load();

// Writes the collection to the three data files together. With `ask`, data
// files that are not the versions this copy last loaded completely or wrote
// are left alone and the result is kChanged, so that the clerk can be asked.
Result Save(bool ask);

// Writes the backup file: a header of three counts, then the three levels.
// With `ask`, an existing backup is left alone (kChanged) while the data
// files on disk are not the versions this copy has seen: the collection may
// then not be the data.
Result Backup(bool ask);

// A backup read whole, not yet the collection.
class RestoredBackup {
public:
    RestoredBackup() = default;
    RestoredBackup(const RestoredBackup&) = delete;
    RestoredBackup& operator=(const RestoredBackup&) = delete;
    ~RestoredBackup();

private:
    friend Result ReadBackup(bool ask, RestoredBackup* out);
    friend Result Restore(RestoredBackup& backup);
    DEPART_NODE* departs_ = nullptr;
};

// Restore in two steps, so that the clerk can be told what the backup left
// out before the data files are replaced. ReadBackup reads the whole backup
// into `out`; with `ask`, data files on disk that are not the versions this
// copy has seen stop it first (kChanged). Its result counts the records that
// found no parent (dropped).
Result ReadBackup(bool ask, RestoredBackup* out);
// The backup becomes the collection, which is then saved without asking:
// replacing the data files is what the clerk chose. kFailed or kPending: the
// collection was restored but the data files were not written.
Result Restore(RestoredBackup& backup);

// Forgets which versions of the data files this copy has loaded or written,
// as at start-up: the next save asks before it overwrites any of them.
void ForgetDataFiles();

// What this copy remembers of one data file: the version it last loaded
// completely or wrote. The recovery file keeps it with the unsaved work.
struct SeenFile {
    bool known = false;    // false: nothing loaded, or not all of it
    bool present = false;  // known to have been absent when false
    FileId id;
};
void RememberedVersions(SeenFile (&out)[3]);
void RememberVersions(const SeenFile (&in)[3]);

}  // namespace store
