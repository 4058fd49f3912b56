// quorvel --export: the lists as a load shows them, in CSV; what it leaves
// out and says; and when it writes nothing.
#include "cli/cli.h"
#include "cli_helpers.h"
#include "store/commit.h"
#include "support/app_test.h"

namespace {

using namespace cli_test;
using ExportTest = AppTest;

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// As a load: every list reversed from the file, a child under the first
// parent with its number in that order; the orphan and the record cut short
// left out.
TEST_F(ExportTest, TheListsComeInTheOrderOfALoad) {
    WriteFolder("data", {{"depart.dat", DepartBytes(1, "一") + DepartBytes(2, "二") +
                                            DepartBytes(1, "三")},
                         {"patient.dat", PatientBytes(1, 11, "甲") + PatientBytes(1, 12, "乙") +
                                             PatientBytes(2, 21, "丙")},
                         {"record.dat", VisitBytes(11, 111, 45.5f, "a,\"b\"") +
                                            VisitBytes(11, 112, 0, "") +
                                            VisitBytes(21, 211, 1e3f, "x\ny") +
                                            VisitBytes(99, 999, 0, "") + "cut"}});
    std::string err;
    EXPECT_EQ(cli::Export("out/csv", "data", &err), cli::kProblems);
    EXPECT_NE(err.find("quorvel: 2 records that a load would leave out were not exported"),
              std::string::npos) << err;
    EXPECT_EQ(ReadFile("out/csv/departments.csv"),
              U8(u8"\uFEFF科室编号,科室名称,科室地址,科室电话\r\n1,三,,\r\n2,二,,\r\n1,一,,\r\n"));
    EXPECT_EQ(ReadFile("out/csv/patients.csv"),
              U8(u8"\uFEFF科室编号,病人编号,病人姓名,病人电话,病人性别,病人住址\r\n"
                 u8"1,12,乙,,0,\r\n1,11,甲,,0,\r\n2,21,丙,,0,\r\n"));
    EXPECT_EQ(ReadFile("out/csv/records.csv"),
              U8(u8"\uFEFF科室编号,病人编号,记录编号,主治医生,就诊费用,就诊日期,计划复诊日期,"
                 u8"实际复诊日期,详细说明\r\n"
                 u8"1,11,112,,0.00,,,,\r\n1,11,111,,45.50,,,,\"a,\"\"b\"\"\"\r\n"
                 u8"2,21,211,,1000.00,,,,\"x\ny\"\r\n"));
}

TEST_F(ExportTest, WhatStopsItWritesNothing) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> out;  // already in OUTDIR
        bool commit, locked;
        int status;
        const char* says;
    } cases[] = {
        {"a CSV file already there", {{"patients.csv", "keep"}}, false, false, cli::kProblems,
         "quorvel: out/patients.csv is there already\n"},
        {"an unfinished save", {}, true, false, cli::kCannotRead,
         "start Quorvel once in that folder to complete it\n"},
        {"a file there and an unfinished save: the higher status", {{"records.csv", "keep"}}, true,
         false, cli::kCannotRead, "unfinished"},
        {"the lock held", {}, false, true, cli::kCannotRead, "another copy of Quorvel held"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all("data");
        std::filesystem::remove_all("out");
        CopySamples("data");
        WriteFile("data/Quorvel.lock", "");
        if (c.commit) WriteFile("data/Quorvel.commit", "Quorvel commit\nend\n");
        if (!c.out.empty()) WriteFolder("out", c.out);
        store::FolderLock other("data");
        if (c.locked) {
            ASSERT_EQ(other.Take(store::Lock::kExclusive, false, 0), store::Locked::kYes);
        }

        std::string err;
        EXPECT_EQ(cli::Export("out", "data", &err, 100), c.status) << c.what;
        EXPECT_NE(err.find(c.says), std::string::npos) << c.what << ": " << err;
        EXPECT_NE(err.find("nothing was exported"), std::string::npos) << c.what;
        if (c.out.empty()) {
            EXPECT_FALSE(Exists("out")) << c.what;
        } else {
            std::vector<std::string> names;
            for (const auto& f : c.out) names.push_back(f.first);
            EXPECT_EQ(FolderEntries("out"), names) << c.what;
            EXPECT_EQ(ReadFile("out/" + names[0]), "keep") << c.what;
        }
        EXPECT_EQ(Exists("data/Quorvel.commit"), c.commit) << c.what;
    }
}

}  // namespace
