// The byte layouts of the data files and the backup file. Shared by the
// store, its tests, the benchmarks, the fuzz targets and the command-line
// tools.
//
// Every record is the field block of one node: integers 4-byte little-endian
// two's complement, the fee a 4-byte little-endian IEEE-754 single, text
// fields GBK ending in a NUL inside the field. Links, padding and the bytes
// behind a text's NUL hold zeros on disk and are ignored when read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/collection.h"

namespace store {

constexpr std::size_t kDepartSize = 68;
constexpr std::size_t kPatientSize = 88;
constexpr std::size_t kRecordSize = 112;
constexpr std::size_t kBackupHeaderSize = 12;  // three unsigned counts

// Where a text field lies in its record. The codecs below go by these, and so
// does a reader that looks at a record's bytes themselves (the check of the
// data files, which finds fields without their NUL).
struct TextField {
    const char* name;  // for reports
    std::size_t offset;
    std::size_t width;
};

inline constexpr TextField kDepartName{"name", 4, 20};
inline constexpr TextField kDepartAdr{"address", 24, 20};
inline constexpr TextField kDepartPhone{"phone", 44, 15};
inline constexpr TextField kPatientName{"name", 8, 20};
inline constexpr TextField kPatientPhone{"phone", 28, 15};
inline constexpr TextField kPatientAdr{"address", 48, 30};
inline constexpr TextField kRecordDoctor{"doctor", 8, 11};
inline constexpr TextField kRecordDate{"visit date", 24, 11};
inline constexpr TextField kRecordPlanned{"planned follow-up date", 35, 11};
inline constexpr TextField kRecordActual{"actual follow-up date", 46, 11};
inline constexpr TextField kRecordDetails{"details", 57, 50};

// The text fields of each kind of record, in the order of the record.
inline constexpr TextField kDepartTexts[] = {kDepartName, kDepartAdr, kDepartPhone};
inline constexpr TextField kPatientTexts[] = {kPatientName, kPatientPhone, kPatientAdr};
inline constexpr TextField kRecordTexts[] = {kRecordDoctor, kRecordDate, kRecordPlanned,
                                             kRecordActual, kRecordDetails};

void EncodeDepart(const DEPART_NODE& d, unsigned char* out);
void EncodePatient(const PATIENT_NODE& p, unsigned char* out);
void EncodeRecord(const RECORD_NODE& r, unsigned char* out);

// Fill a node from its record; the node's links become null and every text
// field ends in a NUL within its width (an unterminated field is cut on a
// character boundary).
void DecodeDepart(const unsigned char* in, DEPART_NODE* d);
void DecodePatient(const unsigned char* in, PATIENT_NODE* p);
void DecodeRecord(const unsigned char* in, RECORD_NODE* r);

std::uint32_t GetU32(const unsigned char* in);
void PutU32(unsigned char* out, std::uint32_t v);

}  // namespace store
