// What the dialogues share that is more than a line.
#include "commands/forms.h"

void RefuseTakenNumber(SHORT below) {
    // The rest of the typed line would answer the next questions.
    con::reset_input_buffer();
    GotoXY(1, below);
    con_printf("该编号已被使用！按任意键重新输入");
    con_getch();
}
