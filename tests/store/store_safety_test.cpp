// What keeps saved work from being lost: the overwrite question, other copies
// of the program in the same folder, a save killed midway, loads that cannot
// take every record, and things that are not files in a data file's place.
#include <fcntl.h>
#include <signal.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "session/session_support.h"
#include "store/commit.h"

namespace {

using namespace store_test;

const std::vector<std::string> kDataFiles = {"depart.dat", "patient.dat", "record.dat"};

// Departments 1 and 2; patients 11, 12 of 1 and 21 of 2; records of 11 and
// 21. Every name is `tag`, so that the files tell which save wrote them.
void Build(const std::string& tag, int records_each = 1) {
    DEPART_NODE* d1 = AddDept(1, tag.c_str());
    DEPART_NODE* d2 = AddDept(2, tag.c_str());
    PATIENT_NODE* p11 = AddPatient(d1, 11, tag.c_str());
    AddPatient(d1, 12, tag.c_str());
    PATIENT_NODE* p21 = AddPatient(d2, 21, tag.c_str());
    for (int i = 0; i < records_each; ++i) {
        AddRecord(p11, 1000 + i, tag.c_str());
        AddRecord(p21, 2000 + i, tag.c_str());
    }
}

void Drop() {
    FreeCollection(hp);
    hp = nullptr;
}

// The name every node of the collection carries, or "mixed".
std::string TagOf(const DEPART_NODE* head) {
    std::string tag;
    auto see = [&](const char* name) {
        if (tag.empty()) tag = name;
        if (tag != name) tag = "mixed";
    };
    for (const DEPART_NODE* d = head; d; d = d->next) {
        see(d->name);
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            see(p->name);
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) see(r->name);
        }
    }
    return tag;
}

std::vector<std::string> DataBytes() {
    std::vector<std::string> bytes;
    for (const std::string& f : kDataFiles) bytes.push_back(ReadFile(f));
    return bytes;
}

class StoreSafety : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        con::attach(&user);
        StartSys();  // the question is a pop-up
    }

    // The collection tagged `tag` saved in this folder and loaded completely.
    void SavedAndLoaded(const std::string& tag) {
        Build(tag);
        ASSERT_EQ(SaveSysData(), TRUE);
        Drop();
        ASSERT_EQ(CreateList(), 1);
    }

    // A save that must not ask: no key is queued, so a question would end
    // the input.
    void SaveUnasked() { ASSERT_NO_THROW(SaveSysData()); }

    // A save that must ask, answered with 确定 or with Enter alone (取消);
    // 取消 says so at the cursor and waits for a key.
    void SaveAsked(bool overwrite) {
        user.clear();
        if (overwrite) user.left();
        user.enter();
        if (!overwrite) user.key('A', 'a');
        ASSERT_EQ(SaveSysData(), TRUE);
        EXPECT_EQ(user.pending(), 1u) << "the question took the keys";
        user.clear();
    }

    // Runs `body` in a child process, another copy of the program in this
    // folder; the child's status is 0 when body returned true.
    template <typename Body>
    static pid_t OtherCopy(Body body) {
        std::fflush(nullptr);
        pid_t pid = ::fork();
        if (pid == 0) ::_exit(body() ? 0 : 1);
        return pid;
    }
    static bool EndedWell(pid_t pid) {
        int status = 0;
        return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // The message `command` leaves at the cursor, put on row 40 first.
    std::string MessageOf(BOOL (*command)()) {
        ClearScreen();
        SetConsoleCursorPosition(gh_std_out, COORD{0, 40});
        user.clear();
        user.key('A', 'a');
        command();
        EXPECT_LT(user.pending(), 2u) << "no key was awaited";
        return Utf8(RowTrim(40));
    }

    session_test::CheckedFrontend user;
};

