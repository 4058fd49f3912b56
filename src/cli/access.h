// How the command-line modes reach a folder: under its shared lock when its
// lock file is there, otherwise without it; never making the lock file.
#pragma once

#include <string>

#include "store/commit.h"

namespace cli {

// The folder where the data files of `folder` really live (where the links
// they may be point): their lock file and commit record are there.
std::string DataFolder(const std::string& folder);

enum class Access {
    kLocked,    // the shared lock is held
    kUnlocked,  // no lock file, or it cannot be locked: read without (noted in *err)
    kBusy,      // another copy held the lock all the time we waited (said in *err)
};

Access TakeForReading(const std::string& data_folder, store::FolderLock& lock, int wait_ms,
                      std::string* err);

// Whether the data folder holds the commit record of an unfinished save.
bool UnfinishedSave(const std::string& data_folder);

}  // namespace cli
