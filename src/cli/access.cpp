// How the command-line modes reach a folder.
#include "cli/access.h"

#include "store/files.h"
#include "store/folder.h"

namespace cli {

namespace {

std::string Duration(int ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

std::string DataFolder(const std::string& folder) {
    return store::FolderOf(store::RealPath(store::JoinPath(folder, store::DataFile(0))));
}

Access TakeForReading(const std::string& data_folder, store::FolderLock& lock, int wait_ms,
                      std::string* err) {
    const std::string lock_file = store::JoinPath(data_folder, store::kLockFileName);
    // Only the commands that write make it: these modes read.
    if (store::Look(lock_file.c_str(), nullptr) == store::Entry::kMissing) {
        *err += "quorvel: note: no " + lock_file + ", reading without the lock\n";
        return Access::kUnlocked;
    }
    switch (lock.Take(store::Lock::kShared, /*create=*/false, wait_ms)) {
        case store::Locked::kYes: return Access::kLocked;
        case store::Locked::kBusy:
            *err += "quorvel: another copy of Quorvel held " + lock_file + " all of " +
                    Duration(wait_ms) + "; try again later\n";
            return Access::kBusy;
        case store::Locked::kUnavailable: break;
    }
    *err += "quorvel: note: " + lock_file + " cannot be locked, reading without the lock\n";
    return Access::kUnlocked;
}

bool UnfinishedSave(const std::string& data_folder) {
    const std::string record = store::JoinPath(data_folder, store::kCommitRecordName);
    return store::Look(record.c_str(), nullptr) != store::Entry::kMissing;
}

}  // namespace cli
