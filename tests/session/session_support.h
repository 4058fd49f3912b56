// Shared by the whole-session tests: a scripted console that runs checks at
// marked points of its script, the ways a user reaches a menu item, lookups
// that print nothing, and a search of the screen.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "store/recovery.h"
#include "store/store_helpers.h"
#include "support/app_test.h"

namespace session_test {

// A scripted console that runs checks at marked points of its script: a
// check marked after a stage runs when the program asks for the first record
// after that stage.
class CheckedFrontend : public con::ScriptedFrontend {
public:
    // `waiting` is what the program must be waiting for there: the main loop
    // (Event) once a stage is done, or a key wait that shows a result.
    void Checkpoint(std::function<void()> check, con::Wait waiting = con::Wait::Event) {
        checks_.push_back({taken_ + pending(), waiting, std::move(check)});
    }

    bool read(INPUT_RECORD& rec) override {
        while (next_ < checks_.size() && checks_[next_].at == taken_) {
            EXPECT_EQ(last_wait(), checks_[next_].waiting) << "checkpoint " << next_;
            checks_[next_++].check();
        }
        if (!ScriptedFrontend::read(rec)) return false;
        ++taken_;
        return true;
    }

    std::size_t checks_run() const { return next_; }
    std::size_t checks() const { return checks_.size(); }

private:
    struct Check {
        std::size_t at;
        con::Wait waiting;
        std::function<void()> check;
    };
    std::vector<Check> checks_;
    std::size_t next_ = 0;
    std::size_t taken_ = 0;
};

// Lookups that print nothing, unlike findM.
inline const DEPART_NODE* Dept(int number) {
    for (const DEPART_NODE* d = hp; d; d = d->next)
        if (d->number == number) return d;
    return nullptr;
}
inline const PATIENT_NODE* Patient(int number1) {
    for (const DEPART_NODE* d = hp; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next)
            if (p->number1 == number1) return p;
    return nullptr;
}
inline const RECORD_NODE* Record(int number2) {
    for (const DEPART_NODE* d = hp; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next)
            for (const RECORD_NODE* r = p->lnext; r; r = r->next)
                if (r->number2 == number2) return r;
    return nullptr;
}

inline bool ScreenHas(const std::string& gbk_text) {
    for (int y = 0; y < SCR_ROW; ++y)
        if (con::row_text(y).find(gbk_text) != std::string::npos) return true;
    return false;
}

// The seven lines of a visit-record form.
inline std::string Form(int number, const char* doctor, const char* fee, const char* tell) {
    return std::to_string(number) + "\n" + doctor + "\n" + fee + "\n2024-01-05\n2024-02-05\n" +
           "2024-02-06\n" + tell + "\n";
}

// A session driven the way a user works the menus.
class SessionTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        con::attach(&user);
    }

    // Where a click lands on the menu bar item m, and on item k of its sub-menu.
    static int BarX(int m) {
        int x = 2;
        for (int i = 1; i < m; ++i) x += static_cast<int>(std::strlen(ga_main_menu[i - 1].title)) + 4;
        return x + 1;
    }
    void ClickMenu(int m, int k) {
        SMALL_RECT rc;
        LocSubMenu(m, &rc);
        user.click(BarX(m), 0);
        user.click(rc.Left + 3, rc.Top + k);
    }
    // Alt + the main item's letter, then the sub-menu item's hot letter.
    void Menu(char alt, char item) {
        user.alt(alt);
        user.type(std::string(1, item));
    }
    // Alt+X, Enter on "确定", and Enter on the closing dialog.
    void Leave() { user.alt('X').enter().enter(); }

    // Unsaved work: the recovery file gives the collection back entry for
    // entry, as the next run would read it after a kill.
    void ExpectRecoveryHolds() {
        DEPART_NODE* got = nullptr;
        EXPECT_EQ(store::ReadRecoveryFile("Quorvel.recover", &got), store::Recovery::kRecoverable);
        EXPECT_TRUE(store_test::Tree(got) == store_test::Tree(hp))
            << "the recovery file is not the collection";
        FreeCollection(got);
    }

    void ExpectShape(const std::string& want) {
        EXPECT_EQ(Utf8(store_test::Shape(hp)), Utf8(want));
    }

    CheckedFrontend user;
};

}  // namespace session_test