TEST_F(StoreSafety, ASaveAsksOnlyWhenTheFilesOnDiskAreNotTheOnesThisCopyHasSeen) {
    Build("first");
    SaveUnasked();  // nothing on disk
    SaveUnasked();  // its own files
    Drop();
    ASSERT_EQ(CreateList(), 1);
    SaveUnasked();  // loaded completely
    std::remove("record.dat");
    SaveUnasked();  // a missing file never asks
    const std::vector<std::string> first = DataBytes();

    ReleaseSys();  // a new run: nothing loaded
    StartSys();
    Build("second");
    const std::string row48 = Row(48);
    user.Checkpoint([&] {
        // The exit dialog's look, as wide as the message, with 取消 lit.
        EXPECT_EQ(Utf8(Row(48, 53, 96)), Utf8("数据文件已在别处改动或尚未加载，确定覆盖吗？"));
        EXPECT_EQ(Utf8(Row(51, 55, 66)), Utf8("确定    取消"));
        EXPECT_EQ(Row(50, 51, 98), std::string(48, '-'));
        EXPECT_EQ(Attr(50, 46), 0x70);
        EXPECT_EQ(Attr(99, 52), 0x70);
        EXPECT_NE(Attr(49, 46), 0x70);
        EXPECT_NE(Attr(100, 52), 0x70);
        EXPECT_EQ(Attr(55, 51), 0x70);
        EXPECT_NE(Attr(63, 51), 0x70);
    });
    SetConsoleCursorPosition(gh_std_out, COORD{3, 40});
    SaveAsked(false);
    EXPECT_EQ(user.checks_run(), 1u);
    EXPECT_EQ(DataBytes(), first);
    EXPECT_EQ(Row(48), row48) << "the question left a trace";
    // A cancelled save does not look like a saved one.
    EXPECT_EQ(Utf8(RowTrim(40)), "   " + Utf8("数据未保存！按任意键返回"));
    user.esc().key('A', 'a');
    ASSERT_EQ(SaveSysData(), TRUE);
    EXPECT_EQ(DataBytes(), first);

    SaveAsked(true);
    Drop();
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(TagOf(hp), "second");
}

TEST_F(StoreSafety, TwoCopiesInOneFolderDoNotOverwriteEachOtherUnasked) {
    SavedAndLoaded("start");
    int loaded[2], saved[2];
    ASSERT_EQ(::pipe(loaded), 0);
    ASSERT_EQ(::pipe(saved), 0);
    pid_t b = OtherCopy([&] {
        Drop();
        if (CreateList() != 1) return false;
        char c = 'l';
        if (::write(loaded[1], &c, 1) != 1 || ::read(saved[0], &c, 1) != 1) return false;
        Drop();
        Build("B");
        const std::vector<std::string> a_files = DataBytes();
        user.enter().key('A', 'a');  // 取消, and the key its message waits for
        SaveSysData();
        if (user.pending() != 1 || DataBytes() != a_files) return false;
        user.clear();
        user.left().enter();  // 确定
        SaveSysData();
        return user.pending() == 1 && DataBytes() != a_files;
    });
    char c;
    ASSERT_EQ(::read(loaded[0], &c, 1), 1);
    Drop();
    Build("A");
    SaveUnasked();
    ASSERT_EQ(::write(saved[1], &c, 1), 1);
    EXPECT_TRUE(EndedWell(b)) << "the second copy did not ask, or did not keep or write the files";

    // The first copy is asked in its turn.
    SaveAsked(false);
    Drop();
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(TagOf(hp), "B");
    for (int fd : {loaded[0], loaded[1], saved[0], saved[1]}) ::close(fd);
}

