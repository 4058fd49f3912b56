// The layer stack: pop-ups drawn over the screen and taken away again.
#include <cstdlib>

#include "shell/shell_test.h"

using namespace shelltest;

namespace {

// A pop-up and everything PopUp needs for it, kept alive by the test.
struct Window {
    SMALL_RECT rc;
    std::vector<const char*> texts;
    std::vector<COORD> locs;
    std::vector<SMALL_RECT> areas;
    std::vector<char> sorts;
    std::vector<char> tags;
    LABEL_BUNDLE labels{};
    HOT_AREA hot{};

    explicit Window(SMALL_RECT r) : rc(r) {}
    Window& Label(const char* text, int x, int y) {
        texts.push_back(text);
        locs.push_back(COORD{SHORT(x), SHORT(y)});
        return *this;
    }
    Window& Area(int left, int right, int y, int sort) {
        areas.push_back(SMALL_RECT{SHORT(left), SHORT(y), SHORT(right), SHORT(y)});
        sorts.push_back(char(sort));
        tags.push_back(char(areas.size()));
        return *this;
    }
    void Open(WORD att = 0x70) {
        labels = LABEL_BUNDLE{texts.data(), locs.data(), int(texts.size())};
        hot = HOT_AREA{areas.data(), sorts.data(), tags.data(), int(areas.size())};
        PopUp(&rc, att, &labels, &hot);
    }
};

int g_allocs_left = 0;  // allocations that still succeed before one fails

void* FailingAlloc(std::size_t size) {
    if (g_allocs_left-- <= 0) return nullptr;
    return std::calloc(1, size);
}

class ShellLayers : public ShellTest {
protected:
    void TearDown() override {
        gp_alloc_layer = saved_alloc_;
        ShellTest::TearDown();
    }
    void FailAfter(int n) {
        g_allocs_left = n;
        gp_alloc_layer = FailingAlloc;
    }
    void AllocNormally() { gp_alloc_layer = saved_alloc_; }

private:
    void* (*saved_alloc_)(std::size_t) = gp_alloc_layer;
};

}  // namespace

TEST_F(ShellLayers, PopUpDrawsAttributesLabelsAndCellMap) {
    StartSys();
    Shot before = TakeShot();
    // Over the bar, so that the hot areas of row 0 lie beneath.
    Window w(SMALL_RECT{0, 0, 20, 5});
    w.Label("Hello", 2, 2).Label("", 4, 0).Label("确定", 8, 3);
    w.Area(2, 6, 3, 0).Area(8, 11, 3, 0).Area(2, 5, 4, 1).Area(14, 16, 4, 2).Area(17, 18, 5, 3);
    gi_sel_sub_menu = 4;
    w.Open(0x2F);

    ASSERT_EQ(gp_top_layer->LayerNo, 1);
    EXPECT_TRUE(SameRect(gp_top_layer->rcArea, w.rc));
    EXPECT_TRUE(con::state().has_focus);
    EXPECT_TRUE(SameRect(con::state().focus, w.rc));
    for (int y = 0; y <= 5; y++)
        for (int x = 0; x <= 20; x++) EXPECT_EQ(Attr(x, y), 0x2F) << x << "," << y;
    EXPECT_EQ(Attr(21, 0), before.cells[21].attr);
    EXPECT_EQ(Row(2, 2, 6), "Hello");
    EXPECT_EQ(Utf8(Row(3, 8, 11)), Utf8("确定"));
    // Where no label is written the pop-up is blank, the bar's titles beneath
    // included; an empty label writes nothing.
    for (int x = 0; x <= 20; x++) EXPECT_EQ(con::char_at(x, 0), ' ') << x;
    EXPECT_EQ(Row(2, 0, 20), "  Hello" + std::string(14, ' '));

    struct Probe {
        int x, y, tag, sort;
    };
    const Probe probes[] = {
        {5, 0, 0, 0},  // was bar item 1: the whole byte belongs to the pop-up now
        {0, 0, 0, 0},  {20, 5, 0, 0}, {7, 3, 0, 0},  {2, 3, 1, 0},  {6, 3, 1, 0},
        {8, 3, 2, 0},  {11, 3, 2, 0}, {12, 3, 0, 0}, {2, 4, 3, 1},  {5, 4, 3, 1},
        {14, 4, 4, 2}, {16, 4, 4, 2}, {17, 5, 5, 3}, {18, 5, 5, 3}, {19, 5, 0, 0},
    };
    for (const Probe& p : probes) {
        EXPECT_EQ(Layer(p.x, p.y), 1) << p.x << "," << p.y;
        EXPECT_EQ(Tag(p.x, p.y), p.tag) << p.x << "," << p.y;
        EXPECT_EQ(Sort(p.x, p.y), p.sort) << p.x << "," << p.y;
    }
    EXPECT_EQ(Tag(22, 0), 2);  // beside the pop-up, the bar keeps its areas
    EXPECT_EQ(gi_sel_sub_menu, 4);

    PopOff();
    EXPECT_EQ(ShotDiff(TakeShot(), before), "");
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    EXPECT_EQ(gi_sel_sub_menu, 4);  // the layers know no menus: closing one is the menus' own
    EXPECT_FALSE(con::state().has_focus);
}

