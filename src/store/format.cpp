// The byte layouts of the data files and the backup file.
#include "store/format.h"

#include <cstring>

#include "console/gbk.h"

namespace store {

namespace {

static_assert(sizeof(float) == 4, "the fee is stored as a 4-byte single");

// Bytes of text in a field: up to its NUL, or, when the field holds none, as
// many whole characters as leave room for one.
std::size_t TextLength(const char* field, std::size_t width) {
    if (const void* nul = std::memchr(field, 0, width))
        return static_cast<std::size_t>(static_cast<const char*>(nul) - field);
    std::size_t i = 0;
    while (i < width - 1) {
        if (gbk::is_lead(static_cast<unsigned char>(field[i]))) {
            if (i + 2 > width - 1) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return i;
}

void PutText(unsigned char* out, const char* field, std::size_t width) {
    std::size_t n = TextLength(field, width);
    std::memcpy(out, field, n);
    std::memset(out + n, 0, width - n);
}

template <std::size_t N>
void GetText(char (&field)[N], const unsigned char* in) {
    std::size_t n = TextLength(reinterpret_cast<const char*>(in), N);
    std::memcpy(field, in, n);
    std::memset(field + n, 0, N - n);
}

void PutI32(unsigned char* out, int v) { PutU32(out, static_cast<std::uint32_t>(v)); }
int GetI32(const unsigned char* in) { return static_cast<int>(GetU32(in)); }

}  // namespace

std::uint32_t GetU32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

void PutU32(unsigned char* out, std::uint32_t v) {
    out[0] = static_cast<unsigned char>(v);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v >> 16);
    out[3] = static_cast<unsigned char>(v >> 24);
}

void EncodeDepart(const DEPART_NODE& d, unsigned char* out) {
    std::memset(out, 0, kDepartSize);
    PutI32(out + 0, d.number);
    PutText(out + 4, d.name, sizeof d.name);
    PutText(out + 24, d.adr, sizeof d.adr);
    PutText(out + 44, d.phone, sizeof d.phone);
}

void EncodePatient(const PATIENT_NODE& p, unsigned char* out) {
    std::memset(out, 0, kPatientSize);
    PutI32(out + 0, p.number);
    PutI32(out + 4, p.number1);
    PutText(out + 8, p.name, sizeof p.name);
    PutText(out + 28, p.phone, sizeof p.phone);
    PutI32(out + 44, p.sex);
    PutText(out + 48, p.adr, sizeof p.adr);
}

void EncodeRecord(const RECORD_NODE& r, unsigned char* out) {
    std::memset(out, 0, kRecordSize);
    PutI32(out + 0, r.number1);
    PutI32(out + 4, r.number2);
    PutText(out + 8, r.name, sizeof r.name);
    std::uint32_t fee;
    std::memcpy(&fee, &r.lmoney, 4);
    PutU32(out + 20, fee);
    PutText(out + 24, r.ldate, sizeof r.ldate);
    PutText(out + 35, r.bdate, sizeof r.bdate);
    PutText(out + 46, r.tdate, sizeof r.tdate);
    PutText(out + 57, r.tell, sizeof r.tell);
}

void DecodeDepart(const unsigned char* in, DEPART_NODE* d) {
    d->number = GetI32(in + 0);
    GetText(d->name, in + 4);
    GetText(d->adr, in + 24);
    GetText(d->phone, in + 44);
    d->next = nullptr;
    d->anext = nullptr;
}

void DecodePatient(const unsigned char* in, PATIENT_NODE* p) {
    p->number = GetI32(in + 0);
    p->number1 = GetI32(in + 4);
    GetText(p->name, in + 8);
    GetText(p->phone, in + 28);
    p->sex = GetI32(in + 44);
    GetText(p->adr, in + 48);
    p->next = nullptr;
    p->lnext = nullptr;
}

void DecodeRecord(const unsigned char* in, RECORD_NODE* r) {
    r->number1 = GetI32(in + 0);
    r->number2 = GetI32(in + 4);
    GetText(r->name, in + 8);
    std::uint32_t fee = GetU32(in + 20);
    std::memcpy(&r->lmoney, &fee, 4);
    GetText(r->ldate, in + 24);
    GetText(r->bdate, in + 35);
    GetText(r->tdate, in + 46);
    GetText(r->tell, in + 57);
    r->next = nullptr;
}

}  // namespace store
