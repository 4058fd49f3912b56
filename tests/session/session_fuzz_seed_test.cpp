// The seed inputs of the session fuzz target: typical sessions, each run here
// through the whole program from the files the target lays, and checked for
// what it was meant to do. With QUORVEL_SESSION_CORPUS set to a directory the
// seeds are written there (fuzz/corpus/session).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../fuzz/session_input.h"
#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace session_fuzz;
using store_test::Shape;

// Alt+X, Enter on "确定", then Enter on the closing dialog's "确定".
std::string Leave() { return Alt('X') + "\n\n"; }

struct Seed {
    const char* name;
    std::string input;
    std::string shape;  // the collection when the session has ended
};

const char kStart[] = "1:内科{11:张三[111,112],12:李四[]} 2:外科{21:王五[211]}";
// The starting collection as a load or a restore rebuilds it: every list reversed.
const char kReloaded[] = "2:外科{21:王五[211]} 1:内科{12:李四[],11:张三[112,111]}";

std::vector<Seed> Seeds() {
    const std::string record_form = "113\n钱医生\n20.5\n2024-05-01\n2024-06-01\n2024-06-02\n初诊\n";
    return {
        {"menus",
         Alt('F') + "\x04\x04\x02\x03\x03\x03\x03\x03\x03\x03\x1b\x01\n\x1b\x05" + Alt('H') + "a" +
             Click(3, 0) + At(kMove, 5, 3) + At(kRightClick, 3, 0) + Click(-3, 120) +
             Click(160, 5) + std::string{kWheel, 20, 20, 1} + Leave(),
         kStart},
        {"add-departments", Alt('A') + "m3\n眼科\n三号楼\n5550303\ny\n4\n儿科\n四号楼\n5550404\nn\n" + Leave(),
         std::string("4:儿科{} 3:眼科{} ") + kStart},
        {"add-patient", Alt('A') + "z1\n13\n赵六\n13900000000\n1\n汉口\nn\n" + Leave(),
         "1:内科{13:赵六[],11:张三[111,112],12:李四[]} 2:外科{21:王五[211]}"},
        {"add-record", Alt('A') + "o1\nn\n11\n" + record_form + "n\n" + Leave(),
         "1:内科{11:张三[113,111,112],12:李四[]} 2:外科{21:王五[211]}"},
        {"add-record-look-up",
         Alt('A') + "o2\ny\n21\ny\n99\nn\n21\n212\n孙医生\n8\n2024-07-01\n-\n-\n复诊\nn\n" + Leave(),
         "1:内科{11:张三[111,112],12:李四[]} 2:外科{21:王五[212,211]}"},
        {"modify",
         Alt('M') + "m1\n1\n心内科\n一号楼\n5550111\n" + Alt('M') +
             "z12\n12\n李思\n13700000000\n0\n汉阳\nx" + Alt('M') +
             "o211\n215\n周医生\n30\n2024-03-02\n2024-04-02\n2024-04-03\n已愈\nx" + Leave(),
         "1:心内科{11:张三[111,112],12:李思[]} 2:外科{21:王五[215]}"},
        {"insert",
         Alt('I') + "m1\ny\n5\n急诊科\n五号楼\n5550505\nx" + Alt('I') +
             "z11\ny\n14\n孙七\n13600000000\n1\n江夏\nx" + Alt('I') +
             "o1\n11\n111\ny\n114\n吴医生\n15\n2024-08-01\n-\n-\n备注\nx" + Leave(),
         "1:内科{11:张三[111,114,112],14:孙七[],12:李四[]} 5:急诊科{} 2:外科{21:王五[211]}"},
        {"delete",
         Alt('D') + "o1\n11\n112\ny\nx" + Alt('D') + "z12\ny\nx" + Alt('D') + "m2\ny\nx" + Leave(),
         "1:内科{11:张三[111]}"},
        {"query", Alt('Q') + "m1\nx" + Alt('Q') + "z11\n" + Alt('Q') + "o111\n" + Alt('Q') + "o999\nx" + Leave(),
         kStart},
        {"listings-and-help",
         Alt('H') + "\x04\n" + Alt('H') + "\x04\x04\n" + Alt('H') + "\x04\x04\x04\n" + Alt('H') + "t" +
             Alt('H') + "a\x05" + Leave(),
         kStart},
        // The files were laid, not loaded: each save asks first, and is told to
        // go on; so does the load, which would throw away the unsaved deletion.
        {"save-then-load",
         Alt('A') + "m3\n眼科\n三号楼\n5550303\nn\n" + Alt('F') + "s\x01\n" + Alt('D') + "m3\ny\nx" + Alt('F') +
             "l\x01\n" + Leave(),
         std::string(kReloaded) + " 3:眼科{}"},
        {"backup-then-restore",
         Alt('F') + "b" + Alt('A') + "m3\n眼科\n-\n-\nn\n" + Alt('F') + "r" + Leave(), kReloaded},
        {"exit-cancelled", Alt('X') + "\x03\n" + Alt('F') + "x\n\x03\n", kStart},
        {"mouse-save", Click(3, 0) + Click(5, 3) + Click(56, 51) + Click(3, 0) + At(kMove, 5, 2) + At(kRightClick, 3, 0) +
                           Click(40, 50) + Click(3, 0) + Click(5, 6) + "\n\n",
         kStart},
        {"typing-chinese",
         Alt('A') + "m3\n眼\b科室\nabc\x1b三号楼\n" + std::string{kGbk, 0x40, 0x20} + "\nn\n" + Leave(),
         std::string("3:科室{} ") + kStart},
    };
}

