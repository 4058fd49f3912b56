// Reading and writing the records of the data files and the backup file:
// whole records in from a file, the lists out to a temporary beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/collection.h"

namespace store {

// Writes all of data, going on after a write cut short by a signal.
bool WriteAll(int fd, const void* data, std::size_t size);

// Hands out whole records of a file; a read error or a partial record at the
// end is the end, and says so.
class RecordReader {
public:
    explicit RecordReader(int fd);

    const unsigned char* Next(std::size_t size);

    // After Next gave nothing: whether the file ended inside a record, or
    // could not be read to its end.
    bool Incomplete() const { return failed_ || end_ > pos_; }
    // After Next gave nothing: whether a read failed (rather than the file
    // ending inside a record).
    bool Failed() const { return failed_; }

private:
    bool Fill(std::size_t size);

    int fd_;
    std::unique_ptr<unsigned char[]> buf_;
    std::size_t cap_ = 0;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool done_ = false;
    bool failed_ = false;
};

// Writes one file beside the real one; the commit puts it in its place.
class TempWriter {
public:
    explicit TempWriter(const char* target);
    ~TempWriter() { Discard(); }
    TempWriter(const TempWriter&) = delete;
    TempWriter& operator=(const TempWriter&) = delete;

    // New files are for their owner only (they hold patients' records); a file
    // that is being replaced keeps its permissions.
    bool Open();

    void Put(const unsigned char* bytes, std::size_t n);

    // Everything written and on the disk, the descriptor closed.
    bool Finish();

    // The file is no longer ours to remove: renamed into place, or named by a
    // commit record that the next save will carry out.
    void Keep() { created_ = false; }

    void Discard();

    const std::string& target() const { return target_; }
    const std::string& temp() const { return temp_; }

private:
    bool Drain();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool created_ = false;
    bool ok_ = true;
    std::vector<unsigned char> buf_;
};

// Every department, patient or visit record of the collection in list order.
void WriteDeparts(TempWriter& w, DEPART_NODE* head);
void WritePatients(TempWriter& w, DEPART_NODE* head);
void WriteRecords(TempWriter& w, DEPART_NODE* head);

// Reading a collection. Each list is filled by pushing onto its front, so it
// comes back in the reverse of the file's order. A child goes to the first
// parent, in the rebuilt list order, that carries its parent number.
struct ReadResult {
    std::uint64_t count = 0;    // whole records read
    std::uint64_t dropped = 0;  // of them, children whose parent is not there
    bool out_of_memory = false;
};

constexpr std::uint64_t kNoLimit = UINT64_MAX;

// Reads at most `limit` records of one level; the departments become a new
// list in *head, patients and visit records join the collection at head.
ReadResult ReadDeparts(RecordReader& in, std::uint64_t limit, DEPART_NODE** head);
ReadResult ReadPatients(RecordReader& in, std::uint64_t limit, DEPART_NODE* head);
ReadResult ReadRecords(RecordReader& in, std::uint64_t limit, DEPART_NODE* head);

}  // namespace store
