// The byte layouts of the data files: one golden record of each kind, zeros in
// links, padding and behind a text's NUL, and what a reader makes of foreign
// or damaged records.
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}
std::string Zeros(std::size_t n) { return std::string(n, '\0'); }

// One record of each kind as the format lays it out.
const std::string kGoldenDepart =
    Bytes({0x04, 0x03, 0x02, 0x01}) +                                  // number 0x01020304
    Bytes({0xC4, 0xDA, 0xBF, 0xC6}) + Zeros(16) +                      // name
    Bytes({0x41, 0x31}) + Zeros(18) +                                  // adr
    Bytes({0x35, 0x35, 0x35, 0x31, 0x32, 0x33, 0x34}) + Zeros(8) +     // phone
    Zeros(1) + Zeros(4) + Zeros(4);                                    // padding, next, anext

const std::string kGoldenPatient =
    Bytes({0x04, 0x03, 0x02, 0x01}) +                                  // number
    Bytes({0xFE, 0xFF, 0xFF, 0xFF}) +                                  // number1 -2
    Bytes({0xD5, 0xC5, 0xC8, 0xFD}) + Zeros(16) +                      // name
    Bytes({0x31, 0x33, 0x38, 0x30, 0x30}) + Zeros(10) +                // phone
    Zeros(1) +                                                         // padding
    Bytes({0x01, 0x00, 0x00, 0x00}) +                                  // sex
    Bytes({0x58}) + Zeros(29) +                                        // adr
    Zeros(2) + Zeros(4) + Zeros(4);                                    // padding, next, lnext

const std::string kGoldenRecord =
    Bytes({0xFE, 0xFF, 0xFF, 0xFF}) +                                  // number1 -2
    Bytes({0xFF, 0xFF, 0xFF, 0x7F}) +                                  // number2 INT_MAX
    Bytes({0xCD, 0xF5, 0xD2, 0xBD, 0xC9, 0xFA}) + Zeros(5) +           // doctor
    Zeros(1) +                                                         // padding
    Bytes({0x00, 0x00, 0x48, 0x41}) +                                  // fee 12.5
    Bytes({0x32, 0x30, 0x32, 0x34, 0x2D, 0x30, 0x31, 0x2D, 0x30, 0x32}) + Zeros(1) +  // ldate
    Zeros(11) +                                                        // bdate
    Bytes({0x78}) + Zeros(10) +                                        // tdate
    Bytes({0x6F, 0x6B}) + Zeros(48) +                                  // tell
    Zeros(1) + Zeros(4);                                               // padding, next

// Nodes whose every byte starts as 0xAB, so padding and whatever lies behind a
// text's NUL hold stale bytes, as memory does after earlier edits.
template <typename T>
T* Stale() {
    auto* n = static_cast<T*>(std::malloc(sizeof(T)));
    std::memset(static_cast<void*>(n), 0xAB, sizeof(T));
    return n;
}
template <std::size_t N>
void Put(char (&field)[N], const char* text) {
    std::memcpy(field, text, std::strlen(text) + 1);  // the rest stays stale
}

void BuildGoldenCollection() {
    auto* d = Stale<DEPART_NODE>();
    d->number = 0x01020304;
    Put(d->name, "内科");
    Put(d->adr, "A1");
    Put(d->phone, "5551234");
    auto* p = Stale<PATIENT_NODE>();
    p->number = d->number;
    p->number1 = -2;
    Put(p->name, "张三");
    Put(p->phone, "13800");
    p->sex = 1;
    Put(p->adr, "X");
    auto* r = Stale<RECORD_NODE>();
    r->number1 = -2;
    r->number2 = 0x7FFFFFFF;
    Put(r->name, "王医生");
    r->lmoney = 12.5f;
    Put(r->ldate, "2024-01-02");
    Put(r->bdate, "");
    Put(r->tdate, "x");
    Put(r->tell, "ok");
    hp = d;
    d->anext = p;
    p->lnext = r;
    p->next = nullptr;
    // Second entries, so that every link slot of the golden records is live.
    d->next = nullptr;
    r->next = nullptr;
    DEPART_NODE* d2 = AddDept(2, "second");
    AddPatient(d, 3, "other");
    AddRecord(p, 4);
    (void)d2;
}

