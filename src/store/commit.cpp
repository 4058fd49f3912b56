// The commit record, the recovery of an unfinished save, leftover
// temporaries, and the folder's lock.
#include "store/commit.h"

#include <cerrno>
#include <string>
#include <vector>

#include "store/folder.h"

namespace store {

namespace {

constexpr int kLockWaitMs = 5000;

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
        SyncFolder(Folder());
        return true;
    }
    Remove(temp.c_str());
    return false;
}

void DropRecord() {
    SyncFolder(Folder());  // the renames first, then the record's removal
    Remove(CommitRecord().c_str());
    SyncFolder(Folder());
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
    while (text.size() < 65536 && (n = file_ops.read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    file_ops.close(fd);
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
    const std::string ours[5] = {BaseName(DataFile(0)), BaseName(DataFile(1)),
                                 BaseName(DataFile(2)), BaseName(backup_sys_date_filename),
                                 kCommitRecordName};
    for (const std::string& name : FolderNames(Folder())) {
        std::string target = TempTarget(name);
        if (target.empty()) continue;
        for (const std::string& o : ours)
            if (target == o) Remove(InFolder(name).c_str());
    }
}

}  // namespace

bool FolderLock::Take(Lock kind) {
    held_ = LockFolder(Folder(), kind, kLockWaitMs);
    return held_;
}

void FolderLock::Release() {
    if (held_) UnlockFolder();
    held_ = false;
}

Ready PrepareToWrite(FolderLock& lock) {
    if (!lock.Take(Lock::kExclusive)) return Ready::kBusy;
    if (!FinishEarlierSave()) return Ready::kUnfinished;
    RemoveLeftovers();
    return Ready::kReady;
}

Ready PrepareToRead(FolderLock& lock) {
    if (!lock.Take(Lock::kShared)) return Ready::kBusy;
    if (Look(CommitRecord().c_str(), nullptr) == Entry::kMissing) return Ready::kReady;
    if (!lock.Take(Lock::kExclusive)) return Ready::kBusy;
    if (!FinishEarlierSave()) return Ready::kUnfinished;
    RemoveLeftovers();
    if (!lock.Take(Lock::kShared)) return Ready::kBusy;
    return Ready::kReady;
}

bool ReplaceTogether(TempWriter* (&w)[3]) {
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
        return false;
    }
    int done = 0;
    while (done < 3 && file_ops.replace(w[done]->temp().c_str(), w[done]->target().c_str()) == 0)
        w[done++]->Keep();
    if (done == 3) {
        DropRecord();
        drop_previous();
        ReleaseSignals();
        return true;
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
    if (back_written && CarryOut(back)) {
        DropRecord();
        drop_previous();
    } else if (!back_written) {
        // The record of the new set stays, and so do the files it names: the
        // next save or load completes it.
        for (TempWriter* t : w) t->Keep();
    }
    // Otherwise the record of the way back stays, with the second names it
    // needs, for the next save or load to carry out.
    ReleaseSignals();
    return false;
}

void SyncDataFolder() { SyncFolder(Folder()); }

}  // namespace store
