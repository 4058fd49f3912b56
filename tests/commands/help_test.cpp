// The help menu's screens, and F1 reaching the help topic from the menus.
#include <string>

#include "support/app_test.h"

namespace {

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

class HelpTest : public AppTest {
protected:
    void ExpectHelpTopic() {
        EXPECT_EQ(RowTrim(5), Blanks(45) + "Quorvel");
        EXPECT_EQ(RowTrim(6), "");
        EXPECT_EQ(RowTrim(7), Blanks(51) + "五大功能：");
        EXPECT_EQ(RowTrim(8), "");
        EXPECT_EQ(RowTrim(9), Blanks(32) + "添加(A)、修改(M)、插入(I)、删除(D)和查询(Q)");
        EXPECT_EQ(RowTrim(10), "");
    }
};

TEST_F(HelpTest, BothScreensClearAndReturnWithoutAWait) {
    for (BOOL (*command)() : {HelpTopic, About}) {
        SetConsoleCursorPosition(gh_std_out, COORD{0, 3});
        con_printf("left over");

        EXPECT_EQ(command(), TRUE);  // nothing typed: a wait would throw

        EXPECT_EQ(RowTrim(3), "");
    }
}

TEST_F(HelpTest, HelpTopicText) {
    EXPECT_EQ(HelpTopic(), TRUE);

    ExpectHelpTopic();
    EXPECT_EQ(Cursor().X, 0);
    EXPECT_EQ(Cursor().Y, 11);
}

TEST_F(HelpTest, AboutText) {
    EXPECT_EQ(About(), TRUE);

    EXPECT_EQ(RowTrim(5), Blanks(25) + "  本信息管理系统适用于医院病人就诊记录信息的管理，可以实现对信息管理的相关功能");
    EXPECT_EQ(RowTrim(8), Blanks(50) + "欢迎使用本系统！");
    EXPECT_EQ(RowTrim(17), Blanks(38) + "Quorvel 版本 " QUORVEL_VERSION);
    EXPECT_EQ(RowTrim(19), Blanks(39) + "Quorvel 开发组");
    for (int y = 0; y < SCR_ROW; ++y) {
        if (y == 5 || y == 8 || y == 17 || y == 19) continue;
        EXPECT_EQ(RowTrim(y), "") << "row " << y;
    }
    EXPECT_EQ(Cursor().X, 0);
    EXPECT_EQ(Cursor().Y, 21);
}

TEST_F(HelpTest, F1FromTheMenuBarRunsTheHelpTopic) {
    StartSys();
    fe.f1();

    EXPECT_THROW(RunSys(), con::InputClosed);

    ExpectHelpTopic();
}

TEST_F(HelpTest, F1FromAnOpenSubMenuClosesItAndRunsTheHelpTopic) {
    StartSys();
    fe.alt('F').f1();

    EXPECT_THROW(RunSys(), con::InputClosed);

    ExpectHelpTopic();
    ASSERT_NE(gp_top_layer, nullptr);
    EXPECT_EQ(gp_top_layer->next, nullptr);  // only the base layer is left
}

}  // namespace
