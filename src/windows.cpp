// Pop-up windows: the layer stack, hot areas and the exit dialogs.
#include <cstdlib>
#include <cstring>

#include "hospital.h"

LAYER_NODE* gp_top_layer = nullptr;
char* gp_scr_att = nullptr;

namespace {

void* AllocZeroed(std::size_t size) { return std::calloc(1, size); }

}  // namespace

// Where PopUp gets the memory of a layer. Tests swap it to see a pop-up
// refused when memory is short.
void* (*gp_alloc_layer)(std::size_t size) = AllocZeroed;

namespace {

// The cell map keeps a cell's layer number in two bits, so only layers 0 to 3
// can be told apart there. A pop-up that would be layer 4 or deeper, or whose
// memory cannot be had, is refused: nothing is drawn and nothing is pushed.
// Its caller still matches it with one PopOff, which must not take away the
// layer below; so refusals are counted by the depth of the stack at which they
// happened, and a PopOff at that depth uses one up instead of removing a layer.
// A layer can only be removed once every refusal made above it is used up, so
// the count at a depth is zero whenever a new layer is pushed to it.
constexpr int kMaxLayerNo = 3;
int gi_refused[kMaxLayerNo + 1];

void Refuse() { gi_refused[gp_top_layer->LayerNo]++; }

bool InsideScreen(const SMALL_RECT& rc) {
    return rc.Left >= 0 && rc.Top >= 0 && rc.Left <= rc.Right && rc.Top <= rc.Bottom &&
           rc.Right < SCR_COL && rc.Bottom < SCR_ROW;
}

}  // namespace

void PopUp(SMALL_RECT* pRc, WORD att, LABEL_BUNDLE* pLabel, HOT_AREA* pHotArea) {
    if (gp_top_layer == nullptr || gp_scr_att == nullptr) return;
    // A rectangle beyond the buffer would reach past the cell map.
    if (gp_top_layer->LayerNo >= kMaxLayerNo || !InsideScreen(*pRc)) {
        Refuse();
        return;
    }

    int rows = pRc->Bottom - pRc->Top + 1;
    int cols = pRc->Right - pRc->Left + 1;
    auto* nextLayer = static_cast<LAYER_NODE*>(gp_alloc_layer(sizeof(LAYER_NODE)));
    auto* content =
        static_cast<CHAR_INFO*>(nextLayer ? gp_alloc_layer(rows * cols * sizeof(CHAR_INFO)) : nullptr);
    auto* scrAtt = static_cast<char*>(content ? gp_alloc_layer(rows * cols) : nullptr);
    if (scrAtt == nullptr) {
        std::free(content);
        std::free(nextLayer);
        Refuse();
        return;
    }

    nextLayer->next = gp_top_layer;
    nextLayer->LayerNo = static_cast<signed char>(gp_top_layer->LayerNo + 1);
    nextLayer->rcArea = *pRc;
    nextLayer->pContent = content;
    nextLayer->pScrAtt = scrAtt;

    COORD size = {static_cast<SHORT>(cols), static_cast<SHORT>(rows)};
    COORD pos = {0, 0};
    SMALL_RECT region = *pRc;
    ReadConsoleOutputA(gh_std_out, content, size, pos, &region);

    char* saved = scrAtt;
    for (int y = pRc->Top; y <= pRc->Bottom; y++) {
        for (int x = pRc->Left; x <= pRc->Right; x++) *saved++ = gp_scr_att[y * SCR_COL + x];
    }

    gp_top_layer = nextLayer;
    gi_refused[nextLayer->LayerNo] = 0;

    for (int y = pRc->Top; y <= pRc->Bottom; y++) {
        COORD at = {pRc->Left, static_cast<SHORT>(y)};
        FillConsoleOutputAttribute(gh_std_out, att, cols, at, &num_written);
    }

    for (int i = 0; i < pLabel->num; i++) {
        const char* text = pLabel->ppLabel[i];
        if (text[0] == '\0') continue;
        WriteConsoleOutputCharacterA(gh_std_out, text, static_cast<DWORD>(std::strlen(text)),
                                     pLabel->pLoc[i], &num_written);
    }

    for (int y = pRc->Top; y <= pRc->Bottom; y++) {
        for (int x = pRc->Left; x <= pRc->Right; x++) {
            gp_scr_att[y * SCR_COL + x] = nextLayer->LayerNo;
        }
    }

    // Only the pop-up's own cells take its hot areas, and a tag or sort never
    // spills into the neighbouring bits.
    for (int i = 0; i < pHotArea->num; i++) {
        const SMALL_RECT& area = pHotArea->pArea[i];
        if (area.Top < pRc->Top || area.Top > pRc->Bottom) continue;
        char bits = static_cast<char>(((pHotArea->pSort[i] & 3) << 6) | ((pHotArea->pTag[i] & 15) << 2));
        for (int x = area.Left; x <= area.Right; x++) {
            if (x < pRc->Left || x > pRc->Right) continue;
            gp_scr_att[area.Top * SCR_COL + x] |= bits;
        }
    }

    // Keep the open pop-up in the user's view on a terminal smaller than the buffer.
    con::set_focus(&gp_top_layer->rcArea);
}

