// The recovery file: every completed change comes back entry for entry, a
// load, save or restore removes it, one copy per folder keeps it, and what
// cannot be read whole is never trusted.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "session/session_support.h"
#include "store/commit.h"
#include "store/recovery.h"

namespace {

using namespace store_test;
using store::Recovery;

constexpr const char* kFile = "Quorvel.recover";

template <typename Node>
Node* Fresh() {
    return static_cast<Node*>(std::calloc(1, sizeof(Node)));
}

class StoreRecovery : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_EQ(store::StartRecovery(), Recovery::kNone);
    }
    void TearDown() override {
        store::StopRecovery();
        AppTest::TearDown();
    }

    // What a new run would get back from the file.
    static std::string Recovered() {
        DEPART_NODE* got = nullptr;
        Recovery r = store::ReadRecoveryFile(kFile, &got);
        std::string tree = r == Recovery::kRecoverable ? Tree(got) : "<not recoverable>";
        FreeCollection(got);
        return tree;
    }

    // Two departments numbered 5, each with a patient numbered 50 and a visit
    // record: the data files could not keep them apart.
    static void BuildSharedNumbers() {
        DEPART_NODE* a = AddDept(5, "甲");
        DEPART_NODE* b = AddDept(5, "乙");
        AddRecord(AddPatient(a, 50, "a50"), 500, "doc-a");
        AddRecord(AddPatient(b, 50, "b50"), 500, "doc-b");
    }
};

TEST_F(StoreRecovery, EveryKindOfChangeComesBackInItsPlace) {
    BuildSharedNumbers();
    DEPART_NODE* b = hp->next;
    EXPECT_FALSE(store::Unsaved());
    EXPECT_FALSE(std::filesystem::exists(kFile));

    std::string before_last;
    auto step = [&](const char* what, auto change) {
        SCOPED_TRACE(what);
        before_last = Tree(hp);
        change();
        EXPECT_TRUE(store::Unsaved());
        EXPECT_EQ(Recovered(), Tree(hp));
    };
    step("a department added at the front: the base", [&] {
        DEPART_NODE* d = Fresh<DEPART_NODE>();
        d->number = 7;
        d->next = hp;
        hp = d;
        store::NoteAdded(d);
    });
    step("a patient added second in the second department 5", [&] {
        PATIENT_NODE* p = Fresh<PATIENT_NODE>();
        p->number = 5;
        p->number1 = 51;
        p->next = b->anext->next;
        b->anext->next = p;
        store::NoteAdded(p);
    });
    step("a visit record added under it", [&] {
        RECORD_NODE* r = Fresh<RECORD_NODE>();
        r->number1 = 51;
        r->number2 = 510;
        b->anext->next->lnext = r;
        store::NoteAdded(r);
    });
    step("the second department renumbered, its patients with it", [&] {
        b->number = 6;
        RenumberChildren(b);
        store::NoteModified(b);
    });
    step("a patient and a visit record modified", [&] {
        std::strcpy(b->anext->name, "改名");
        store::NoteModified(b->anext);
        b->anext->lnext->lmoney = 12.5f;
        store::NoteModified(b->anext->lnext);
    });
    step("a visit record and a patient deleted", [&] {
        store::DeleteRecord(b->anext, b->anext->lnext, nullptr);
        store::DeletePatient(hp->next, hp->next->anext, nullptr);
    });
    step("a department deleted", [&] { store::DeleteDepart(hp, nullptr); });

    // A kill while the last entry was written: it is dropped, the rest stays.
    const auto size = std::filesystem::file_size(kFile);
    std::filesystem::resize_file(kFile, size - 5);
    EXPECT_EQ(Recovered(), before_last);
}

