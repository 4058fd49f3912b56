// The pull-down menus: their windows, items, highlight and closing.
#include <vector>

#include "shell/shell_test.h"

using namespace shelltest;

namespace {

struct MenuCase {
    int menu;
    std::vector<const char*> labels;  // "" for the separator
};

void PrintTo(const MenuCase& c, std::ostream* os) { *os << "menu " << c.menu; }

const MenuCase kMenus[] = {
    {1, {"[L]数据加载", "[S] 数据保存", "[B] 数据备份", "[R] 数据恢复", "[X] 退出系统  Alt+X"}},
    {2, {"[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息"}},
    {3, {"[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息"}},
    {4, {"[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息"}},
    {5, {"[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息"}},
    {6, {"[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息"}},
    {7, {"输出科室基本信息", "输出病人基本信息", "输出就诊记录基本信息", "", "[T] 帮助主题",
         "[A] 关于本系统"}},
};

class ShellSubMenu : public ShellTest, public ::testing::WithParamInterface<MenuCase> {};

bool Inside(int x, int y, const SMALL_RECT& rc) {
    return x >= rc.Left && x <= rc.Right && y >= rc.Top && y <= rc.Bottom;
}

TEST_P(ShellSubMenu, OpensItsWindowAndClosesWithoutATrace) {
    const MenuCase& c = GetParam();
    const SMALL_RECT rc = kMenuRect[c.menu - 1];
    const int inner = rc.Right - rc.Left - 3;  // label columns, Left+2..Right-2
    StartSys();

    SMALL_RECT loc{};
    LocSubMenu(c.menu, &loc);
    EXPECT_TRUE(SameRect(loc, rc)) << RectText(loc);

    gi_sel_menu = c.menu;
    TagMainMenu(c.menu);
    Shot before = TakeShot();

    PopMenu(c.menu);

    ASSERT_EQ(gp_top_layer->LayerNo, 1);
    EXPECT_TRUE(SameRect(gp_top_layer->rcArea, rc));
    EXPECT_EQ(gi_sel_menu, c.menu);
    EXPECT_EQ(gi_sel_sub_menu, 0);
    EXPECT_TRUE(con::state().has_focus);
    EXPECT_TRUE(SameRect(con::state().focus, rc));

    const int width = rc.Right - rc.Left + 1;
    std::string edge(width, '-');
    edge.front() = edge.back() = '+';
    EXPECT_EQ(Row(rc.Top, rc.Left, rc.Right), edge);
    EXPECT_EQ(Row(rc.Bottom, rc.Left, rc.Right), edge);
    ASSERT_EQ(static_cast<int>(c.labels.size()), rc.Bottom - rc.Top - 1);
    for (int k = 1; k <= static_cast<int>(c.labels.size()); k++) {
        SCOPED_TRACE(k);
        const int y = rc.Top + k;
        std::string text = c.labels[k - 1];
        bool separator = text.empty();
        if (separator) text = std::string(inner, '-');
        text.resize(inner, ' ');
        EXPECT_EQ(Utf8(Row(y, rc.Left, rc.Right)), Utf8("| " + text + " |"));
        for (int x = rc.Left; x <= rc.Right; x++) {
            bool hot_letter = !separator && x == rc.Left + 3;
            EXPECT_EQ(Attr(x, y), hot_letter ? 0x74 : 0x70) << "column " << x;
            bool in_area = !separator && x >= rc.Left + 2 && x <= rc.Right - 2;
            EXPECT_EQ(Layer(x, y), 1);
            EXPECT_EQ(Tag(x, y), in_area ? k : 0) << "column " << x;
            EXPECT_EQ(Sort(x, y), 0);
        }
    }
    for (int x = rc.Left; x <= rc.Right; x++) {
        for (int y : {int(rc.Top), int(rc.Bottom)}) {
            EXPECT_EQ(Attr(x, y), 0x70);
            EXPECT_EQ(Layer(x, y), 1);
            EXPECT_EQ(Tag(x, y), 0);
        }
    }

    // Nothing outside the window changed.
    Shot open = TakeShot();
    for (int y = 0; y < SCR_ROW; y++) {
        for (int x = 0; x < SCR_COL; x++) {
            if (Inside(x, y, rc)) continue;
            int i = y * SCR_COL + x;
            ASSERT_EQ(open.cells[i], before.cells[i]) << x << "," << y;
            ASSERT_EQ(open.map[i], before.map[i]) << x << "," << y;
        }
    }

    gi_sel_sub_menu = 2;
    CloseSubMenu();
    EXPECT_EQ(ShotDiff(TakeShot(), before), "");
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    EXPECT_EQ(gi_sel_sub_menu, 0);
    EXPECT_FALSE(con::state().has_focus);
}

INSTANTIATE_TEST_SUITE_P(Menus, ShellSubMenu, ::testing::ValuesIn(kMenus),
                         [](const auto& info) { return "Menu" + std::to_string(info.param.menu); });

}  // namespace

