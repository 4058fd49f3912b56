// The fixture of every application test: a fresh scripted console, a scratch
// working directory for the data files, and the program's globals as they
// are before start-up. Helpers read the screen and the cell map and build
// collections.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/scripted.h"
#include "commands/commands.h"
#include "console/output.h"
#include "console/reads.h"
#include "dialogs.h"
#include "layers.h"
#include "menus.h"
#include "shell.h"
#include "store/collection.h"
#include "store/store.h"

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // What the program does before its loop: title, buffer size, first screen.
    void StartSys();

    // Screen: the bytes of cells x0..x1 of row y, and the same without the
    // blanks at its end.
    std::string Row(int y, int x0 = 0, int x1 = SCR_COL - 1) const;
    std::string RowTrim(int y, int x0 = 0) const;
    WORD Attr(int x, int y) const;
    COORD Cursor() const;

    // Cell map: layer number, hot-area tag and sort of cell (x, y).
    int Layer(int x, int y) const;
    int Tag(int x, int y) const;
    int Sort(int x, int y) const;

    // The scratch working directory.
    const std::string& Dir() const { return dir_; }

    con::ScriptedFrontend fe;

private:
    std::string dir_;
    std::string old_cwd_;
};

// Builders of a collection, each appending at the end of its list, with the
// parent numbers copied as the add screens copy them.
DEPART_NODE* AddDept(int number, const char* name, const char* adr = "", const char* phone = "");
PATIENT_NODE* AddPatient(DEPART_NODE* dept, int number1, const char* name, int sex = 1,
                         const char* phone = "", const char* adr = "");
RECORD_NODE* AddRecord(PATIENT_NODE* patient, int number2, const char* doctor = "",
                       float fee = 0.0f, const char* ldate = "", const char* bdate = "",
                       const char* tdate = "", const char* tell = "");

// GBK text as UTF-8, for readable failure messages.
std::string Utf8(const std::string& gbk_text);
