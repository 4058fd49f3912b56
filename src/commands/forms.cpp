// What the dialogues share that is more than a line.
#include "commands/forms.h"

SavedRow::SavedRow(SHORT y) : y_(y) {
    SMALL_RECT row = {0, y, SCR_COL - 1, y};
    ReadConsoleOutputA(gh_std_out, cells_, COORD{SCR_COL, 1}, COORD{0, 0}, &row);
}

void SavedRow::Restore() {
    SMALL_RECT row = {0, y_, SCR_COL - 1, y_};
    WriteConsoleOutputA(gh_std_out, cells_, COORD{SCR_COL, 1}, COORD{0, 0}, &row);
}

void RefuseTakenNumber(SHORT below) {
    // The rest of the typed line would answer the next questions.
    con::reset_input_buffer();
    GotoXY(1, below);
    con_printf("该编号已被使用！按任意键重新输入");
    con_getch();
}
