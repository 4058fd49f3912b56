// One whole working session, from start-up to the closing dialog, worked only
// through the menus with keys and clicks as a user would: every command at
// every level, the queries and the look-up, the listings, the help screens,
// save, load, backup, restore and exit. The collection is checked whenever the
// main loop waits again after a stage, and the files when the program has
// ended. In the sanitizer build this case is its own process under
// LeakSanitizer: a node that a command drops without freeing fails it.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "session/session_support.h"
#include "store/format.h"

namespace {

using namespace session_test;
using store_test::ReadFile;

using FullSession = SessionTest;

TEST_F(FullSession, EveryCommandFromTheMenusThenTheFilesHoldTheLastSave) {
    // Departments: Add menu by its letters.
    Menu('A', 'm');
    user.type("1\n内科\n一号楼\n5550101\ny\n2\n外科\n二号楼\n5550202\nn\n");
    user.Checkpoint([&] {
        ExpectShape("2:外科{} 1:内科{}");
        ExpectRecoveryHolds();
        ASSERT_NE(Dept(1), nullptr);
        EXPECT_EQ(Utf8(Dept(1)->adr), Utf8("一号楼"));
        EXPECT_STREQ(Dept(1)->phone, "5550101");
    });

    // Patients: by the arrows, then by clicks.
    user.alt('A');
    user.down().down().enter();
    user.type("1\n11\n张三\n13800000001\n1\n武昌\ny\n12\n李四\n13800000002\n0\n汉口\nn\n");
    ClickMenu(2, 2);
    user.type("2\n21\n王五\n13800000003\n1\n汉阳\nn\n");
    user.Checkpoint([&] {
        ExpectShape("2:外科{21:王五[]} 1:内科{12:李四[],11:张三[]}");
        ExpectRecoveryHolds();
        const PATIENT_NODE* p = Patient(11);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->number, 1);
        EXPECT_EQ(p->sex, 1);
        EXPECT_STREQ(p->phone, "13800000001");
        EXPECT_EQ(Utf8(p->adr), Utf8("武昌"));
    });

