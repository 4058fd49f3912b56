// The commit record, the recovery of an unfinished save, leftover
// temporaries, and the folder's lock.
#include "store/commit.h"

#include <cerrno>
#include <string>
#include <vector>

#include "store/folder.h"

namespace store {

namespace {

/* The commit record names the renames that replace the data files, one
 * "source target" line each ("-" as the source removes the target), between
 * a first line and an "end" line. It is itself put in place by a rename, so
 * it is either there whole or not at all; whoever finds it under the lock
 * carries it out before doing anything else. */

constexpr const char* kCommitHeader = "Quorvel commit";

std::string CommitRecord() { return InFolder(kCommitRecordName); }

// Names within the folder of the data files.
struct Step {
    std::string source;  // "-": remove the target
    std::string target;
};
using Plan = std::vector<Step>;

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
        if (step.source != "-" && TempTarget(step.source) != step.target) return false;
        plan->push_back(step);
    }
    return true;
}

// Each step can be carried out again: a source already renamed is skipped.
bool CarryOut(const Plan& plan) {
    for (const Step& step : plan) {
        std::string target = InFolder(step.target);
        if (step.source == "-") {
            if (!Remove(target.c_str())) return false;
            continue;
        }
        std::string source = InFolder(step.source);
        if (Look(source.c_str(), nullptr) == Entry::kRegular &&
            file_ops.replace(source.c_str(), target.c_str()) != 0)
            return false;
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
        file_ops.sync_folder(Folder());
        return true;
    }
    Remove(temp.c_str());
    return false;
}

void DropRecord() {
    file_ops.sync_folder(Folder());  // the renames first, then the record's removal
    Remove(CommitRecord().c_str());
    file_ops.sync_folder(Folder());
}

// Completes a replacement that an earlier save left unfinished (killed, or
// the machine stopped). Under the exclusive lock. False when it cannot be
// completed: the data files may then be a mixture and must not be read.
bool FinishEarlierSave() {
    const std::string record = CommitRecord();
    if (Look(record.c_str(), nullptr) == Entry::kMissing) return true;
    int fd = file_ops.open_read(record.c_str());
    if (fd < 0) return false;
    std::string text;
    char buf[4096];
    std::ptrdiff_t n;
    bool read_error = false;
    while (text.size() < 65536 && (n = file_ops.read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            read_error = true;  // a record we cannot read is not "no record"
            break;
        }
        text.append(buf, static_cast<std::size_t>(n));
    }
    file_ops.close(fd);
    if (read_error) return false;
    Plan plan;
    if (!ParsePlan(text, &plan)) {
        // Not a record a save wrote: it names nothing to carry out.
        Remove(record.c_str());
        return true;
    }
    HoldSignals();
    bool ok = CarryOut(plan);
    if (ok) DropRecord();
    ReleaseSignals();
    return ok;
}

// Temporaries of saves and backups that never finished. Under the exclusive
// lock, after FinishEarlierSave: no other copy is writing, and no record
// names them any more.
void RemoveLeftovers() {
    const std::string ours[5] = {BaseName(RealDataFile(0)), BaseName(RealDataFile(1)),
                                 BaseName(RealDataFile(2)),
                                 BaseName(RealPath(backup_sys_date_filename)), kCommitRecordName};
    for (const std::string& name : FolderNames(Folder())) {
        std::string target = TempTarget(name);
        if (target.empty()) continue;
        for (const std::string& o : ours)
            if (target == o) Remove(InFolder(name).c_str());
    }
}

}  // namespace

FolderLock::FolderLock(const std::string& folder, std::uint64_t byte)
    : byte_(byte), lock_file_(JoinPath(folder, kLockFileName)) {}