TEST_F(StoreSafety, OverlappingSavesOfTwoCopiesNeverMixTheFilesNorFailUntold) {
    constexpr int kSaves = 12;
    ASSERT_NO_THROW(SaveSysData());  // empty files to begin with
    auto saver = [&](char who) {
        return [&, who] {
            for (int i = 1; i <= kSaves; ++i) {
                Drop();
                Build(std::string(1, who) + std::to_string(i), 300);
                ClearScreen();
                SetConsoleCursorPosition(gh_std_out, COORD{0, 60});
                user.clear();
                user.left().enter();  // 确定, when the other copy saved since
                SaveSysData();
                if (!RowTrim(60).empty()) return false;  // a message: the save failed
            }
            return true;
        };
    };
    pid_t a = OtherCopy(saver('a'));
    pid_t b = OtherCopy(saver('b'));
    // Loads meanwhile find one whole set each time.
    for (int i = 0; i < 20; ++i) {
        Drop();
        CreateList();
        std::string tag = TagOf(hp);
        EXPECT_NE(tag, "mixed") << "load " << i;
    }
    EXPECT_TRUE(EndedWell(a));
    EXPECT_TRUE(EndedWell(b));
    Drop();
    ASSERT_EQ(CreateList(), 1);
    std::string last = TagOf(hp);
    EXPECT_TRUE(last == "a12" || last == "b12") << last;
    EXPECT_EQ(FolderEntries(), kDataFiles);
}

// A save killed after `allowed` renames: the commit record's, then one per
// data file.
int g_allowed;
int g_signal;
int StopAfterAllowed(const char* from, const char* to) {
    if (g_allowed-- == 0) ::_exit(0);
    return store::RealFileOps().replace(from, to);
}

TEST_F(StoreSafety, ASaveKilledAtAnyPointOfItsCommitLeavesOneWholeSetAndNoStrayFile) {
    struct Case {
        int allowed;
        const char* loaded;
    } cases[] = {{0, "old"}, {1, "new"}, {2, "new"}, {3, "new"}};
    for (const Case& c : cases) {
        SCOPED_TRACE("killed after " + std::to_string(c.allowed) + " renames");
        for (const std::string& f : FolderEntries()) std::remove(f.c_str());
        Drop();
        Build("old");
        SaveUnasked();
        pid_t copy = OtherCopy([&] {
            Drop();
            Build("new");
            g_allowed = c.allowed;
            store::file_ops.replace = StopAfterAllowed;
            SaveSysData();
            return false;  // never reached
        });
        ASSERT_TRUE(EndedWell(copy));
        EXPECT_GT(FolderEntries().size(), kDataFiles.size()) << "the kill left nothing to clean";

        Drop();
        ASSERT_EQ(CreateList(), 1);
        EXPECT_EQ(TagOf(hp), c.loaded);
        SaveUnasked();  // the next save removes what the killed one left
        EXPECT_EQ(FolderEntries(), kDataFiles);
    }
}

// A signal that would end the program arrives between two renames.
int SignalBetweenRenames(const char* from, const char* to) {
    if (g_allowed-- == 2) ::raise(g_signal);
    return store::RealFileOps().replace(from, to);
}

TEST_F(StoreSafety, TheSignalsThatEndTheProgramWaitForTheCommitToFinish) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(sig);
        for (const std::string& f : FolderEntries()) std::remove(f.c_str());
        Drop();
        Build("old");
        SaveUnasked();
        pid_t copy = OtherCopy([&] {
            ::signal(sig, SIG_DFL);
            Drop();
            Build("new");
            g_allowed = 3;
            g_signal = sig;
            store::file_ops.replace = SignalBetweenRenames;
            SaveSysData();
            return true;  // the signal ends it before this
        });
        int status = 0;
        ASSERT_EQ(::waitpid(copy, &status, 0), copy);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
        EXPECT_EQ(FolderEntries(), kDataFiles);
        Drop();
        ASSERT_EQ(CreateList(), 1);
        EXPECT_EQ(TagOf(hp), "new");
    }
}