    // Visit records: two for one patient, then one after the look-up dialogue.
    Menu('A', 'o');
    user.type("1\nn\n11\n" + Form(111, "赵医生", "12.5", "初诊") + "y\n" +
              Form(112, "孙医生", "20", "复诊") + "n\n");
    Menu('A', 'o');
    user.type("2\ny\n21\nn\n21\n" + Form(211, "钱医生", "30", "骨折") + "n\n");
    user.Checkpoint([&] {
        ExpectShape("2:外科{21:王五[211]} 1:内科{12:李四[],11:张三[112,111]}");
        ExpectRecoveryHolds();
        const RECORD_NODE* r = Record(111);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->number1, 11);
        EXPECT_EQ(Utf8(r->name), Utf8("赵医生"));
        EXPECT_FLOAT_EQ(r->lmoney, 12.5f);
        EXPECT_STREQ(r->ldate, "2024-01-05");
        EXPECT_STREQ(r->bdate, "2024-02-05");
        EXPECT_STREQ(r->tdate, "2024-02-06");
        EXPECT_EQ(Utf8(r->tell), Utf8("初诊"));
        EXPECT_EQ(Record(211)->number1, 21);
    });

    // Modify at the three levels.
    Menu('M', 'm');
    user.type("1\n1\n心内科\n一号楼\n5550111\n");
    Menu('M', 'z');
    user.type("12\n12\n李四\n13900000002\n0\n汉阳\nx");
    Menu('M', 'o');
    user.type("111\n" + Form(111, "赵医生", "99.5", "复查") + "x");
    user.Checkpoint([&] {
        ExpectShape("2:外科{21:王五[211]} 1:心内科{12:李四[],11:张三[112,111]}");
        ExpectRecoveryHolds();
        EXPECT_STREQ(Dept(1)->phone, "5550111");
        EXPECT_STREQ(Patient(12)->phone, "13900000002");
        EXPECT_EQ(Utf8(Patient(12)->adr), Utf8("汉阳"));
        EXPECT_EQ(Patient(12)->number, 1);
        EXPECT_FLOAT_EQ(Record(111)->lmoney, 99.5f);
        EXPECT_EQ(Utf8(Record(111)->tell), Utf8("复查"));
        EXPECT_EQ(Record(111)->number1, 11);
    });

    // Insert after a named entry at the three levels.
    Menu('I', 'm');
    user.type("2\ny\n3\n眼科\n三号楼\n5550303\nx");
    Menu('I', 'z');
    user.type("11\ny\n13\n赵六\n13800000004\n1\n江夏\nx");
    Menu('I', 'o');
    user.type("1\n11\n112\ny\n" + Form(113, "吴医生", "15", "换药") + "x");
    const char* const after_inserts =
        "2:外科{21:王五[211]} 3:眼科{} 1:心内科{12:李四[],11:张三[112,113,111],13:赵六[]}";
    user.Checkpoint([&] {
        ExpectShape(after_inserts);
        ExpectRecoveryHolds();
        EXPECT_EQ(Patient(13)->number, 1);
        EXPECT_EQ(Record(113)->number1, 11);
        EXPECT_FLOAT_EQ(Record(113)->lmoney, 15.0f);
    });

    // The three queries; each leaves its answer on the screen.
    Menu('Q', 'm');
    user.type("3\n");
    user.Checkpoint([&] { EXPECT_TRUE(ScreenHas("5550303")); }, con::Wait::Key);
    user.type("x");
    Menu('Q', 'z');
    user.type("13\n");
    user.Checkpoint([&] { EXPECT_TRUE(ScreenHas("赵六病人的信息为")); });
    Menu('Q', 'o');
    user.type("113\n");
    user.Checkpoint([&] {
        EXPECT_TRUE(ScreenHas("吴医生"));
        EXPECT_TRUE(ScreenHas("15.00"));
    });

    // The three listings, the help topic and About, by clicks; the help topic
    // also by its letter and by F1.
    ClickMenu(7, 1);
    user.Checkpoint([&] {
        EXPECT_TRUE(ScreenHas("5550202"));
        EXPECT_TRUE(ScreenHas("三号楼"));
    });
    ClickMenu(7, 2);
    user.Checkpoint([&] {
        EXPECT_TRUE(ScreenHas("13800000004"));
        EXPECT_TRUE(ScreenHas("13900000002"));
    });
    ClickMenu(7, 3);
    user.Checkpoint([&] {
        EXPECT_TRUE(ScreenHas("钱医生"));
        EXPECT_TRUE(ScreenHas("99.50"));
    });
    ClickMenu(7, 5);
    user.Checkpoint([&] { EXPECT_TRUE(ScreenHas("五大功能")); });
    ClickMenu(7, 6);
    user.Checkpoint([&] { EXPECT_TRUE(ScreenHas("欢迎使用本系统")); });
    Menu('H', 't');
    user.f1();
    user.Checkpoint([&] {
        EXPECT_TRUE(ScreenHas("五大功能"));
        ExpectShape(after_inserts);  // nothing of the above changed anything
    });

    // Save, then back up by clicks.
    Menu('F', 's');
    user.Checkpoint([&] {
        EXPECT_EQ(ReadFile("depart.dat").size(), 3 * store::kDepartSize);
        EXPECT_EQ(ReadFile("patient.dat").size(), 4 * store::kPatientSize);
        EXPECT_EQ(ReadFile("record.dat").size(), 4 * store::kRecordSize);
    });
    ClickMenu(1, 3);
    user.Checkpoint([&] {
        EXPECT_EQ(ReadFile("BackupSysData.dat").size(),
                  store::kBackupHeaderSize + 3 * store::kDepartSize + 4 * store::kPatientSize +
                      4 * store::kRecordSize);
    });

    // Delete at the three levels.
    Menu('D', 'o');
    user.type("1\n11\n113\ny\nx");
    Menu('D', 'z');
    user.type("12\ny\nx");
    Menu('D', 'm');
    user.type("3\ny\nx");
    user.Checkpoint([&] {
        ExpectShape("2:外科{21:王五[211]} 1:心内科{11:张三[112,111],13:赵六[]}");
        ExpectRecoveryHolds();
    });

    // Load what was saved: every list comes back reversed. The deletions are
    // unsaved work, so the load asks first: 确定 throws them away.
    const char* const saved_reloaded =
        "1:心内科{13:赵六[],11:张三[111,113,112],12:李四[]} 3:眼科{} 2:外科{21:王五[211]}";
    Menu('F', 'l');
    user.left().enter();
    user.Checkpoint([&] {
        ExpectShape(saved_reloaded);
        EXPECT_FLOAT_EQ(Record(111)->lmoney, 99.5f);
    });

    // Delete a department with its patients and records, then restore the
    // backup, which was taken of the same collection as the save.
    Menu('D', 'm');
    user.type("1\ny\nx");
    user.Checkpoint([&] { ExpectShape("3:眼科{} 2:外科{21:王五[211]}"); });
    ClickMenu(1, 4);
    user.Checkpoint([&] { ExpectShape(saved_reloaded); });

    // A last change, saved by clicks, then leave: Alt+X, Enter on "确定", and
    // Enter on the closing dialog.
    Menu('D', 'z');
    user.type("21\ny\nx");
    ClickMenu(1, 2);
    Leave();

    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(user.checks_run(), user.checks());
    EXPECT_LE(user.pending(), 1u);  // at most the key-up of the last Enter
    const char* const final_shape =
        "1:心内科{13:赵六[],11:张三[111,113,112],12:李四[]} 3:眼科{} 2:外科{}";
    ExpectShape(final_shape);

    // The files: the last save, and the backup of before the deletions.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Dir()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"BackupSysData.dat", "Quorvel.lock", "depart.dat",
                                               "patient.dat", "record.dat"}));
    ReleaseSys();
    con::attach(&user);
    ASSERT_EQ(CreateList(), 1);
    ExpectShape("2:外科{} 3:眼科{} 1:心内科{12:李四[],11:张三[112,113,111],13:赵六[]}");
    ASSERT_NE(Record(111), nullptr);
    EXPECT_FLOAT_EQ(Record(111)->lmoney, 99.5f);
    EXPECT_EQ(Utf8(Record(111)->name), Utf8("赵医生"));
    EXPECT_EQ(Utf8(Patient(13)->adr), Utf8("江夏"));
    EXPECT_STREQ(Dept(1)->phone, "5550111");
    const std::string backup = ReadFile("BackupSysData.dat");
    ASSERT_GE(backup.size(), store::kBackupHeaderSize);
    const auto* header = reinterpret_cast<const unsigned char*>(backup.data());
    EXPECT_EQ(store::GetU32(header), 3u);
    EXPECT_EQ(store::GetU32(header + 4), 4u);
    EXPECT_EQ(store::GetU32(header + 8), 4u);
}