void PopOff() {
    if (gp_top_layer == nullptr) return;
    if (gi_refused[gp_top_layer->LayerNo] > 0) {
        gi_refused[gp_top_layer->LayerNo]--;
        return;
    }
    // The base layer is never removed.
    if (gp_top_layer->next == nullptr || gp_top_layer->pContent == nullptr) return;

    LAYER_NODE* top = gp_top_layer;
    SMALL_RECT rc = top->rcArea;
    COORD size = {static_cast<SHORT>(rc.Right - rc.Left + 1), static_cast<SHORT>(rc.Bottom - rc.Top + 1)};
    COORD pos = {0, 0};
    SMALL_RECT region = rc;
    WriteConsoleOutputA(gh_std_out, top->pContent, size, pos, &region);

    const char* saved = top->pScrAtt;
    for (int y = rc.Top; y <= rc.Bottom; y++) {
        for (int x = rc.Left; x <= rc.Right; x++) gp_scr_att[y * SCR_COL + x] = *saved++;
    }

    gp_top_layer = top->next;
    std::free(top->pContent);
    std::free(top->pScrAtt);
    std::free(top);
    gi_sel_sub_menu = 0;

    con::set_focus(gp_top_layer->LayerNo != 0 ? &gp_top_layer->rcArea : nullptr);
}

void DrawBox(SMALL_RECT* pRc) {
    const char chBox[] = {'+', '-', '|'};
    COORD pos;

    pos.Y = pRc->Top;
    pos.X = pRc->Left;
    WriteConsoleOutputCharacterA(gh_std_out, &chBox[0], 1, pos, &num_written);
    for (pos.X = static_cast<SHORT>(pRc->Left + 1); pos.X < pRc->Right; pos.X++) {
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[1], 1, pos, &num_written);
    }
    pos.X = pRc->Right;
    WriteConsoleOutputCharacterA(gh_std_out, &chBox[0], 1, pos, &num_written);

    for (pos.Y = static_cast<SHORT>(pRc->Top + 1); pos.Y < pRc->Bottom; pos.Y++) {
        pos.X = pRc->Left;
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[2], 1, pos, &num_written);
        pos.X = pRc->Right;
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[2], 1, pos, &num_written);
    }

    pos.Y = pRc->Bottom;
    pos.X = pRc->Left;
    WriteConsoleOutputCharacterA(gh_std_out, &chBox[0], 1, pos, &num_written);
    for (pos.X = static_cast<SHORT>(pRc->Left + 1); pos.X < pRc->Right; pos.X++) {
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[1], 1, pos, &num_written);
    }
    pos.X = pRc->Right;
    WriteConsoleOutputCharacterA(gh_std_out, &chBox[0], 1, pos, &num_written);
}

void SetHotPoint(HOT_AREA* pHotArea, int iHot) {
    for (int i = 0; i < pHotArea->num; i++) {
        if (pHotArea->pSort[i] != 0) continue;
        const SMALL_RECT& area = pHotArea->pArea[i];
        COORD pos = {area.Left, area.Top};
        FillConsoleOutputAttribute(gh_std_out, 0x70, area.Right - area.Left + 1, pos, &num_written);
    }

    if (iHot < 1 || iHot > pHotArea->num) return;
    const SMALL_RECT& area = pHotArea->pArea[iHot - 1];
    COORD pos = {area.Left, area.Top};
    if (pHotArea->pSort[iHot - 1] == 0) {
        FillConsoleOutputAttribute(gh_std_out, 0x07, area.Right - area.Left + 1, pos, &num_written);
    } else if (pHotArea->pSort[iHot - 1] == 1) {
        CONSOLE_CURSOR_INFO lpCur;
        SetConsoleCursorPosition(gh_std_out, pos);
        GetConsoleCursorInfo(gh_std_out, &lpCur);
        lpCur.bVisible = TRUE;
        SetConsoleCursorInfo(gh_std_out, &lpCur);
    }
}