TEST_F(StoreSafety, ALoadThatCannotTakeEveryRecordSaysHowManyAndCountsAsNotSeen) {
    const std::string departs = DepartBytes(1, "d1") + DepartBytes(2, "d2");
    const std::string patients =
        PatientBytes(1, 11, "p11") + PatientBytes(1, 12, "p12") + PatientBytes(2, 21, "p21");
    const std::string records = RecordBytes(11, 111) + RecordBytes(21, 211);
    struct Case {
        const char* what;
        std::string depart, patient, record;
        const char* message;  // at (20, 13)
    } cases[] = {
        {"whole files", departs, patients, records, ""},
        {"patient.dat cut inside its last record", departs,
         patients.substr(0, patients.size() - 44), records,
         "注意：有 2 条记录不完整或找不到所属，未能加载!"},
        {"children of no parent", departs, patients + PatientBytes(9, 99, "p99"),
         records + RecordBytes(99, 991) + RecordBytes(98, 981),
         "注意：有 3 条记录不完整或找不到所属，未能加载!"},
        {"a byte after the last visit record", departs, patients, records + "x",
         "注意：有 1 条记录不完整或找不到所属，未能加载!"},
        {"a partial department record only", departs.substr(0, 30), patients, records,
         "注意：有 1 条记录不完整或找不到所属，未能加载!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReleaseSys();
        StartSys();
        WriteFile("depart.dat", c.depart);
        WriteFile("patient.dat", c.patient);
        WriteFile("record.dat", c.record);
        ASSERT_EQ(CreateList(), 1);
        std::string row13 = RowTrim(13);
        EXPECT_EQ(Utf8(row13.empty() ? "" : row13.substr(20)), Utf8(c.message));
        // What was left behind is not overwritten unasked.
        if (*c.message) {
            SaveAsked(false);
            EXPECT_EQ(ReadFile("patient.dat"), c.patient);
        } else {
            SaveUnasked();
        }
    }
}

TEST_F(StoreSafety, WhatIsNotAFileInADataFilesPlaceIsNeitherReadNorReplaced) {
    const std::string kOpenFailed = Utf8("打开文件失败！按任意键返回");
    Build("kept");
    const std::string kept = Shape(hp);

    ASSERT_EQ(::mkfifo("record.dat", 0600), 0);
    EXPECT_EQ(MessageOf(SaveSysData), kOpenFailed);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"record.dat"});

    ASSERT_EQ(::mkdir("BackupSysData.dat", 0700), 0);
    EXPECT_EQ(MessageOf(BackupSysData), kOpenFailed);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"BackupSysData.dat", "record.dat"}));

    // A valid backup, and a FIFO still in record.dat's place.
    ::rmdir("BackupSysData.dat");
    WriteFile("BackupSysData.dat", U32(1) + U32(0) + U32(0) + DepartBytes(5, "five"));
    EXPECT_EQ(MessageOf(RestoreSysData), kOpenFailed);
    EXPECT_EQ(Shape(hp), kept);

    std::remove("BackupSysData.dat");
    ASSERT_EQ(::symlink("/dev/zero", "BackupSysData.dat"), 0);
    std::remove("record.dat");
    EXPECT_EQ(MessageOf(RestoreSysData),
              Utf8("备份文件不存在或无法读取！数据未恢复。按任意键返回"));
    EXPECT_EQ(Shape(hp), kept);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"BackupSysData.dat"});
}

TEST_F(StoreSafety, ACopyThatFindsTheLockHeldWaitsThenSaysSoAndChangesNothing) {
    Build("mine");
    int held[2];
    ASSERT_EQ(::pipe(held), 0);
    pid_t other = OtherCopy([&] {
        // Another copy in the middle of a long save: the first byte of the
        // lock file, as any program locks it.
        int lock = ::open("Quorvel.lock", O_RDWR | O_CREAT, 0600);
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;
        char c = 'h';
        if (::fcntl(lock, F_SETLKW, &fl) != 0 || ::write(held[1], &c, 1) != 1) return false;
        ::pause();
        return false;
    });
    char c;
    ASSERT_EQ(::read(held[0], &c, 1), 1);
    const std::string busy = Utf8("数据文件正被另一个程序使用，请稍后再试！按任意键返回");
    EXPECT_EQ(MessageOf(SaveSysData), busy);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{});
    user.key('A', 'a');
    EXPECT_EQ(CreateList(), 1);
    EXPECT_EQ(Utf8(RowTrim(5)), std::string(20, ' ') + busy);
    EXPECT_EQ(TagOf(hp), "mine");
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    ::close(held[0]);
    ::close(held[1]);
}

