// The commit protocol and the folder's lock: how the data files are replaced
// together, and how copies of the program in one folder keep out of each
// other's way.
#pragma once

#include "store/files.h"
#include "store/record_io.h"

namespace store {

constexpr const char* kCommitRecordName = "Quorvel.commit";

// Holds the folder's lock for one command; never while the user is asked
// something or reads a message.
class FolderLock {
public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() { Release(); }
    bool Take(Lock kind);  // waits for another copy, up to 5 s
    void Release();

private:
    bool held_ = false;
};

// How getting ready to read or write the folder went.
enum class Ready { kReady, kBusy, kUnfinished };

// Everything a writing command does first: the exclusive lock, an earlier
// save's commit record completed, and its leftover temporaries removed.
Ready PrepareToWrite(FolderLock& lock);

// The shared lock, after any unfinished save has been completed under the
// exclusive one.
Ready PrepareToRead(FolderLock& lock);

// Puts the three written data files in place together. The commit record
// goes first, so that from then on a kill leads to the new set, never to a
// mixture; a rename that fails here puts the previous files back under a
// record of its own. Under the exclusive lock.
bool ReplaceTogether(TempWriter* (&w)[3]);

// After a rename of the folder's own (the backup): the change on the disk.
void SyncDataFolder();

}  // namespace store
