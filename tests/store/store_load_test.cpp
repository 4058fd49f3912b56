// The load command: its messages, cells and results, the order it rebuilds,
// and how it attaches children by their parent numbers.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;

class StoreLoad : public AppTest {
protected:
    // Departments 1 and 2, patients 11, 12 under 1 and 21 under 2, records
    // 111, 112 of patient 11 and 211 of patient 21.
    void SaveSample() {
        DEPART_NODE* d1 = AddDept(1, "one", "adr1", "111");
        DEPART_NODE* d2 = AddDept(2, "two", "adr2", "222");
        PATIENT_NODE* p11 = AddPatient(d1, 11, "p11", 1, "t11", "a11");
        AddPatient(d1, 12, "p12", 0);
        PATIENT_NODE* p21 = AddPatient(d2, 21, "p21", 2);
        AddRecord(p11, 111, "doc", 1.25f, "2024-01-01", "2024-02-01", "2024-02-02", "tell");
        AddRecord(p11, 112);
        AddRecord(p21, 211);
        ASSERT_EQ(SaveSysData(), TRUE);
        FreeCollection(hp);
        hp = nullptr;
    }

    // A collection that a load must either keep or replace.
    void SetPrevious() {
        DEPART_NODE* d = AddDept(77, "old");
        AddRecord(AddPatient(d, 78, "oldp"), 79);
    }

    // The message that starts at column 20 of row y, or "" for a blank row.
    std::string Message(int y) {
        std::string row = RowTrim(y);
        if (row.empty()) return "";
        EXPECT_EQ(row.substr(0, 20), std::string(20, ' ')) << "row " << y;
        return Utf8(row.substr(20));
    }
};

TEST_F(StoreLoad, EveryOutcomeShowsItsMessagesAtTheirCellsAndReturnsItsResult) {
    const std::string kPrevious = "77:old{78:oldp[79]}";
    const std::string kLoaded = "2:two{21:p21[211]} 1:one{12:p12[],11:p11[112,111]}";
    struct Case {
        const char* what;
        const char* depart;  // "sample", "none", or raw bytes kind
        bool patient;
        bool record;
        int result;
        const char* row5;
        const char* row7;
        const char* row9;
        const char* row11;
        std::string shape;
    } cases[] = {
        {"no data files", "none", false, false, 1, "科室信息数据文件打开失败!", "", "", "",
         kPrevious},
        {"empty department file", "empty", true, true, 1, "科室信息数据文件打开成功!",
         "科室信息数据文件加载失败!", "", "", kPrevious},
        {"only a partial department record", "partial", true, true, 1,
         "科室信息数据文件打开成功!", "科室信息数据文件加载失败!", "", "", kPrevious},
        {"departments only", "sample", false, false, 4, "科室信息数据文件打开成功!",
         "科室信息数据文件加载成功!", "病人信息数据文件打开失败!", "", "2:two{} 1:one{}"},
        {"no record file", "sample", true, false, 12, "科室信息数据文件打开成功!",
         "科室信息数据文件加载成功!", "病人信息数据文件打开成功!",
         "就诊记录信息数据文件打开失败!", "2:two{21:p21[]} 1:one{12:p12[],11:p11[]}"},
        {"all three files", "sample", true, true, 1, "科室信息数据文件打开成功!",
         "科室信息数据文件加载成功!", "病人信息数据文件打开成功!",
         "就诊记录信息数据文件打开成功!", kLoaded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreeCollection(hp);
        hp = nullptr;
        con::attach(&fe);
        std::remove("depart.dat");
        std::remove("patient.dat");
        std::remove("record.dat");
        SaveSample();
        std::string departs = ReadFile("depart.dat");
        if (std::string(c.depart) == "none") std::remove("depart.dat");
        if (std::string(c.depart) == "empty") WriteFile("depart.dat", "");
        if (std::string(c.depart) == "partial") WriteFile("depart.dat", departs.substr(0, 67));
        if (!c.patient) std::remove("patient.dat");
        if (!c.record) std::remove("record.dat");
        SetPrevious();
        DEPART_NODE* previous = hp;
        SetConsoleCursorPosition(gh_std_out, COORD{0, 30});
        con_printf("what the screen showed before");

        EXPECT_EQ(CreateList(), c.result);

        EXPECT_EQ(Message(5), Utf8(c.row5));
        EXPECT_EQ(Message(7), Utf8(c.row7));
        EXPECT_EQ(Message(9), Utf8(c.row9));
        EXPECT_EQ(Message(11), Utf8(c.row11));
        EXPECT_EQ(RowTrim(30), "") << "the load clears the screen first";
        EXPECT_EQ(fe.frames(), 0) << "the load never waits for input";
        EXPECT_EQ(Shape(hp), c.shape);
        if (c.shape == kPrevious) {
            EXPECT_EQ(hp, previous);
        }
    }
}

TEST_F(StoreLoad, SaveThenLoadReversesEveryListAndKeepsEveryField) {
    SaveSample();
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "2:two{21:p21[211]} 1:one{12:p12[],11:p11[112,111]}");

    DEPART_NODE* d1 = hp->next;
    EXPECT_STREQ(d1->adr, "adr1");
    EXPECT_STREQ(d1->phone, "111");
    PATIENT_NODE* p11 = d1->anext->next;
    EXPECT_EQ(p11->number, 1);
    EXPECT_EQ(p11->sex, 1);
    EXPECT_STREQ(p11->phone, "t11");
    EXPECT_STREQ(p11->adr, "a11");
    RECORD_NODE* r111 = p11->lnext->next;
    EXPECT_EQ(r111->number1, 11);
    EXPECT_STREQ(r111->name, "doc");
    EXPECT_EQ(r111->lmoney, 1.25f);
    EXPECT_STREQ(r111->ldate, "2024-01-01");
    EXPECT_STREQ(r111->bdate, "2024-02-01");
    EXPECT_STREQ(r111->tdate, "2024-02-02");
    EXPECT_STREQ(r111->tell, "tell");

    // A second save and load puts every list back in its first order.
    ASSERT_EQ(SaveSysData(), TRUE);
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "1:one{11:p11[111,112],12:p12[]} 2:two{21:p21[211]}");
}

