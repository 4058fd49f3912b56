// Records in from the files, lists out to temporaries.
#include "store/record_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "store/files.h"
#include "store/folder.h"
#include "store/format.h"

namespace store {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::size_t kLargestRecord = kRecordSize;

}  // namespace

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        std::ptrdiff_t n = file_ops.write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

/* ---- RecordReader ---- */

// Small files get a small buffer, and no buffer is filled with zeros first.
RecordReader::RecordReader(int fd) : fd_(fd) {
    std::size_t size = kBufferSize;
    FileId id;
    if (IdOf(fd, &id) && id.size < kBufferSize)
        size = std::max<std::size_t>(static_cast<std::size_t>(id.size), kLargestRecord);
    buf_.reset(new unsigned char[size]);
    cap_ = size;
}

const unsigned char* RecordReader::Next(std::size_t size) {
    if (end_ - pos_ < size && !Fill(size)) return nullptr;
    const unsigned char* rec = buf_.get() + pos_;
    pos_ += size;
    return rec;
}

bool RecordReader::Fill(std::size_t size) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    while (!done_ && end_ < size) {
        std::ptrdiff_t n = file_ops.read(fd_, buf_.get() + end_, cap_ - end_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = n < 0;
            done_ = true;
            break;
        }
        end_ += static_cast<std::size_t>(n);
    }
    return end_ >= size;
}

/* ---- TempWriter ---- */

TempWriter::TempWriter(const char* target) : target_(target), temp_(TempName(target)) {}

bool TempWriter::Open() {
    fd_ = file_ops.create(temp_.c_str());
    if (fd_ < 0) return false;
    created_ = true;
    KeepMode(fd_, target_.c_str());
    return true;
}

void TempWriter::Put(const unsigned char* bytes, std::size_t n) {
    if (!ok_) return;
    if (buf_.size() + n > kBufferSize && !Drain()) return;
    buf_.insert(buf_.end(), bytes, bytes + n);
}

bool TempWriter::Finish() {
    if (ok_) Drain();
    if (ok_ && file_ops.flush(fd_) != 0) ok_ = false;
    int fd = fd_;
    fd_ = -1;
    if (file_ops.close(fd) != 0) ok_ = false;
    return ok_;
}

void TempWriter::Discard() {
    if (fd_ >= 0) file_ops.close(fd_);
    fd_ = -1;
    if (created_) Remove(temp_.c_str());
    created_ = false;
}

bool TempWriter::Drain() {
    if (!WriteAll(fd_, buf_.data(), buf_.size())) ok_ = false;
    buf_.clear();
    return ok_;
}

/* ---- Writing the lists ---- */

void WriteDeparts(TempWriter& w, DEPART_NODE* head) {
    unsigned char rec[kDepartSize];
    for (DEPART_NODE* d = head; d; d = d->next) {
        EncodeDepart(*d, rec);
        w.Put(rec, sizeof rec);
    }
}

void WritePatients(TempWriter& w, DEPART_NODE* head) {
    unsigned char rec[kPatientSize];
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next) {
            EncodePatient(*p, rec);
            w.Put(rec, sizeof rec);
        }
}

void WriteRecords(TempWriter& w, DEPART_NODE* head) {
    unsigned char rec[kRecordSize];
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            for (RECORD_NODE* r = p->lnext; r; r = r->next) {
                EncodeRecord(*r, rec);
                w.Put(rec, sizeof rec);
            }
}

/* ---- Reading the lists ----
 * The index maps each parent number to the first parent, in the rebuilt list
 * order, that carries it. */

ReadResult ReadDeparts(RecordReader& in, std::uint64_t limit, DEPART_NODE** head) {
    ReadResult res;
    *head = nullptr;
    while (res.count < limit) {
        const unsigned char* rec = in.Next(kDepartSize);
        if (!rec) break;
        ++res.count;
        auto* d = static_cast<DEPART_NODE*>(gp_alloc_node(sizeof(DEPART_NODE)));
        if (!d) {
            res.out_of_memory = true;
            break;
        }
        DecodeDepart(rec, d);
        d->next = *head;
        *head = d;
    }
    return res;
}

ReadResult ReadPatients(RecordReader& in, std::uint64_t limit, DEPART_NODE* head) {
    std::unordered_map<int, DEPART_NODE*> first;
    for (DEPART_NODE* d = head; d; d = d->next) first.emplace(d->number, d);

    ReadResult res;
    while (res.count < limit) {
        const unsigned char* rec = in.Next(kPatientSize);
        if (!rec) break;
        ++res.count;
        auto* p = static_cast<PATIENT_NODE*>(gp_alloc_node(sizeof(PATIENT_NODE)));
        if (!p) {
            res.out_of_memory = true;
            break;
        }
        DecodePatient(rec, p);
        auto it = first.find(p->number);
        if (it == first.end()) {
            std::free(p);  // its department is not there
            ++res.dropped;
            continue;
        }
        p->next = it->second->anext;
        it->second->anext = p;
    }
    return res;
}

ReadResult ReadRecords(RecordReader& in, std::uint64_t limit, DEPART_NODE* head) {
    std::unordered_map<int, PATIENT_NODE*> first;
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next) first.emplace(p->number1, p);

    ReadResult res;
    while (res.count < limit) {
        const unsigned char* rec = in.Next(kRecordSize);
        if (!rec) break;
        ++res.count;
        auto* r = static_cast<RECORD_NODE*>(gp_alloc_node(sizeof(RECORD_NODE)));
        if (!r) {
            res.out_of_memory = true;
            break;
        }
        DecodeRecord(rec, r);
        auto it = first.find(r->number1);
        if (it == first.end()) {
            std::free(r);  // its patient is not there
            ++res.dropped;
            continue;
        }
        r->next = it->second->lnext;
        it->second->lnext = r;
    }
    return res;
}

}  // namespace store
