// Load, save, backup and restore of the collection `hp`. Each returns one
// Result and draws nothing: the file commands tell the clerk what it says.
#pragma once

#include <cstdint>

namespace store {

enum class Status {
    kDone,
    kBusy,              // another copy held the folder's lock for 5 s
    kUnfinished,        // an earlier save left a commit record that cannot be completed
    kUnusable,          // a file's place holds something else, or a file cannot be created
    kFailed,            // writing failed: the old files stand
    kChanged,           // save: the data files are not the versions this copy has seen
    kNoMemory,          // the collection stays as it was
    kBackupUnreadable,  // restore: no backup, or it cannot be read
    kBackupIncomplete,  // restore: the backup holds fewer records than its counts
};

struct Result {
    Status status = Status::kDone;

    // Load: how many of the three data files were opened (in order), whether
    // the departments' file held none (the collection then stays), and how
    // many records were left out (cut short at a file's end, or a child
    // whose parent is not there).
    int files_opened = 0;
    bool no_departments = false;
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
Result Backup();

// Reads the whole backup into a new collection, which replaces `hp`, then
// saves it without asking: replacing the data files is what the clerk chose.
// kFailed: the collection was restored but the data files were not written.
Result Restore();

// Forgets which versions of the data files this copy has loaded or written,
// as at start-up: the next save asks before it overwrites any of them.
void ForgetDataFiles();

}  // namespace store