// A session cut off with a sub-menu open and typed-ahead input left over: the
// release gives back everything, and the program starts again from nothing in
// the same process.
TEST_F(FullSession, ReleaseAfterASessionCutShortLetsTheProgramStartAgain) {
    AddPatient(AddDept(1, "内科"), 13, "赵六");
    Menu('Q', 'z');
    user.type("13 rest\n");  // the query leaves "rest" in the standard-input buffer
    user.alt('F');
    EXPECT_THROW(QuorvelMain(), con::InputClosed);
    ASSERT_NE(gp_top_layer, nullptr);
    EXPECT_NE(gp_top_layer->LayerNo, 0);  // the File menu is open

    ReleaseSys();
    EXPECT_EQ(hp, nullptr);
    EXPECT_EQ(gp_top_layer, nullptr);
    EXPECT_EQ(gp_scr_att, nullptr);
    EXPECT_EQ(gp_buff_menubar_info, nullptr);
    EXPECT_EQ(gp_buff_stateBar_info, nullptr);
    EXPECT_EQ(gi_sel_menu, 1);
    EXPECT_EQ(gi_sel_sub_menu, 0);

    // The next form reads only what is typed now.
    con::attach(&user);
    user.clear();
    Menu('A', 'm');
    user.type("8\n眼科\n-\n-\nn\n");
    Leave();
    EXPECT_EQ(QuorvelMain(), 0);
    ExpectShape("8:眼科{}");
    EXPECT_EQ(Layer(0, 0), 0);
    EXPECT_EQ(Tag(BarX(1), 0), 1);
}

}  // namespace