// Data files that are links into another folder are written where the links
// point, and stay links; the commit record and the lock file live there too.
TEST_F(StoreSafety, LinkedDataFilesAreWrittenWhereTheyPointAndStayLinks) {
    std::filesystem::create_directory("shared");
    const std::vector<std::string> linked = {"depart.dat", "patient.dat", "record.dat",
                                             "BackupSysData.dat"};
    for (const std::string& f : linked)
        ASSERT_EQ(::symlink(("shared/" + f).c_str(), f.c_str()), 0) << f;
    Build("linked");
    SaveUnasked();
    ASSERT_EQ(BackupSysData(), TRUE);
    for (const std::string& f : linked) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(std::filesystem::is_symlink(f));
        EXPECT_TRUE(std::filesystem::is_regular_file("shared/" + f));
    }
    EXPECT_TRUE(std::filesystem::is_regular_file("shared/Quorvel.lock"));
    EXPECT_EQ(FolderEntries("shared"), (std::vector<std::string>{"BackupSysData.dat", "depart.dat",
                                                                 "patient.dat", "record.dat"}));
    Drop();
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(TagOf(hp), "linked");
    SaveUnasked();  // the links' files are the ones this copy has seen

    // Data files in two real folders cannot be replaced together.
    std::filesystem::create_directory("other");
    std::filesystem::remove("record.dat");
    ASSERT_EQ(::symlink("other/record.dat", "record.dat"), 0);
    const std::string open_failed = Utf8("打开文件失败！按任意键返回");
    EXPECT_EQ(MessageOf(SaveSysData), open_failed);
    EXPECT_EQ(MessageOf(RestoreSysData), open_failed);
    EXPECT_EQ(FolderEntries("other"), std::vector<std::string>{});
}

// The lock needs only the lock file's name, not a listing of the folder:
// another copy holding it makes a save in a folder it cannot list wait, and
// let go, the save goes on.
TEST_F(StoreSafety, AFolderThatCannotBeListedStillGetsTheLock) {
    WriteFile("Quorvel.lock", "");
    ASSERT_EQ(::chmod("Quorvel.lock", 0666), 0);
    store::FolderLock held;
    ASSERT_EQ(held.Take(store::Lock::kExclusive), store::Locked::kYes);
    ASSERT_EQ(::chmod(Dir().c_str(), 0733), 0);  // others may enter and write, not list
    int told[2], released[2];
    ASSERT_EQ(::pipe(told), 0);
    ASSERT_EQ(::pipe(released), 0);
    std::fflush(nullptr);
    pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0) {
            // Root lists every folder: the child becomes nobody, an "other".
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(77);
        } else if (::chmod(".", 0333) != 0) {
            ::_exit(77);  // the owner takes its own right to list away
        }
        if (!store::FolderNames(".").empty()) ::_exit(78);  // it can list after all
        Build("child");
        bool waited = MessageOf(SaveSysData) == Utf8("数据文件正被另一个程序使用，请稍后再试！按任意键返回");
        char c = 'b';
        if (::write(told[1], &c, 1) != 1 || ::read(released[0], &c, 1) != 1) ::_exit(2);
        user.clear();
        bool saved = false;
        try {
            saved = SaveSysData() == TRUE && Exists("depart.dat");  // a message would throw
        } catch (...) {
        }
        ::_exit(waited && saved ? 0 : 1);
    }
    ::close(told[1]);  // a child that ends early ends the read below
    ::close(released[0]);
    char c = 'r';
    bool asked = ::read(told[0], &c, 1) == 1;
    held.Release();
    if (asked) {
        EXPECT_EQ(::write(released[1], &c, 1), 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(Dir().c_str(), 0700);
    ::close(told[0]);
    ::close(released[1]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 78) << "the folder can be listed after all";
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no user for whom the folder cannot be listed";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save did not wait for the lock, or did not save";
    Drop();
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(TagOf(hp), "child");
}

}  // namespace