TEST_F(ShellTest, TagSubMenuMovesTheHighlightByAttributesOnly) {
    StartSys();
    PopMenu(1);
    TagSubMenu(2);
    Shot first = TakeShot();
    TagSubMenu(3);

    for (int x = 1; x <= 23; x++) {
        WORD row3 = x == 4 ? 0x74 : 0x70;
        EXPECT_EQ(Attr(x, 3), row3) << "row 3 column " << x;
        WORD row4 = x >= 3 && x <= 21 ? 0x07 : 0x70;
        EXPECT_EQ(Attr(x, 4), row4) << "row 4 column " << x;
    }
    EXPECT_EQ(gi_sel_sub_menu, 3);
    Shot second = TakeShot();
    for (int i = 0; i < SCR_COL * SCR_ROW; i++) ASSERT_EQ(first.cells[i].ch, second.cells[i].ch);
    EXPECT_EQ(first.map, second.map);
}

TEST_F(ShellTest, TagSubMenuIgnoresOutOfRangeAndRepeatedItems) {
    StartSys();
    PopMenu(1);
    TagSubMenu(4);
    Shot lit = TakeShot();
    for (int num : {0, -1, 6, 7, 4}) {
        TagSubMenu(num);
        EXPECT_EQ(gi_sel_sub_menu, 4) << num;
        EXPECT_EQ(ShotDiff(TakeShot(), lit), "") << num;
    }
}

TEST_F(ShellTest, TagSubMenuWithNoMenuOpenDrawsNothing) {
    StartSys();
    Shot start = TakeShot();
    TagSubMenu(1);
    EXPECT_EQ(gi_sel_sub_menu, 0);
    EXPECT_EQ(ShotDiff(TakeShot(), start), "");
}

TEST_F(ShellTest, PopMenuOfAnotherItemClosesTheOpenOne) {
    StartSys();
    Shot start = TakeShot();
    PopMenu(1);
    TagSubMenu(3);
    PopMenu(2);

    EXPECT_EQ(gi_sel_menu, 2);
    EXPECT_EQ(gi_sel_sub_menu, 0);
    ASSERT_EQ(gp_top_layer->LayerNo, 1);
    EXPECT_EQ(gp_top_layer->next->LayerNo, 0);
    EXPECT_TRUE(SameRect(gp_top_layer->rcArea, kMenuRect[1]));
    // Where menu 1 stood and menu 2 does not, the start screen is back.
    Shot now = TakeShot();
    for (int y = 1; y <= 7; y++) {
        for (int x = 1; x <= 13; x++) {
            int i = y * SCR_COL + x;
            EXPECT_EQ(now.cells[i], start.cells[i]) << x << "," << y;
            EXPECT_EQ(now.map[i], start.map[i]) << x << "," << y;
        }
    }
}

TEST_F(ShellTest, PopMenuOfTheOpenItemChangesNothing) {
    StartSys();
    PopMenu(1);
    TagSubMenu(3);
    Shot open = TakeShot();
    LAYER_NODE* layer = gp_top_layer;

    PopMenu(1);

    EXPECT_EQ(gp_top_layer, layer);
    EXPECT_EQ(gi_sel_sub_menu, 3);
    EXPECT_EQ(ShotDiff(TakeShot(), open), "");
}

TEST_F(ShellTest, SubMenuOverAListingShowsOnlyItsOwnText) {
    StartSys();
    DEPART_NODE* d = AddDept(1, "内科");
    for (int i = 0; i < 5; i++) AddPatient(d, 1001 + i, "欧阳明华", 1, "027-87541201", "门诊楼二层");
    PutA();
    const SMALL_RECT& rc = kMenuRect[1];
    ASSERT_NE(RowTrim(3, rc.Left), "") << "the listing lies under the menu";
    Shot listing = TakeShot();

    fe.alt('a');
    RunOut();

    const MENU& menu = ga_main_menu[1];
    for (int y = rc.Top + 1; y < rc.Bottom; y++) {
        std::string label = menu.items[y - rc.Top - 1].label;
        std::string inside = " " + label + std::string(rc.Right - rc.Left - 2 - label.size(), ' ');
        EXPECT_EQ(Utf8(Row(y, rc.Left + 1, rc.Right - 1)), Utf8(inside)) << "row " << y;
        for (int x = rc.Left; x <= rc.Right; x++) EXPECT_EQ(Layer(x, y), 1) << x << "," << y;
    }
    // Closed, the menu gives the listing back whole (the bar's row aside).
    CloseSubMenu();
    Shot after = TakeShot();
    for (int i = SCR_COL; i < SCR_COL * SCR_ROW; i++)
        ASSERT_EQ(after.cells[i], listing.cells[i]) << i % SCR_COL << "," << i / SCR_COL;
}

TEST_F(ShellTest, SubMenuOverCommandOutputRestoresItExactly) {
    StartSys();
    ClearScreen();
    SetConsoleCursorPosition(gh_std_out, COORD{0, 0});
    for (int i = 0; i < 12; i++) con_printf("%03d 科室名称 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz %d\n", i, i * 7);
    FillConsoleOutputAttribute(gh_std_out, 0x4F, 300, COORD{70, 3}, nullptr);
    Shot before = TakeShot();

    fe.alt('h').down().down().move(90, 6).esc();
    fe.alt('f').up().left().esc();
    fe.click(30, 0).click(60, 60);
    RunOut();

    Shot after = TakeShot();
    for (int i = SCR_COL; i < SCR_COL * SCR_ROW; i++) {
        ASSERT_EQ(after.cells[i], before.cells[i]) << i % SCR_COL << "," << i / SCR_COL;
    }
    EXPECT_EQ(after.map, before.map);
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
}