TEST_F(StoreLoad, PartialTrailingRecordsAreIgnored) {
    for (std::size_t extra : {std::size_t{1}, std::size_t{40}}) {
        SCOPED_TRACE(extra);
        FreeCollection(hp);
        hp = nullptr;
        // Files a load took only in part would make the save ask first.
        for (const char* f : {"depart.dat", "patient.dat", "record.dat"}) std::remove(f);
        SaveSample();
        // Each file gets the first `extra` bytes of one more record.
        WriteFile("depart.dat", ReadFile("depart.dat") + DepartBytes(1, "x").substr(0, extra));
        WriteFile("patient.dat",
                  ReadFile("patient.dat") + PatientBytes(1, 13, "y").substr(0, extra));
        WriteFile("record.dat", ReadFile("record.dat") + RecordBytes(11, 113).substr(0, extra));
        ASSERT_EQ(CreateList(), 1);
        EXPECT_EQ(Shape(hp), "2:two{21:p21[211]} 1:one{12:p12[],11:p11[112,111]}");
    }
    // The largest partial record of each kind.
    FreeCollection(hp);
    hp = nullptr;
    WriteFile("depart.dat", DepartBytes(3, "d") + std::string(67, 'x'));
    WriteFile("patient.dat", PatientBytes(3, 4, "p") + std::string(87, 'x'));
    WriteFile("record.dat", RecordBytes(4, 5) + std::string(111, 'x'));
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "3:d{4:p[5]}");
}

TEST_F(StoreLoad, OrphansAreDroppedSilently) {
    WriteFile("depart.dat", DepartBytes(1, "one") + DepartBytes(2, "two"));
    WriteFile("patient.dat", PatientBytes(7, 70, "orphan") + PatientBytes(2, 20, "p20"));
    // 70's department is missing, so its record goes too; 99 was never there.
    WriteFile("record.dat", RecordBytes(70, 700) + RecordBytes(20, 200) + RecordBytes(99, 990));
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "2:two{20:p20[200]} 1:one{}");
    EXPECT_EQ(Utf8(RowTrim(11).substr(20)), Utf8("就诊记录信息数据文件打开成功!"));
}

TEST_F(StoreLoad, DuplicateNumbersAttachToTheFirstParentInTheRebuiltOrder) {
    // Two departments numbered 3: the one stored last comes first and takes
    // every patient of number 3. Two patients numbered 5: the first of them
    // in the rebuilt order (department by department) takes every record of 5.
    WriteFile("depart.dat", DepartBytes(3, "first3") + DepartBytes(4, "four") +
                                DepartBytes(3, "last3"));
    WriteFile("patient.dat", PatientBytes(4, 5, "p5in4") + PatientBytes(3, 6, "p6") +
                                 PatientBytes(3, 5, "p5in3"));
    WriteFile("record.dat", RecordBytes(5, 50) + RecordBytes(6, 60) + RecordBytes(5, 51));
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "3:last3{5:p5in3[51,50],6:p6[60]} 4:four{5:p5in4[]} 3:first3{}");
}