using StoreFormat = AppTest;

TEST_F(StoreFormat, SaveWritesEachRecordFieldByFieldWithZerosInLinksPaddingAndBehindNul) {
    BuildGoldenCollection();
    ASSERT_NE(hp->next, nullptr);
    ASSERT_NE(hp->anext->next, nullptr);
    ASSERT_NE(hp->anext->lnext->next, nullptr);
    ASSERT_EQ(SaveSysData(), TRUE);

    std::string departs = ReadFile("depart.dat");
    std::string patients = ReadFile("patient.dat");
    std::string records = ReadFile("record.dat");
    ASSERT_EQ(departs.size(), 2 * store::kDepartSize);
    ASSERT_EQ(patients.size(), 2 * store::kPatientSize);
    ASSERT_EQ(records.size(), 2 * store::kRecordSize);
    EXPECT_EQ(departs.substr(0, store::kDepartSize), kGoldenDepart);
    EXPECT_EQ(patients.substr(0, store::kPatientSize), kGoldenPatient);
    EXPECT_EQ(records.substr(0, store::kRecordSize), kGoldenRecord);
}

TEST_F(StoreFormat, BackupHoldsTheCountsThenTheSameRecords) {
    BuildGoldenCollection();
    ASSERT_EQ(BackupSysData(), TRUE);
    std::string backup = ReadFile("BackupSysData.dat");
    ASSERT_EQ(backup.size(), store::kBackupHeaderSize + 2 * store::kDepartSize +
                                 2 * store::kPatientSize + 2 * store::kRecordSize);
    EXPECT_EQ(backup.substr(0, 12), U32(2) + U32(2) + U32(2));
    EXPECT_EQ(backup.substr(12, store::kDepartSize), kGoldenDepart);
    EXPECT_EQ(backup.substr(12 + 2 * store::kDepartSize, store::kPatientSize), kGoldenPatient);
    EXPECT_EQ(backup.substr(12 + 2 * store::kDepartSize + 2 * store::kPatientSize,
                            store::kRecordSize),
              kGoldenRecord);
}

TEST_F(StoreFormat, LoadReadsTheGoldenRecordsAndIgnoresLinkSlotsAndPadding) {
    // A foreign writer that left garbage in links and padding.
    std::string d = kGoldenDepart, p = kGoldenPatient, r = kGoldenRecord;
    for (std::size_t i : {59, 60, 61, 62, 63, 64, 65, 66, 67}) d[i] = '\xEE';
    for (std::size_t i : {43, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87}) p[i] = '\xEE';
    for (std::size_t i : {19, 107, 108, 109, 110, 111}) r[i] = '\xEE';
    WriteFile("depart.dat", d);
    WriteFile("patient.dat", p);
    WriteFile("record.dat", r);

    ASSERT_EQ(CreateList(), 1);
    ASSERT_NE(hp, nullptr);
    EXPECT_EQ(hp->next, nullptr);
    EXPECT_EQ(hp->number, 0x01020304);
    EXPECT_STREQ(hp->name, "内科");
    EXPECT_STREQ(hp->adr, "A1");
    EXPECT_STREQ(hp->phone, "5551234");
    PATIENT_NODE* pa = hp->anext;
    ASSERT_NE(pa, nullptr);
    EXPECT_EQ(pa->next, nullptr);
    EXPECT_EQ(pa->number, 0x01020304);
    EXPECT_EQ(pa->number1, -2);
    EXPECT_STREQ(pa->name, "张三");
    EXPECT_STREQ(pa->phone, "13800");
    EXPECT_EQ(pa->sex, 1);
    EXPECT_STREQ(pa->adr, "X");
    RECORD_NODE* re = pa->lnext;
    ASSERT_NE(re, nullptr);
    EXPECT_EQ(re->next, nullptr);
    EXPECT_EQ(re->number1, -2);
    EXPECT_EQ(re->number2, 0x7FFFFFFF);
    EXPECT_STREQ(re->name, "王医生");
    EXPECT_EQ(re->lmoney, 12.5f);
    EXPECT_STREQ(re->ldate, "2024-01-02");
    EXPECT_STREQ(re->bdate, "");
    EXPECT_STREQ(re->tdate, "x");
    EXPECT_STREQ(re->tell, "ok");
}

