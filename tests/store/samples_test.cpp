// The sample collection of samples/: the committed files load, and hold just
// what tools/samples.cpp makes, so they cannot drift from their generator.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "samples.h"
#include "store/format.h"
#include "support/app_test.h"

namespace {

const char* const kFiles[] = {"depart.dat", "patient.dat", "record.dat"};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void CopySamplesHere() {
    for (const char* f : kFiles) {
        std::string bytes = ReadFile(std::string(QUORVEL_SAMPLES_DIR) + "/" + f);
        std::ofstream(f, std::ios::binary) << bytes;
    }
}

using SamplesTest = AppTest;

// A load gives every list in the tables' order, which is the reading order:
// numbers rising along every list.
TEST_F(SamplesTest, CommittedFilesLoadInTheTablesOrder) {
    CopySamplesHere();
    ASSERT_EQ(CreateList(), 1);

    const auto departs = samples::Departments();
    const auto patients = samples::Patients();
    const auto records = samples::Records();
    std::size_t di = 0, patients_seen = 0, records_seen = 0;
    for (const DEPART_NODE* d = hp; d; d = d->next, ++di) {
        ASSERT_LT(di, departs.size());
        const samples::Department& td = departs[di];
        EXPECT_EQ(d->number, td.number);
        EXPECT_EQ(Utf8(d->name), Utf8(td.name));
        EXPECT_EQ(Utf8(d->adr), Utf8(td.adr));
        EXPECT_EQ(Utf8(d->phone), Utf8(td.phone));
        if (d->next) {
            EXPECT_LT(d->number, d->next->number);
        }

        std::vector<const samples::Patient*> want_patients;
        for (const auto& tp : patients)
            if (tp.department == td.number) want_patients.push_back(&tp);
        std::size_t pi = 0;
        for (const PATIENT_NODE* p = d->anext; p; p = p->next, ++pi, ++patients_seen) {
            ASSERT_LT(pi, want_patients.size()) << "department " << d->number;
            const samples::Patient& tp = *want_patients[pi];
            EXPECT_EQ(p->number, tp.department);
            EXPECT_EQ(p->number1, tp.number);
            EXPECT_EQ(Utf8(p->name), Utf8(tp.name));
            EXPECT_EQ(Utf8(p->phone), Utf8(tp.phone));
            EXPECT_EQ(p->sex, tp.sex);
            EXPECT_EQ(Utf8(p->adr), Utf8(tp.adr));
            if (p->next) {
                EXPECT_LT(p->number1, p->next->number1);
            }

            std::vector<const samples::Record*> want_records;
            for (const auto& tr : records)
                if (tr.patient == tp.number) want_records.push_back(&tr);
            std::size_t ri = 0;
            for (const RECORD_NODE* r = p->lnext; r; r = r->next, ++ri, ++records_seen) {
                ASSERT_LT(ri, want_records.size()) << "patient " << p->number1;
                const samples::Record& tr = *want_records[ri];
                EXPECT_EQ(r->number1, tr.patient);
                EXPECT_EQ(r->number2, tr.number);
                EXPECT_EQ(Utf8(r->name), Utf8(tr.doctor));
                EXPECT_EQ(r->lmoney, tr.fee);
                EXPECT_EQ(std::string(r->ldate), tr.ldate);
                EXPECT_EQ(std::string(r->bdate), tr.bdate);
                EXPECT_EQ(std::string(r->tdate), tr.tdate);
                EXPECT_EQ(Utf8(r->tell), Utf8(tr.tell));
                if (r->next) {
                    EXPECT_LT(r->number2, r->next->number2);
                }
            }
            EXPECT_EQ(ri, want_records.size()) << "patient " << p->number1;
        }
        EXPECT_EQ(pi, want_patients.size()) << "department " << d->number;
    }
    EXPECT_EQ(di, departs.size());
    // Every patient and record of the tables has its parent there.
    EXPECT_EQ(patients_seen, patients.size());
    EXPECT_EQ(records_seen, records.size());
}

// Saving what the generator builds gives the committed files byte for byte.
TEST_F(SamplesTest, CommittedFilesAreTheGeneratorsOutput) {
    hp = samples::Build();
    SaveSysData();
    for (const char* f : kFiles) {
        std::string committed = ReadFile(std::string(QUORVEL_SAMPLES_DIR) + "/" + f);
        std::string generated = ReadFile(f);
        EXPECT_FALSE(generated.empty()) << f;
        EXPECT_TRUE(committed == generated) << f << " is stale: run make samples";
    }
    EXPECT_EQ(ReadFile("depart.dat").size(), samples::Departments().size() * store::kDepartSize);
    EXPECT_EQ(ReadFile("record.dat").size(), samples::Records().size() * store::kRecordSize);
}

}  // namespace