class SessionFuzzSeeds : public AppTest {
protected:
    // What the target lays before every session: the starting collection's
    // data files and a backup of it.
    void LayStartingFiles() {
        for (const char* name : {"depart.dat", "patient.dat", "record.dat", "BackupSysData.dat",
                                 "Quorvel.recover"})
            std::remove(name);
        hp = StartingCollection();
        ASSERT_EQ(SaveSysData(), TRUE);
        ASSERT_EQ(BackupSysData(), TRUE);
        ReleaseSys();
    }
};

TEST_F(SessionFuzzSeeds, EachSeedDoesWhatItsNameSaysAndEndsAtTheExit) {
    for (const Seed& seed : Seeds()) {
        SCOPED_TRACE(seed.name);
        LayStartingFiles();
        con::attach(&fe);
        fe.clear();
        Feed(reinterpret_cast<const std::uint8_t*>(seed.input.data()), seed.input.size(), fe);
        hp = StartingCollection();
        ASSERT_EQ(Shape(hp), kStart);

        EXPECT_NO_THROW(EXPECT_EQ(QuorvelMain(), 0)) << "the session did not reach the exit";
        // The closing dialog takes its Enter on the key-down; the key-up stays.
        EXPECT_EQ(fe.pending(), 1u) << "input left after the exit";
        EXPECT_EQ(Utf8(Shape(hp)), Utf8(seed.shape));
        ReleaseSys();
    }
    if (const char* dir = std::getenv("QUORVEL_SESSION_CORPUS")) {
        for (const Seed& seed : Seeds())
            store_test::WriteFile(std::string(dir) + "/" + seed.name, seed.input);
    }
}

TEST_F(SessionFuzzSeeds, SaveAndRestoreSeedsLeaveTheirCollectionInTheDataFiles) {
    for (const char* name : {"save-then-load", "backup-then-restore", "mouse-save"}) {
        SCOPED_TRACE(name);
        for (const Seed& seed : Seeds()) {
            if (std::string(seed.name) != name) continue;
            LayStartingFiles();
            // A collection the files do not hold, so that only the session's own
            // save or restore can make them match.
            for (const char* file : {"depart.dat", "patient.dat", "record.dat"}) std::remove(file);
            AddDept(9, "旧");
            ASSERT_EQ(SaveSysData(), TRUE);
            ReleaseSys();
            con::attach(&fe);
            fe.clear();
            Feed(reinterpret_cast<const std::uint8_t*>(seed.input.data()), seed.input.size(), fe);
            hp = StartingCollection();
            ASSERT_NO_THROW(QuorvelMain());
            const std::string after = Shape(hp);
            ReleaseSys();
            con::attach(&fe);
            if (std::string(name) == "save-then-load") {
                // What the session saved before it deleted, as its own load found it.
                ASSERT_EQ(CreateList(), 1);
                EXPECT_EQ(Utf8(Shape(hp)), Utf8(seed.shape));
            } else {
                ASSERT_EQ(CreateList(), 1);
                // Loading reverses the lists once more.
                EXPECT_EQ(Utf8(Shape(hp)),
                          Utf8(name == std::string("mouse-save") ? kReloaded : kStart));
                EXPECT_EQ(Utf8(after), Utf8(name == std::string("mouse-save") ? kStart : kReloaded));
            }
            ReleaseSys();
        }
    }
}

TEST_F(SessionFuzzSeeds, BytesBecomeTheRecordsTheyName) {
    struct Case {
        std::string bytes;
        std::size_t records;  // key presses make two each, clicks two, moves and wheels one
    } cases[] = {
        {"a", 2},
        {"\x0f\x01\x02", 4},                   // one GBK character: two bytes
        {std::string{kAlt, 23}, 2},           // Alt+X
        {Click(-8, 247), 2},                  // the farthest cells either way
        {std::string{kWheel, 0, 0, 2}, 1},    // sideways wheel
        {std::string{kMouse, 1, 1, 0x1F}, 1}, // any buttons
        {std::string{kClick, 1}, 0},          // cut short: dropped
        {std::string{'\0', '\x12', '\x1f'}, 0},
    };
    for (const Case& c : cases) {
        con::ScriptedFrontend f;
        Feed(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size(), f);
        EXPECT_EQ(f.pending(), c.records) << testing::PrintToString(c.bytes);
    }
    con::ScriptedFrontend f;
    const std::string gbk{kGbk, 0x7E, 0x3F};  // lead 0x81 + 126 % 126, trail stepping over 0x7F
    Feed(reinterpret_cast<const std::uint8_t*>(gbk.data()), gbk.size(), f);
    INPUT_RECORD lead{}, trail{};
    ASSERT_TRUE(f.read(lead));
    ASSERT_TRUE(f.read(trail));  // the key-up
    ASSERT_TRUE(f.read(trail));
    EXPECT_EQ(static_cast<unsigned char>(lead.Event.KeyEvent.uChar.AsciiChar), 0x81);
    EXPECT_EQ(static_cast<unsigned char>(trail.Event.KeyEvent.uChar.AsciiChar), 0x80);

    con::ScriptedFrontend m;
    const std::string click = Click(-8, 247);
    Feed(reinterpret_cast<const std::uint8_t*>(click.data()), click.size(), m);
    INPUT_RECORD press{};
    ASSERT_TRUE(m.read(press));
    EXPECT_EQ(press.Event.MouseEvent.dwMousePosition.X, -8);
    EXPECT_EQ(press.Event.MouseEvent.dwMousePosition.Y, 247);
    EXPECT_EQ(press.Event.MouseEvent.dwButtonState, static_cast<DWORD>(FROM_LEFT_1ST_BUTTON_PRESSED));
}

}  // namespace