TEST_F(ShellLayers, NestedPopUpsRestoreInStackOrder) {
    StartSys();
    Shot base = TakeShot();
    Window a(SMALL_RECT{0, 0, 30, 8});
    a.Label("window A", 2, 1).Area(2, 9, 1, 0).Area(12, 20, 6, 0);
    a.Open(0x30);
    Shot with_a = TakeShot();

    Window b(SMALL_RECT{10, 4, 40, 12});
    b.Label("window B", 12, 6).Area(12, 19, 6, 0);
    b.Open(0x47);
    EXPECT_EQ(gp_top_layer->LayerNo, 2);
    EXPECT_EQ(Layer(10, 4), 2);
    EXPECT_EQ(Tag(12, 6), 1);
    EXPECT_EQ(Layer(9, 4), 1);
    EXPECT_TRUE(SameRect(con::state().focus, b.rc));

    PopOff();
    EXPECT_EQ(ShotDiff(TakeShot(), with_a), "");
    EXPECT_EQ(Tag(12, 6), 2);  // area 2 of A, beneath B, is back
    EXPECT_TRUE(con::state().has_focus);
    EXPECT_TRUE(SameRect(con::state().focus, a.rc));

    PopOff();
    EXPECT_EQ(ShotDiff(TakeShot(), base), "");
    EXPECT_FALSE(con::state().has_focus);
}

TEST_F(ShellLayers, PopOffOnTheBaseLayerDoesNothing) {
    StartSys();
    Shot start = TakeShot();
    LAYER_NODE* base = gp_top_layer;
    gi_sel_sub_menu = 3;
    PopOff();
    PopOff();
    EXPECT_EQ(gp_top_layer, base);
    EXPECT_EQ(gp_top_layer->pScrAtt, gp_scr_att);
    EXPECT_EQ(gi_sel_sub_menu, 3);
    EXPECT_EQ(ShotDiff(TakeShot(), start), "");
}

TEST_F(ShellLayers, DrawBoxWritesCharactersOnly) {
    StartSys();
    struct BoxCase {
        SMALL_RECT rc;
        std::vector<std::string> rows;
    };
    const BoxCase cases[] = {
        {{10, 10, 11, 13}, {"++", "||", "||", "++"}},
        {{20, 20, 24, 22}, {"+---+", "|   |", "+---+"}},
        {{30, 30, 33, 31}, {"+--+", "+--+"}},
    };
    FillConsoleOutputAttribute(gh_std_out, 0x5A, SCR_COL * 40, COORD{0, 5}, nullptr);
    for (const BoxCase& c : cases) {
        SMALL_RECT rc = c.rc;
        DrawBox(&rc);
        for (int i = 0; i < int(c.rows.size()); i++) {
            EXPECT_EQ(Row(rc.Top + i, rc.Left, rc.Right), c.rows[i]) << RectText(rc) << " row " << i;
            for (int x = rc.Left; x <= rc.Right; x++) EXPECT_EQ(Attr(x, rc.Top + i), 0x5A);
        }
        EXPECT_EQ(con::char_at(rc.Left - 1, rc.Top), ' ');
        EXPECT_EQ(con::char_at(rc.Right + 1, rc.Bottom), ' ');
    }
}

// The cell map has two bits for the layer: a fourth pop-up above the base is
// refused, and its PopOff leaves layer 3 in place.
TEST_F(ShellLayers, PopUpBeyondLayerThreeIsRefusedAndItsPopOffKeepsTheStack) {
    StartSys();
    std::vector<Shot> shots{TakeShot()};
    std::vector<Window> windows;
    for (int i = 0; i < 5; i++) {
        windows.emplace_back(SMALL_RECT{SHORT(10 + 4 * i), SHORT(10 + 2 * i), SHORT(40 + 4 * i),
                                        SHORT(20 + 2 * i)});
        windows.back().Label("layer", 12 + 4 * i, 11 + 2 * i).Area(12 + 4 * i, 16 + 4 * i, 11 + 2 * i, 0);
    }
    for (int i = 0; i < 3; i++) {
        windows[i].Open(WORD(0x10 * (i + 2)));
        shots.push_back(TakeShot());
        EXPECT_EQ(gp_top_layer->LayerNo, i + 1);
    }
    EXPECT_EQ(Layer(30, 15), 3);
    LAYER_NODE* third = gp_top_layer;

    windows[3].Open(0x70);
    windows[4].Open(0x70);
    EXPECT_EQ(gp_top_layer, third);
    EXPECT_EQ(ShotDiff(TakeShot(), shots[3]), "");
    EXPECT_TRUE(SameRect(con::state().focus, windows[2].rc));

    PopOff();  // matches the fifth
    PopOff();  // matches the fourth
    EXPECT_EQ(gp_top_layer, third);
    EXPECT_EQ(ShotDiff(TakeShot(), shots[3]), "");

    for (int i = 2; i >= 0; i--) {
        PopOff();
        EXPECT_EQ(gp_top_layer->LayerNo, i);
        EXPECT_EQ(ShotDiff(TakeShot(), shots[i]), "") << "after closing layer " << i + 1;
    }
    PopOff();
    EXPECT_EQ(ShotDiff(TakeShot(), shots[0]), "");

    // The refusals are used up: a new stack behaves normally.
    windows[0].Open();
    EXPECT_EQ(gp_top_layer->LayerNo, 1);
    PopOff();
    EXPECT_EQ(ShotDiff(TakeShot(), shots[0]), "");
}