TEST_F(StoreLoad, LoadingAgainReplacesTheCollectionAndNeverMerges) {
    SaveSample();
    ASSERT_EQ(CreateList(), 1);
    // The replaced nodes are released: the sanitizer build reports them
    // otherwise.
    ASSERT_EQ(CreateList(), 1);
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "2:two{21:p21[211]} 1:one{12:p12[],11:p11[112,111]}");
}

// Only regular files are read: a FIFO is never waited on, a device never read.
TEST_F(StoreLoad, AFifoADeviceOrAFolderInPlaceOfADataFileCannotBeOpened) {
    enum Kind { kFifo, kZero, kFolder };
    struct Case {
        const char* file;
        Kind kind;
        int result;
        int row;
        const char* message;
        std::string shape;
    } cases[] = {
        {"patient.dat", kFifo, 4, 9, "病人信息数据文件打开失败!", "2:two{} 1:one{}"},
        {"depart.dat", kZero, 1, 5, "科室信息数据文件打开失败!", "77:old{78:oldp[79]}"},
        {"record.dat", kFolder, 12, 11, "就诊记录信息数据文件打开失败!",
         "2:two{21:p21[]} 1:one{12:p12[],11:p11[]}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        for (const char* f : {"depart.dat", "patient.dat", "record.dat"}) std::remove(f);
        SaveSample();
        std::remove(c.file);
        int made = c.kind == kFifo   ? ::mkfifo(c.file, 0600)
                   : c.kind == kZero ? ::symlink("/dev/zero", c.file)
                                     : ::mkdir(c.file, 0700);
        ASSERT_EQ(made, 0);
        SetPrevious();
        EXPECT_EQ(CreateList(), c.result);
        EXPECT_EQ(Message(c.row), Utf8(c.message));
        EXPECT_EQ(Shape(hp), c.shape);
        FreeCollection(hp);
        hp = nullptr;
        std::filesystem::remove(c.file);
    }
}

TEST_F(StoreLoad, AnEmptyDepartmentFileKeepsTheSessionAndTheUnsavedCollection) {
    ASSERT_EQ(SaveSysData(), TRUE);  // an empty collection: three empty files
    EXPECT_EQ(ReadFile("depart.dat"), "");
    SetPrevious();
    DEPART_NODE* previous = hp;
    EXPECT_NE(CreateList(), 0);
    EXPECT_EQ(hp, previous);
    EXPECT_EQ(Shape(hp), "77:old{78:oldp[79]}");
}

int g_allocs_left = 0;
void* FailingAlloc(std::size_t size) {
    if (g_allocs_left-- <= 0) return nullptr;
    return std::calloc(1, size);
}

TEST_F(StoreLoad, MemoryRunningOutKeepsThePreviousCollection) {
    struct Case {
        const char* what;
        int allocs;  // nodes that can still be had
        int row;     // where the message goes
    } cases[] = {
        {"first department", 0, 7},
        {"second department", 1, 7},
        {"first patient", 2, 11},
        {"last record", 7, 13},
    };
    SaveSample();
    void* (*real_alloc)(std::size_t) = gp_alloc_node;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        con::attach(&fe);
        FreeCollection(hp);
        hp = nullptr;
        SetPrevious();
        DEPART_NODE* previous = hp;
        g_allocs_left = c.allocs;
        gp_alloc_node = FailingAlloc;
        int result = CreateList();
        gp_alloc_node = real_alloc;

        EXPECT_EQ(result, 1);
        EXPECT_EQ(hp, previous);
        EXPECT_EQ(Shape(hp), "77:old{78:oldp[79]}");
        EXPECT_EQ(Message(c.row), Utf8("内存不足！数据未加载。"));
        EXPECT_EQ(Message(5), Utf8("科室信息数据文件打开成功!"));
    }
    // With memory enough, all 8 nodes load.
    g_allocs_left = 8;
    gp_alloc_node = FailingAlloc;
    int result = CreateList();
    gp_alloc_node = real_alloc;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Shape(hp), "2:two{21:p21[211]} 1:one{12:p12[],11:p11[112,111]}");
}

}  // namespace
