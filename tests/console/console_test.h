// A fresh console with a scripted front end for each case of the console
// layer's own tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "console/output.h"
#include "console/reads.h"
#include "support/scripted.h"

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override { con::attach(&fe); }
    void TearDown() override { con::attach(nullptr); }

    static void At(int x, int y) {
        SetConsoleCursorPosition(GetStdHandle(STD_OUTPUT_HANDLE),
                                 COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)});
    }
    static void Print(const std::string& s) { con::write(s.data(), s.size()); }
    static std::pair<int, int> Cursor() {
        const COORD c = con::state().cursor;
        return {c.X, c.Y};
    }

    con::ScriptedFrontend fe;
};