TEST_F(ShellLayers, PopUpOutsideTheBufferIsRefused) {
    StartSys();
    Window a(SMALL_RECT{5, 5, 25, 10});
    a.Open();
    Shot with_a = TakeShot();
    LAYER_NODE* top = gp_top_layer;

    const SMALL_RECT bad[] = {{140, 95, 155, 99}, {-1, 5, 10, 8},  {10, 98, 20, 100},
                              {20, 5, 10, 8},     {10, 8, 20, 5},  {0, 0, 150, 99}};
    for (const SMALL_RECT& rc : bad) {
        Window w(rc);
        w.Label("x", rc.Left, rc.Top).Area(rc.Left, rc.Right, rc.Top, 0);
        w.Open();
        EXPECT_EQ(gp_top_layer, top) << RectText(rc);
        EXPECT_EQ(ShotDiff(TakeShot(), with_a), "") << RectText(rc);
        PopOff();
        EXPECT_EQ(gp_top_layer, top) << RectText(rc);
    }
    PopOff();
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
}

TEST_F(ShellLayers, HotAreasNeverReachBeyondThePopUp) {
    StartSys();
    Shot start = TakeShot();
    Window w(SMALL_RECT{10, 10, 20, 12});
    w.Area(5, 25, 11, 0).Area(12, 14, 30, 0).Area(12, 14, 12, 0);
    w.tags.back() = 33;  // a tag too big for its four bits
    w.sorts.back() = 7;
    w.Open();
    Shot open = TakeShot();
    for (int y = 0; y < SCR_ROW; y++) {
        for (int x = 0; x < SCR_COL; x++) {
            if (x >= 10 && x <= 20 && y >= 10 && y <= 12) continue;
            ASSERT_EQ(open.map[y * SCR_COL + x], start.map[y * SCR_COL + x]) << x << "," << y;
        }
    }
    EXPECT_EQ(Tag(10, 11), 1);
    EXPECT_EQ(Tag(20, 11), 1);
    EXPECT_EQ(Layer(12, 12), 1);
    EXPECT_EQ(Tag(12, 12), 33 & 15);
    EXPECT_EQ(Sort(12, 12), 7 & 3);
    PopOff();
    EXPECT_EQ(ShotDiff(TakeShot(), start), "");
}

TEST_F(ShellLayers, PopUpWithoutMemoryDrawsAndPushesNothing) {
    StartSys();
    Window a(SMALL_RECT{5, 5, 25, 10});
    a.Open();
    Shot with_a = TakeShot();
    LAYER_NODE* top = gp_top_layer;

    for (int n = 0; n < 3; n++) {  // the node, the saved cells, the saved map bytes
        SCOPED_TRACE(n);
        Window w(SMALL_RECT{20, 8, 40, 14});
        w.Label("no memory", 22, 9).Area(22, 30, 9, 0);
        FailAfter(n);
        w.Open();
        AllocNormally();
        EXPECT_EQ(gp_top_layer, top);
        EXPECT_EQ(ShotDiff(TakeShot(), with_a), "");
        PopOff();
        EXPECT_EQ(gp_top_layer, top);
        EXPECT_EQ(ShotDiff(TakeShot(), with_a), "");
    }
    PopOff();
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
}

TEST_F(ShellLayers, SubMenuWithoutMemoryLeavesTheLoopWorking) {
    StartSys();
    Shot start = TakeShot();
    FailAfter(0);
    PopMenu(2);
    TagSubMenu(1);
    AllocNormally();
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    EXPECT_EQ(gi_sel_sub_menu, 0);
    EXPECT_EQ(gi_sel_menu, 2);
    Shot now = TakeShot();
    EXPECT_EQ(now.map, start.map);
    for (int i = SCR_COL; i < SCR_COL * SCR_ROW; i++) ASSERT_EQ(now.cells[i], start.cells[i]) << i;

    // A later menu opens and closes as usual.
    fe.alt('m').down().esc();
    RunOut();
    ExpectMenuState(3, false, 0);
    now = TakeShot();
    EXPECT_EQ(now.map, start.map);
}

TEST_F(ShellLayers, ExitDialogWithoutMemoryCountsAsCancel) {
    StartSys();
    FailAfter(1);
    EXPECT_TRUE(ExitSys());  // reads no input: the script is empty
    AllocNormally();
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    for (int y = 0; y < SCR_ROW; y++) ASSERT_EQ(Row(y), std::string(SCR_COL, ' ')) << y;
}