Locked FolderLock::Take(Lock kind, bool create, int wait_ms) {
    if (file_ < 0) {
        const std::string path = lock_file_.empty() ? InFolder(kLockFileName) : lock_file_;
        file_ = OpenLockFile(path.c_str(), create);
    }
    if (file_ < 0) return Locked::kUnavailable;
    // Tried every 20 ms: a blocking lock could not be given up after a time.
    for (int waited = 0;; waited += 20) {
        switch (TryLockByte(file_, byte_, kind)) {
            case LockTry::kTaken: held_ = true; return Locked::kYes;
            case LockTry::kFailed: Release(); return Locked::kUnavailable;
            case LockTry::kHeld: break;
        }
        if (waited >= wait_ms) {
            // A change of kind that failed may have let go of the one held.
            Release();
            return Locked::kBusy;
        }
        PauseMs(20);
    }
}

void FolderLock::Release() {
    if (file_ >= 0) {
        if (held_) UnlockByte(file_, byte_);
        CloseLockFile(file_);
    }
    file_ = -1;
    held_ = false;
}

Ready PrepareToWrite(FolderLock& lock) {
    switch (lock.Take(Lock::kExclusive)) {
        case Locked::kYes: break;
        case Locked::kBusy: return Ready::kBusy;
        case Locked::kUnavailable: return Ready::kNoLock;
    }
    if (!FinishEarlierSave()) return Ready::kUnfinished;
    RemoveLeftovers();
    return Ready::kReady;
}

Ready PrepareToRead(FolderLock& lock) {
    Locked shared = lock.Take(Lock::kShared);
    if (shared == Locked::kBusy) return Ready::kBusy;
    if (Look(CommitRecord().c_str(), nullptr) == Entry::kMissing) return Ready::kReady;
    // A commit record is completed under the exclusive lock, or not at all.
    if (shared != Locked::kYes) return Ready::kUnfinished;
    switch (lock.Take(Lock::kExclusive)) {
        case Locked::kYes: break;
        case Locked::kBusy: return Ready::kBusy;
        case Locked::kUnavailable: return Ready::kUnfinished;
    }
    if (!FinishEarlierSave()) return Ready::kUnfinished;
    RemoveLeftovers();
    if (lock.Take(Lock::kShared) == Locked::kBusy) return Ready::kBusy;
    return Ready::kReady;
}

Replaced ReplaceTogether(TempWriter* (&w)[3]) {
    // A second name for each file being replaced, for the way back.
    std::string previous[3];
    bool existed[3];
    for (int i = 0; i < 3; ++i) {
        existed[i] = Look(w[i]->target().c_str(), nullptr) == Entry::kRegular;
        if (!existed[i]) continue;
        previous[i] = TempName(w[i]->target());
        if (!KeepAs(w[i]->target().c_str(), previous[i].c_str())) previous[i].clear();
    }
    auto drop_previous = [&] {
        for (const std::string& name : previous)
            if (!name.empty()) Remove(name.c_str());
    };

    Plan forward;
    for (TempWriter* t : w) forward.push_back({BaseName(t->temp()), BaseName(t->target())});
    HoldSignals();
    if (!WritePlan(forward)) {
        ReleaseSignals();
        drop_previous();
        return Replaced::kOldKept;
    }
    int done = 0;
    while (done < 3 && file_ops.replace(w[done]->temp().c_str(), w[done]->target().c_str()) == 0)
        w[done++]->Keep();
    if (done == 3) {
        DropRecord();
        drop_previous();
        ReleaseSignals();
        return Replaced::kDone;
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
    Replaced how = Replaced::kPending;
    if (back_written && CarryOut(back)) {
        DropRecord();
        drop_previous();
        how = Replaced::kOldKept;
    } else if (!back_written) {
        // The record of the new set stays, and so do the files it names: the
        // next save or load completes it.
        for (TempWriter* t : w) t->Keep();
    }
    // Otherwise the record of the way back stays, with the second names it
    // needs, for the next save or load to carry out.
    ReleaseSignals();
    return how;
}

}  // namespace store
