// The first screen, the menu bar, the state bar and screen clearing.
#include <cstring>

#include "shell/shell_test.h"

using namespace shelltest;

namespace {

// Columns of the hot letters F, A, M, I, D, Q, H on row 0.
constexpr int kLetterCol[7] = {9, 22, 35, 48, 61, 74, 87};

// The attribute row 0 should have in column x with main item `lit` highlighted
// (0: none).
WORD BarAttr(int x, int lit) {
    if (lit > 0 && x >= kBar[lit - 1].first && x <= kBar[lit - 1].last) return 0x07;
    for (int col : kLetterCol)
        if (x == col) return 0x74;
    return 0x70;
}

const char* const kBarText =
    "    文件(F)      添加(A)      修改(M)      插入(I)      删除(D)      查询(Q)      帮助(H)  ";

}  // namespace

TEST_F(ShellTest, StartScreenShowsBarStateBarAndBlankScreen) {
    StartSys();

    EXPECT_EQ(con::state().title, "Quorvel");
    EXPECT_EQ(con::state().screen.cols(), SCR_COL);
    EXPECT_EQ(con::state().screen.rows(), SCR_ROW);

    ASSERT_EQ(std::strlen(kBarText), 91u);
    EXPECT_EQ(Utf8(Row(0, 0, 90)), Utf8(kBarText));
    EXPECT_EQ(Row(0, 91), std::string(SCR_COL - 91, ' '));
    for (int x = 0; x < SCR_COL; x++) EXPECT_EQ(Attr(x, 0), BarAttr(x, 1)) << "column " << x;

    EXPECT_EQ(Row(SCR_ROW - 1), std::string(SCR_COL, ' '));
    for (int x = 0; x < SCR_COL; x++) EXPECT_EQ(Attr(x, SCR_ROW - 1), 0x70) << "column " << x;

    for (int y = 1; y < SCR_ROW - 1; y++) {
        EXPECT_EQ(Row(y), std::string(SCR_COL, ' ')) << "row " << y;
        for (int x = 0; x < SCR_COL; x++) ASSERT_EQ(Attr(x, y), 0x1E) << x << "," << y;
    }

    EXPECT_EQ(con::state().attr, 0x1E);
    EXPECT_FALSE(con::state().cursor_info.bVisible);
    EXPECT_EQ(Cursor().X, 0);
    EXPECT_EQ(Cursor().Y, 1);

    EXPECT_EQ(gi_sel_menu, 1);
    EXPECT_EQ(gi_sel_sub_menu, 0);
    EXPECT_EQ(hp, nullptr);
    ASSERT_NE(gp_top_layer, nullptr);
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    EXPECT_EQ(gp_top_layer->next, nullptr);
    EXPECT_EQ(gp_top_layer->pContent, nullptr);
    EXPECT_EQ(gp_top_layer->pScrAtt, gp_scr_att);
    EXPECT_TRUE(SameRect(gp_top_layer->rcArea, SMALL_RECT{0, 0, 149, 99}));
}

TEST_F(ShellTest, StartScreenHotAreasOfRowZero) {
    StartSys();

    struct Probe {
        int x;
        int tag;
    };
    const Probe probes[] = {{5, 1},  {11, 0}, {12, 0}, {13, 0}, {15, 2}, {0, 0},
                            {1, 0},  {2, 1},  {10, 1}, {14, 0}, {23, 2}, {24, 0},
                            {80, 7}, {88, 7}, {89, 0}, {149, 0}};
    for (const Probe& p : probes) EXPECT_EQ(Tag(p.x, 0), p.tag) << "column " << p.x;

    for (int x = 0; x < SCR_COL; x++) {
        int want = 0;
        for (int i = 0; i < 7; i++)
            if (x >= kBar[i].first && x <= kBar[i].last) want = i + 1;
        EXPECT_EQ(Tag(x, 0), want) << "column " << x;
        EXPECT_EQ(Layer(x, 0), 0);
        EXPECT_EQ(Sort(x, 0), 0);
    }
    for (int i = SCR_COL; i < SCR_COL * SCR_ROW; i++) ASSERT_EQ(gp_scr_att[i], 0) << "byte " << i;
}

TEST_F(ShellTest, TagMainMenuMovesTheHighlight) {
    StartSys();
    const int cases[] = {3, 7, 0, 1, 2};
    for (int num : cases) {
        SCOPED_TRACE(num);
        TagMainMenu(num);
        EXPECT_EQ(Utf8(Row(0, 0, 90)), Utf8(kBarText));
        for (int x = 0; x < SCR_COL; x++) EXPECT_EQ(Attr(x, 0), BarAttr(x, num)) << "column " << x;
        EXPECT_EQ(gi_sel_menu, 1);  // the caller keeps the selection
    }
}

TEST_F(ShellTest, ClearScreenBlanksEverythingButKeepsCursorAndMap) {
    StartSys();
    Shot before = TakeShot();
    SetConsoleCursorPosition(gh_std_out, COORD{17, 33});

    ClearScreen();

    for (int y = 0; y < SCR_ROW; y++) {
        ASSERT_EQ(Row(y), std::string(SCR_COL, ' ')) << "row " << y;
        for (int x = 0; x < SCR_COL; x++) ASSERT_EQ(Attr(x, y), 0x1E) << x << "," << y;
    }
    EXPECT_EQ(Cursor().X, 17);
    EXPECT_EQ(Cursor().Y, 33);
    EXPECT_EQ(TakeShot().map, before.map);

    // The bar comes back from its saved copy; the state bar does not.
    TagMainMenu(1);
    Shot after = TakeShot();
    for (int x = 0; x < SCR_COL; x++) EXPECT_EQ(after.cells[x], before.cells[x]) << "column " << x;
    EXPECT_EQ(Attr(0, SCR_ROW - 1), 0x1E);
}

TEST_F(ShellTest, TagMainMenuReplacesWhatACommandPrintedOnRowZero) {
    StartSys();
    Shot before = TakeShot();
    ClearScreen();
    SetConsoleCursorPosition(gh_std_out, COORD{0, 0});
    con_printf("%s", "科室编号 12345 ABCDEFGHIJKLMNOPQRSTUVWXYZ");

    TagMainMenu(1);

    Shot after = TakeShot();
    for (int x = 0; x < SCR_COL; x++) EXPECT_EQ(after.cells[x], before.cells[x]) << "column " << x;
}

TEST_F(ShellTest, ShowStateRepaintsTheSavedRowWithoutReadingItAgain) {
    StartSys();
    Shot before = TakeShot();

    WriteConsoleOutputCharacterA(gh_std_out, "XYZ", 3, COORD{5, SCR_ROW - 1}, nullptr);
    FillConsoleOutputAttribute(gh_std_out, 0x1E, 10, COORD{0, SCR_ROW - 1}, nullptr);
    ShowState();

    Shot after = TakeShot();
    for (int x = 0; x < SCR_COL; x++) {
        int i = (SCR_ROW - 1) * SCR_COL + x;
        EXPECT_EQ(after.cells[i], before.cells[i]) << "column " << x;
    }
}
