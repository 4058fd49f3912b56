// The commit protocol and the folder's lock: how the data files are replaced
// together, and how copies of the program in one folder keep out of each
// other's way.
#pragma once

#include <cstdint>
#include <string>

#include "store/files.h"
#include "store/record_io.h"

namespace store {

constexpr const char* kCommitRecordName = "Quorvel.commit";

// How long a command waits for another copy that holds the lock.
constexpr int kLockWaitMs = 5000;

// The bytes of the lock file: the first serialises the commands that read
// and write the data files.
constexpr std::uint64_t kCommandByte = 0;

enum class Locked {
    kYes,
    kBusy,         // another copy held it all the time we waited
    kUnavailable,  // the lock file cannot be made, opened or locked here
};

// Holds one byte of the data folder's lock file for one command; never while
// the user is asked something or reads a message.
class FolderLock {
public:
    explicit FolderLock(std::uint64_t byte = kCommandByte) : byte_(byte) {}
    // The lock of a folder named by the user (the command-line modes'), not
    // the data folder of the working folder.
    explicit FolderLock(const std::string& folder, std::uint64_t byte = kCommandByte);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() { Release(); }

    // Takes (or changes to) `kind`, waiting up to wait_ms while another copy
    // holds a lock that conflicts. The lock file is made when it is missing,
    // unless `create` is false.
    Locked Take(Lock kind, bool create = true, int wait_ms = kLockWaitMs);
    void Release();
    bool held() const { return held_; }

private:
    std::uint64_t byte_;
    std::string lock_file_;  // empty: the data folder's
    int file_ = -1;
    bool held_ = false;
};

// How getting ready to read or write the folder went.
enum class Ready {
    kReady,
    kBusy,        // another copy holds the lock
    kUnfinished,  // an earlier save's commit record cannot be completed
    kNoLock,      // writing: the lock cannot be had here, so nothing is written
};

// Everything a writing command does first: the exclusive lock, an earlier
// save's commit record completed, and its leftover temporaries removed.
Ready PrepareToWrite(FolderLock& lock);

// The shared lock, after any unfinished save has been completed under the
// exclusive one. Where no lock can be had the files are still read, but a
// commit record is never completed without the exclusive lock.
Ready PrepareToRead(FolderLock& lock);

// How putting the data files in place together ended.
enum class Replaced {
    kDone,
    kOldKept,  // failed; the previous files are in place
    kPending,  // failed midway, and the way back too: the commit record that
               // stays is completed by the next command that reads or writes
};

// Puts the three written data files in place together. The commit record
// goes first, so that from then on a kill leads to the new set, never to a
// mixture; a rename that fails here puts the previous files back under a
// record of its own. Under the exclusive lock.
Replaced ReplaceTogether(TempWriter* (&w)[3]);

}  // namespace store