TEST_F(StoreRecovery, WhatCannotBeReadWholeIsDamaged) {
    BuildSharedNumbers();
    store::NoteModified(hp);  // the base
    store::NoteModified(hp->next);
    store::NoteModified(hp);  // two journal entries
    const std::string whole = ReadFile(kFile);
    ASSERT_EQ(Recovered(), Tree(hp));
    struct Case {
        const char* what;
        std::size_t flip;  // the byte whose bits are turned over
    };
    const Case cases[] = {
        {"a byte of the magic", 0},
        {"a byte of a department in the base", 120},
        {"a byte of the first journal entry", whole.size() - 150},
        {"the last CRC", whole.size() - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = whole;
        bytes[c.flip] = static_cast<char>(~bytes[c.flip]);
        WriteFile(kFile, bytes);
        DEPART_NODE* got = nullptr;
        EXPECT_EQ(store::ReadRecoveryFile(kFile, &got), Recovery::kDamaged);
        EXPECT_EQ(got, nullptr);
    }
    WriteFile(kFile, whole.substr(0, 40));  // cut inside the base
    EXPECT_EQ(Recovered(), "<not recoverable>");
    std::filesystem::remove(kFile);
    std::filesystem::create_directory(kFile);
    DEPART_NODE* got = nullptr;
    EXPECT_EQ(store::ReadRecoveryFile(kFile, &got), Recovery::kDamaged);
}

TEST_F(StoreRecovery, ASaveOrALoadLeavesNothingUnsavedAndNoFile) {
    AddDept(1, "one");
    store::NoteModified(hp);
    ASSERT_TRUE(std::filesystem::exists(kFile));
    ASSERT_EQ(SaveSysData(), TRUE);  // no files on disk: no question
    EXPECT_FALSE(store::Unsaved());
    EXPECT_FALSE(std::filesystem::exists(kFile));

    store::NoteModified(hp);
    ASSERT_TRUE(std::filesystem::exists(kFile));
    // Nothing in the departments' file: the load replaces nothing, and the
    // work stays unsaved.
    WriteFile("depart.dat", "");
    con::state().cursor = COORD{0, 0};
    StartSys();
    fe.left().enter();  // 确定 at the load's question
    ASSERT_EQ(CreateList(), 1);
    EXPECT_TRUE(store::Unsaved());
    EXPECT_TRUE(std::filesystem::exists(kFile));

    for (const char* f : {"depart.dat", "patient.dat", "record.dat"}) std::remove(f);
    ASSERT_EQ(SaveSysData(), TRUE);
    store::NoteModified(hp);
    fe.left().enter();
    ASSERT_EQ(CreateList(), 1);
    EXPECT_FALSE(store::Unsaved());
    EXPECT_FALSE(std::filesystem::exists(kFile));
}

TEST_F(StoreRecovery, TheLoadAsksBeforeItThrowsUnsavedWorkAway) {
    WriteFile("depart.dat", DepartBytes(9, "disk"));
    StartSys();
    AddDept(1, "mine");
    store::NoteModified(hp);
    session_test::CheckedFrontend user;
    con::attach(&user);
    user.Checkpoint([&] {
        EXPECT_EQ(Utf8(Row(48, 55, 94)), Utf8("内存中有未保存的修改，确定放弃并加载吗？"));
        EXPECT_EQ(Attr(52, 46), 0x70);
        EXPECT_EQ(Attr(97, 52), 0x70);
        EXPECT_NE(Attr(51, 46), 0x70);
        EXPECT_NE(Attr(98, 52), 0x70);
        EXPECT_NE(Attr(65, 51), 0x70) << "取消 is chosen first";
    });
    user.enter();
    EXPECT_EQ(CreateList(), 1);
    EXPECT_EQ(user.checks_run(), 1u);
    user.esc();
    EXPECT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "1:mine{}");
    EXPECT_TRUE(store::Unsaved());
    user.left().enter();
    EXPECT_EQ(CreateList(), 4);  // no patient file beside it
    EXPECT_EQ(Shape(hp), "9:disk{}");
    EXPECT_FALSE(std::filesystem::exists(kFile));
    con::attach(&fe);
}

