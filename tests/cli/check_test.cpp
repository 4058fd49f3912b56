// quorvel --check: the counts of the samples, one line for each kind of
// problem, the folder left as it was. (A held lock: export_test.cpp and
// e2e/cli.sh.)
#include <sstream>
#include <vector>

#include "cli/cli.h"
#include "cli_helpers.h"
#include "support/app_test.h"

namespace {

using namespace cli_test;
using CheckTest = AppTest;

std::vector<std::string> ProblemLines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("problem: ", 0) == 0) lines.push_back(line);
    return lines;
}

TEST_F(CheckTest, TheSamplesAreSoundAndTheFolderStaysAsItWas) {
    CopySamples("data");
    WriteFile("data/BackupSysData.dat", U32(1) + U32(0) + U32(0) + DepartBytes(5, "x"));
    std::string out, err;
    EXPECT_EQ(cli::Check("data", &out, &err), cli::kAllWell);
    EXPECT_EQ(out,
              "depart.dat: 4 departments\n"
              "patient.dat: 12 patients\n"
              "record.dat: 20 visit records\n"
              "BackupSysData.dat: 1 department, 0 patients, 0 visit records\n"
              "no problems found\n");
    EXPECT_EQ(err, "quorvel: note: no data/Quorvel.lock, reading without the lock\n");
    EXPECT_EQ(FolderEntries("data"), (std::vector<std::string>{"BackupSysData.dat", "depart.dat",
                                                                "patient.dat", "record.dat"}));
    EXPECT_FALSE(Exists("data/Quorvel.lock"));

    // An empty folder is an empty collection.
    std::filesystem::create_directory("empty");
    out.clear();
    EXPECT_EQ(cli::Check("empty", &out, &err), cli::kAllWell);
    EXPECT_EQ(out, "depart.dat: absent\npatient.dat: absent\nrecord.dat: absent\n"
                   "BackupSysData.dat: absent\nno problems found\n");
}

TEST_F(CheckTest, EachKindOfProblemHasItsLine) {
    const std::string d1 = DepartBytes(1, "one"), p11 = PatientBytes(1, 11, "p");
    std::string no_nul = d1;
    no_nul.replace(4, 20, std::string(20, 'A'));  // the name's whole width
    struct Case {
        const char* what;
        std::map<std::string, std::string> files;
        std::vector<std::string> lines;
    } cases[] = {
        {"cut short",
         {{"depart.dat", d1 + "0123456789"}, {"patient.dat", ""}, {"record.dat", ""}},
         {"problem: records cut short at a file's end: 1: depart.dat: 10 bytes after 1 department"}},
        {"patients without their department, and so their visit records",
         {{"depart.dat", d1},
          {"patient.dat", p11 + PatientBytes(9, 91, "") + PatientBytes(9, 92, "") +
                              PatientBytes(8, 81, "") + PatientBytes(7, 71, "")},
          {"record.dat", RecordBytes(11, 1) + RecordBytes(91, 2)}},
         {"problem: patients whose department is missing: 4: patient.dat #2: patient 91 of "
          "department 9; patient.dat #3: patient 92 of department 9; patient.dat #4: patient "
          "81 of department 8; ...",
          "problem: visit records whose patient is missing: 1: record.dat #2: visit record 2 of "
          "patient 91"}},
        {"numbers held twice",
         {{"depart.dat", d1 + DepartBytes(2, "") + DepartBytes(1, "") + DepartBytes(1, "")},
          {"patient.dat", p11 + PatientBytes(2, 11, "")},
          {"record.dat", RecordBytes(11, 1) + RecordBytes(11, 1)}},
         {"problem: department numbers held by more than one department: 1: depart.dat: "
          "department number 1 (3 departments)",
          "problem: patient numbers held by more than one patient: 1: patient.dat: patient "
          "number 11 (2 patients)"}},
        {"text without its NUL, and bytes that are no GBK",
         {{"depart.dat", no_nul + DepartBytes(2, "\xFF")},
          {"patient.dat", PatientBytes(2, 21, "ok\xC4\xDA\xC4")},
          {"record.dat", ""}},
         {"problem: text fields without their terminating NUL: 1: depart.dat #1 (department 1): "
          "name",
          "problem: text fields holding bytes that are not GBK: 2: depart.dat #2 (department 2): "
          "name; patient.dat #1 (patient 21): name"}},
        {"a data file missing",
         {{"patient.dat", ""}},
         {"problem: data files missing while another one exists: 2: depart.dat; record.dat"}},
        {"a backup shorter than its counts, an unfinished save, a recovery file",
         {{"BackupSysData.dat", U32(1) + U32(1) + U32(0) + d1},
          {"Quorvel.commit", "Quorvel commit\nend\n"},
          {"Quorvel.recover", ""},
          {"Quorvel.recover.bad", ""}},
         {"problem: backup whose header counts exceed its length: 1: BackupSysData.dat: its "
          "counts need 168 bytes, it holds 80",
          "problem: unfinished save: 1: data/Quorvel.commit",
          "problem: recovery file present: 2: data/Quorvel.recover; data/Quorvel.recover.bad"}},
        {"the backup's records are checked too",
         {{"BackupSysData.dat", U32(1) + U32(1) + U32(0) + d1 + PatientBytes(9, 91, "")}},
         {"problem: patients whose department is missing: 1: BackupSysData.dat patient #1: "
          "patient 91 of department 9"}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all("data");
        WriteFolder("data", c.files);
        std::string out, err;
        EXPECT_EQ(cli::Check("data", &out, &err), cli::kProblems) << c.what;
        EXPECT_EQ(ProblemLines(out), c.lines) << c.what << "\n" << out;
        std::vector<std::string> names;  // nothing made, removed or completed
        for (const auto& f : c.files) names.push_back(f.first);
        EXPECT_EQ(FolderEntries("data"), names) << c.what;
    }
}

TEST_F(CheckTest, AFileThatCannotBeReadOutranksTheProblems) {
    WriteFolder("data", {{"patient.dat", PatientBytes(1, 11, "")}});
    std::filesystem::create_directory("data/depart.dat");
    std::string out, err;
    EXPECT_EQ(cli::Check("data", &out, &err), cli::kCannotRead);
    EXPECT_NE(out.find("depart.dat: could not be read\n"), std::string::npos) << out;
    EXPECT_NE(err.find("cannot read data/depart.dat: it is not a file"), std::string::npos) << err;
    EXPECT_EQ(ProblemLines(out).size(), 2u) << out;  // its patient, the missing record.dat
}

}  // namespace