int DealConInput(HOT_AREA* pHotArea, int* piHot) {
    INPUT_RECORD inRec;
    DWORD res;

    SetHotPoint(pHotArea, *piHot);
    for (;;) {
        ReadConsoleInputA(gh_std_in, &inRec, 1, &res);

        if (inRec.EventType == MOUSE_EVENT &&
            inRec.Event.MouseEvent.dwButtonState == FROM_LEFT_1ST_BUTTON_PRESSED) {
            COORD pos = inRec.Event.MouseEvent.dwMousePosition;
            if (pos.X < 0 || pos.X >= SCR_COL || pos.Y < 0 || pos.Y >= SCR_ROW) continue;
            char cell = gp_scr_att[pos.Y * SCR_COL + pos.X];
            int cNo = cell & 3;
            int cTag = (cell >> 2) & 15;
            int cSort = (cell >> 6) & 3;
            if (cNo == gp_top_layer->LayerNo && cTag > 0 && cTag <= pHotArea->num) {
                *piHot = cTag;
                SetHotPoint(pHotArea, *piHot);
                if (cSort == 0) return 13;
            }
        } else if (inRec.EventType == KEY_EVENT && inRec.Event.KeyEvent.bKeyDown) {
            WORD vkc = inRec.Event.KeyEvent.wVirtualKeyCode;
            if (inRec.Event.KeyEvent.uChar.AsciiChar != 0) {
                if (vkc == VK_ESCAPE) return 27;
                if (vkc == VK_RETURN || vkc == VK_SPACE) return 13;
                continue;
            }
            if (vkc != VK_LEFT && vkc != VK_UP && vkc != VK_RIGHT && vkc != VK_DOWN) continue;
            int c = *piHot;
            if (c < 1 || c > pHotArea->num) continue;
            int step = (vkc == VK_LEFT || vkc == VK_UP) ? -1 : 1;
            bool sameRow = (vkc == VK_LEFT || vkc == VK_RIGHT);
            // No wrap-around: running off either end leaves the selection.
            for (int n = c + step; n >= 1 && n <= pHotArea->num; n += step) {
                bool onRow = pHotArea->pArea[n - 1].Top == pHotArea->pArea[c - 1].Top;
                if (onRow == sameRow) {
                    *piHot = n;
                    SetHotPoint(pHotArea, *piHot);
                    break;
                }
            }
        }
    }
}

namespace {

// The confirmation dialogs: the message, the two answers "确定" and "取消" on
// a grey window centred on the screen, and a line between them. FALSE when the
// user confirms; `iHot` is the answer chosen at first (1 "确定", 2 "取消").
BOOL AskToLeave(const char* message, int iHot = 1) {
    int len = static_cast<int>(std::strlen(message));
    int width = len + 6;
    SMALL_RECT rcPop;
    rcPop.Left = static_cast<SHORT>((SCR_COL - width) / 2);
    rcPop.Right = static_cast<SHORT>(rcPop.Left + width - 1);
    rcPop.Top = static_cast<SHORT>((SCR_ROW - 7) / 2);
    rcPop.Bottom = static_cast<SHORT>(rcPop.Top + 6);

    const char* pCh[] = {message, "确定    取消"};
    COORD aLoc[] = {{static_cast<SHORT>(rcPop.Left + 3), static_cast<SHORT>(rcPop.Top + 2)},
                    {static_cast<SHORT>(rcPop.Left + 5), static_cast<SHORT>(rcPop.Top + 5)}};
    LABEL_BUNDLE labels = {pCh, aLoc, 2};

    SMALL_RECT aArea[] = {{static_cast<SHORT>(rcPop.Left + 5), static_cast<SHORT>(rcPop.Top + 5),
                           static_cast<SHORT>(rcPop.Left + 8), static_cast<SHORT>(rcPop.Top + 5)},
                          {static_cast<SHORT>(rcPop.Left + 13), static_cast<SHORT>(rcPop.Top + 5),
                           static_cast<SHORT>(rcPop.Left + 16), static_cast<SHORT>(rcPop.Top + 5)}};
    char aSort[] = {0, 0};
    char aTag[] = {1, 2};
    HOT_AREA areas = {aArea, aSort, aTag, 2};

    LAYER_NODE* below = gp_top_layer;
    PopUp(&rcPop, 0x70, &labels, &areas);
    if (gp_top_layer == below) {
        // The dialog could not be shown; leaving unasked is not an answer.
        PopOff();
        return TRUE;
    }

    COORD pos = {static_cast<SHORT>(rcPop.Left + 1), static_cast<SHORT>(rcPop.Top + 4)};
    FillConsoleOutputCharacterA(gh_std_out, '-', rcPop.Right - rcPop.Left - 1, pos, &num_written);

    BOOL bRet = TRUE;
    if (DealConInput(&areas, &iHot) == 13 && iHot == 1) bRet = FALSE;
    PopOff();
    return bRet;
}

}  // namespace

BOOL ExitSys() {
    ClearScreen();
    return AskToLeave("确认退出系统吗？");
}

BOOL CloseSys() { return AskToLeave("一个窗口样例！退出吗？"); }

// Over the screen as it is, and gone without a trace when answered.
BOOL ConfirmOverwrite() { return !AskToLeave("数据文件已在别处改动或尚未加载，确定覆盖吗？", 2); }