template <std::size_t N>
void ExpectTerminated(const char (&field)[N], std::size_t want_len, const char* what) {
    SCOPED_TRACE(what);
    const void* nul = std::memchr(field, 0, N);
    ASSERT_NE(nul, nullptr);
    EXPECT_EQ(static_cast<std::size_t>(static_cast<const char*>(nul) - field), want_len);
    for (std::size_t i = want_len; i < N; ++i) EXPECT_EQ(field[i], '\0') << i;
}

TEST_F(StoreFormat, LoadTerminatesUnterminatedTextFieldsOnACharacterBoundary) {
    std::string d = DepartBytes(1, "");
    std::string p = PatientBytes(1, 2, "");
    std::string r = RecordBytes(2, 3);
    // Every text field full to its last byte, no NUL.
    std::string twenty_gbk;
    for (int i = 0; i < 10; ++i) twenty_gbk += "\xC4\xDA";
    d.replace(4, 20, twenty_gbk);             // name: 10 characters in 20 bytes
    d.replace(24, 20, std::string(20, 'a'));  // adr
    d.replace(44, 15, std::string(15, 'b'));  // phone
    p.replace(8, 20, std::string(20, 'c'));
    p.replace(28, 15, std::string(15, 'd'));
    p.replace(48, 30, std::string(30, 'e'));
    r.replace(8, 11, std::string(11, 'f'));
    r.replace(24, 11, "\xC4\xDA\xC4\xDA\xC4\xDA\xC4\xDA\xC4\xDA" "g");  // lead byte would not end it
    r.replace(35, 11, std::string(11, 'h'));
    r.replace(46, 11, std::string(11, 'i'));
    r.replace(57, 50, std::string(50, 'j'));
    WriteFile("depart.dat", d);
    WriteFile("patient.dat", p);
    WriteFile("record.dat", r);

    ASSERT_EQ(CreateList(), 1);
    ASSERT_NE(hp, nullptr);
    ASSERT_NE(hp->anext, nullptr);
    ASSERT_NE(hp->anext->lnext, nullptr);
    ExpectTerminated(hp->name, 18, "department name: 9 whole characters");
    ExpectTerminated(hp->adr, 19, "department adr");
    ExpectTerminated(hp->phone, 14, "department phone");
    PATIENT_NODE* pa = hp->anext;
    ExpectTerminated(pa->name, 19, "patient name");
    ExpectTerminated(pa->phone, 14, "patient phone");
    ExpectTerminated(pa->adr, 29, "patient adr");
    RECORD_NODE* re = pa->lnext;
    ExpectTerminated(re->name, 10, "doctor");
    ExpectTerminated(re->ldate, 10, "ldate: 5 whole characters");
    ExpectTerminated(re->bdate, 10, "bdate");
    ExpectTerminated(re->tdate, 10, "tdate");
    ExpectTerminated(re->tell, 49, "tell");

    // Stale bytes behind a NUL in the file do not reach memory either.
    FreeCollection(hp);
    hp = nullptr;
    std::string d2 = DepartBytes(5, "ab");
    d2.replace(7, 10, "STALESTALE");
    WriteFile("depart.dat", d2);
    ASSERT_EQ(CreateList(), 1);  // the patient and record files are still there
    ExpectTerminated(hp->name, 2, "name with stale bytes behind its NUL");
}

TEST_F(StoreFormat, SaveCutsAnUnterminatedFieldInMemoryToItsWidthLessOne) {
    DEPART_NODE* d = AddDept(1, "");
    std::memset(d->phone, 'p', sizeof d->phone);  // no NUL at all
    ASSERT_EQ(SaveSysData(), TRUE);
    std::string bytes = ReadFile("depart.dat");
    ASSERT_EQ(bytes.size(), store::kDepartSize);
    EXPECT_EQ(bytes.substr(44, 15), std::string(14, 'p') + '\0');
    EXPECT_EQ(bytes[59], '\0');
}

}  // namespace