TEST_F(StoreRecovery, ASecondCopyInTheFolderKeepsNone) {
    store::StopRecovery();
    store::FolderLock first_copy(store::kRecoveryByte);
    ASSERT_EQ(first_copy.Take(store::Lock::kExclusive), store::Locked::kYes);
    EXPECT_EQ(store::StartRecovery(), Recovery::kNone);
    AddDept(1, "one");
    store::NoteModified(hp);
    EXPECT_TRUE(store::Unsaved());
    EXPECT_FALSE(std::filesystem::exists(kFile));
}

// A file that cannot be brought up to date is not left to be offered as the
// latest: it goes, and the next completed entry writes a whole new one.
TEST_F(StoreRecovery, AFileThatCannotBeKeptUpToDateGoes) {
    BuildSharedNumbers();
    store::NoteModified(hp);
    ASSERT_TRUE(std::filesystem::exists(kFile));
    {
        FileOpsGuard guard;
        store::file_ops.write = [](int, const void*, std::size_t) -> std::ptrdiff_t {
            errno = ENOSPC;
            return -1;
        };
        store::NoteModified(hp->next);
        EXPECT_FALSE(std::filesystem::exists(kFile));
    }
    std::strcpy(hp->name, "later");
    store::NoteModified(hp);
    EXPECT_EQ(Recovered(), Tree(hp));
}

/* ---- At start-up ---- */

class StartWithRecovery : public StoreRecovery {
protected:
    void SetUp() override {
        StoreRecovery::SetUp();
        BuildSharedNumbers();
        store::NoteModified(hp);  // what an earlier run left
        left_ = Tree(hp);
        store::StopRecovery();
        FreeCollection(hp);
        hp = nullptr;
        con::attach(&user);
    }
    std::string left_;
    session_test::CheckedFrontend user;
};

TEST_F(StartWithRecovery, OkTakesTheWorkBackStillUnsaved) {
    user.Checkpoint([&] {
        EXPECT_EQ(Utf8(Row(48, 59, 90)), Utf8("发现上次未保存的修改，是否恢复？"));
        EXPECT_EQ(Attr(56, 46), 0x70);
        EXPECT_EQ(Attr(93, 52), 0x70);
        EXPECT_NE(Attr(55, 46), 0x70);
        EXPECT_NE(Attr(94, 52), 0x70);
        EXPECT_NE(Attr(61, 51), 0x70) << "确定 is chosen first";
        EXPECT_EQ(Row(0, 4, 10), "文件(F)") << "over the start screen";
    });
    user.enter();
    user.Checkpoint([&] {
        EXPECT_EQ(Tree(hp), left_);
        EXPECT_TRUE(store::Unsaved());
        EXPECT_EQ(Recovered(), left_) << "kept in the file again";
    });
    user.alt('X').enter().enter();
    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(user.checks_run(), 2u);
    EXPECT_EQ(Recovered(), left_) << "leaving keeps it";
}

TEST_F(StartWithRecovery, CancelRemovesTheFile) {
    user.esc();
    user.Checkpoint([&] {
        EXPECT_EQ(hp, nullptr);
        EXPECT_FALSE(std::filesystem::exists(kFile));
    });
    user.alt('X').enter().enter();
    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(user.checks_run(), 1u);
}

TEST_F(StartWithRecovery, ADamagedFileIsSetAsideAndSaidSo) {
    std::string bytes = ReadFile(kFile);
    bytes[100] = static_cast<char>(~bytes[100]);
    WriteFile(kFile, bytes);
    std::string row1;
    user.Checkpoint(
        [&] { row1 = RowTrim(1); },
        con::Wait::Key);
    user.key('A', 'a');
    user.Checkpoint([&] {
        EXPECT_EQ(RowTrim(1), "") << "the start screen is as it was";
        EXPECT_EQ(hp, nullptr);
    });
    user.alt('X').enter().enter();
    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(Utf8(row1), Utf8("恢复文件已损坏，未能恢复！按任意键返回"));
    EXPECT_FALSE(std::filesystem::exists(kFile));
    EXPECT_EQ(ReadFile("Quorvel.recover.bad"), bytes);
}

}  // namespace
