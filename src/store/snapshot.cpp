// A folder's data files read as a load reads them, into a collection of their own.
#include "store/snapshot.h"

#include "store/folder.h"

namespace store {

std::uint64_t Snapshot::Dropped() const {
    std::uint64_t n = 0;
    for (const FileReading& f : files) n += f.got.dropped + (f.cut_short ? 1 : 0);
    return n;
}

bool Snapshot::Unreadable() const {
    for (const FileReading& f : files)
        if (f.unreadable) return true;
    return false;
}

namespace {

// Opens, reads and closes data file i of the folder with `read`.
template <typename ReadFn>
void ReadOne(const std::string& folder, int i, FileReading* f, ReadFn read) {
    const std::string path = JoinPath(folder, DataFile(i));
    f->entry = Look(path.c_str(), nullptr);
    if (f->entry == Entry::kMissing) return;
    int fd = f->entry == Entry::kRegular ? file_ops.open_read(path.c_str()) : -1;
    if (fd < 0) {
        f->unreadable = true;
        return;
    }
    {
        RecordReader in(fd);
        f->got = read(in);
        f->unreadable = in.Failed();
        f->cut_short = !in.Failed() && in.Incomplete();
    }
    file_ops.close(fd);
}

}  // namespace

void ReadSnapshot(const std::string& folder, Snapshot* out) {
    FreeCollection(out->departs);
    out->departs = nullptr;
    out->out_of_memory = false;
    for (FileReading& f : out->files) f = FileReading{};

    DEPART_NODE*& departs = out->departs;
    ReadOne(folder, 0, &out->files[0],
            [&](RecordReader& in) { return ReadDeparts(in, kNoLimit, &departs); });
    ReadOne(folder, 1, &out->files[1],
            [&](RecordReader& in) { return ReadPatients(in, kNoLimit, departs); });
    ReadOne(folder, 2, &out->files[2],
            [&](RecordReader& in) { return ReadRecords(in, kNoLimit, departs); });
    for (const FileReading& f : out->files)
        if (f.got.out_of_memory) out->out_of_memory = true;
    if (out->out_of_memory) {
        FreeCollection(departs);
        departs = nullptr;
    }
}

}  // namespace store
