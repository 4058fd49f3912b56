// A folder's data files read as a load reads them, into a collection of
// their own: for the command-line modes, which must leave the program's
// collection, what it remembers of its files and the folder itself as they
// are. The caller takes the folder's lock, if any.
#pragma once

#include <cstdint>
#include <string>

#include "store/collection.h"
#include "store/files.h"
#include "store/record_io.h"

namespace store {

// How one data file was read.
struct FileReading {
    Entry entry = Entry::kMissing;  // what stands under its name
    bool unreadable = false;        // there, but not a file that could be read to its end
    bool cut_short = false;         // it ends inside a record
    ReadResult got;
};

struct Snapshot {
    Snapshot() = default;
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    ~Snapshot() { FreeCollection(departs); }

    DEPART_NODE* departs = nullptr;  // the lists in the order a load gives them
    FileReading files[3];            // depart.dat, patient.dat, record.dat
    bool out_of_memory = false;      // the collection is then empty

    // What a load would leave out: a record cut short at the end of a file,
    // and each child whose parent is not there.
    std::uint64_t Dropped() const;
    bool Unreadable() const;
};

// Reads depart.dat, patient.dat and record.dat of `folder` into *out, each
// child going to the first parent, in the rebuilt list order, with its
// number. A missing file is read as an empty one: the children of missing
// parents are dropped.
void ReadSnapshot(const std::string& folder, Snapshot* out);

}  // namespace store
