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

// A node's field and its place in the record are the same width (below).
template <std::size_t N>
void PutText(unsigned char* record, const TextField& f, const char (&field)[N]) {
    std::size_t n = TextLength(field, f.width);
    std::memcpy(record + f.offset, field, n);
    std::memset(record + f.offset + n, 0, f.width - n);
}

template <std::size_t N>
void GetText(char (&field)[N], const unsigned char* record, const TextField& f) {
    std::size_t n = TextLength(reinterpret_cast<const char*>(record + f.offset), f.width);
    std::memcpy(field, record + f.offset, n);
    std::memset(field + n, 0, N - n);
}

static_assert(sizeof DEPART_NODE::name == kDepartName.width &&
              sizeof DEPART_NODE::adr == kDepartAdr.width &&
              sizeof DEPART_NODE::phone == kDepartPhone.width);
static_assert(sizeof PATIENT_NODE::name == kPatientName.width &&
              sizeof PATIENT_NODE::phone == kPatientPhone.width &&
              sizeof PATIENT_NODE::adr == kPatientAdr.width);
static_assert(sizeof RECORD_NODE::name == kRecordDoctor.width &&
              sizeof RECORD_NODE::ldate == kRecordDate.width &&
              sizeof RECORD_NODE::bdate == kRecordPlanned.width &&
              sizeof RECORD_NODE::tdate == kRecordActual.width &&
              sizeof RECORD_NODE::tell == kRecordDetails.width);

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
    PutText(out, kDepartName, d.name);
    PutText(out, kDepartAdr, d.adr);
    PutText(out, kDepartPhone, d.phone);
}

void EncodePatient(const PATIENT_NODE& p, unsigned char* out) {
    std::memset(out, 0, kPatientSize);
    PutI32(out + 0, p.number);
    PutI32(out + 4, p.number1);
    PutText(out, kPatientName, p.name);
    PutText(out, kPatientPhone, p.phone);
    PutI32(out + 44, p.sex);
    PutText(out, kPatientAdr, p.adr);
}

void EncodeRecord(const RECORD_NODE& r, unsigned char* out) {
    std::memset(out, 0, kRecordSize);
    PutI32(out + 0, r.number1);
    PutI32(out + 4, r.number2);
    PutText(out, kRecordDoctor, r.name);
    std::uint32_t fee;
    std::memcpy(&fee, &r.lmoney, 4);
    PutU32(out + 20, fee);
    PutText(out, kRecordDate, r.ldate);
    PutText(out, kRecordPlanned, r.bdate);
    PutText(out, kRecordActual, r.tdate);
    PutText(out, kRecordDetails, r.tell);
}

void DecodeDepart(const unsigned char* in, DEPART_NODE* d) {
    d->number = GetI32(in + 0);
    GetText(d->name, in, kDepartName);
    GetText(d->adr, in, kDepartAdr);
    GetText(d->phone, in, kDepartPhone);
    d->next = nullptr;
    d->anext = nullptr;
}

void DecodePatient(const unsigned char* in, PATIENT_NODE* p) {
    p->number = GetI32(in + 0);
    p->number1 = GetI32(in + 4);
    GetText(p->name, in, kPatientName);
    GetText(p->phone, in, kPatientPhone);
    p->sex = GetI32(in + 44);
    GetText(p->adr, in, kPatientAdr);
    p->next = nullptr;
    p->lnext = nullptr;
}

void DecodeRecord(const unsigned char* in, RECORD_NODE* r) {
    r->number1 = GetI32(in + 0);
    r->number2 = GetI32(in + 4);
    GetText(r->name, in, kRecordDoctor);
    std::uint32_t fee = GetU32(in + 20);
    std::memcpy(&r->lmoney, &fee, 4);
    GetText(r->ldate, in, kRecordDate);
    GetText(r->bdate, in, kRecordPlanned);
    GetText(r->tdate, in, kRecordActual);
    GetText(r->tell, in, kRecordDetails);
    r->next = nullptr;
}

}  // namespace store
