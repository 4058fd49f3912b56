// The screen's layers: the base layer, pop-ups over it, hot areas.
#include "layers.h"

#include <cstdlib>
#include <cstring>

HANDLE gh_std_out = nullptr;
HANDLE gh_std_in = nullptr;

LAYER_NODE* gp_top_layer = nullptr;
char* gp_scr_att = nullptr;

namespace {

void* AllocZeroed(std::size_t size) { return std::calloc(1, size); }

}  // namespace

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

void InitLayers() {
    ClearScreen();
    gp_scr_att = static_cast<char*>(std::calloc(SCR_COL * SCR_ROW, 1));

    auto* base = static_cast<LAYER_NODE*>(std::calloc(1, sizeof(LAYER_NODE)));
    base->LayerNo = 0;
    base->rcArea = SMALL_RECT{0, 0, SCR_COL - 1, SCR_ROW - 1};
    base->pContent = nullptr;
    base->pScrAtt = gp_scr_att;
    base->next = nullptr;
    gp_top_layer = base;
}

void ReleaseLayers() {
    // The base layer shares the cell map; every pop-up owns its saved cells.
    while (gp_top_layer) {
        LAYER_NODE* below = gp_top_layer->next;
        if (gp_top_layer->pScrAtt != gp_scr_att) std::free(gp_top_layer->pScrAtt);
        std::free(gp_top_layer->pContent);
        std::free(gp_top_layer);
        gp_top_layer = below;
    }
    std::free(gp_scr_att);
    gp_scr_att = nullptr;
    for (int& n : gi_refused) n = 0;
    con::set_focus(nullptr);
}

void ClearScreen() {
    CONSOLE_SCREEN_BUFFER_INFO bInfo;
    COORD home = {0, 0};
    GetConsoleScreenBufferInfo(gh_std_out, &bInfo);
    DWORD size = static_cast<DWORD>(bInfo.dwSize.X) * static_cast<DWORD>(bInfo.dwSize.Y);
    FillConsoleOutputAttribute(gh_std_out, bInfo.wAttributes, size, home, nullptr);
    FillConsoleOutputCharacterA(gh_std_out, ' ', size, home, nullptr);
}

SavedRow::SavedRow(SHORT y) : y_(y) {
    SMALL_RECT row = {0, y, SCR_COL - 1, y};
    ReadConsoleOutputA(gh_std_out, cells_, COORD{SCR_COL, 1}, COORD{0, 0}, &row);
}

void SavedRow::Restore() {
    SMALL_RECT row = {0, y_, SCR_COL - 1, y_};
    WriteConsoleOutputA(gh_std_out, cells_, COORD{SCR_COL, 1}, COORD{0, 0}, &row);
}

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

    // The inside is blanked as well as coloured: text left beneath (a
    // listing's column heads) would read as part of the labels.
    for (int y = pRc->Top; y <= pRc->Bottom; y++) {
        COORD at = {pRc->Left, static_cast<SHORT>(y)};
        FillConsoleOutputAttribute(gh_std_out, att, cols, at, nullptr);
        FillConsoleOutputCharacterA(gh_std_out, ' ', cols, at, nullptr);
    }

    for (int i = 0; i < pLabel->num; i++) {
        const char* text = pLabel->ppLabel[i];
        if (text[0] == '\0') continue;
        WriteConsoleOutputCharacterA(gh_std_out, text, static_cast<DWORD>(std::strlen(text)),
                                     pLabel->pLoc[i], nullptr);
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

    con::set_focus(gp_top_layer->LayerNo != 0 ? &gp_top_layer->rcArea : nullptr);
}

void DrawBox(SMALL_RECT* pRc) {
    const char chBox[] = {'+', '-', '|'};
    // The top and bottom edges: a corner, a run of '-', a corner.
    auto edge = [&](SHORT y) {
        COORD pos = {pRc->Left, y};
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[0], 1, pos, nullptr);
        for (pos.X = static_cast<SHORT>(pRc->Left + 1); pos.X < pRc->Right; pos.X++)
            WriteConsoleOutputCharacterA(gh_std_out, &chBox[1], 1, pos, nullptr);
        pos.X = pRc->Right;
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[0], 1, pos, nullptr);
    };

    edge(pRc->Top);
    for (SHORT y = static_cast<SHORT>(pRc->Top + 1); y < pRc->Bottom; y++) {
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[2], 1, COORD{pRc->Left, y}, nullptr);
        WriteConsoleOutputCharacterA(gh_std_out, &chBox[2], 1, COORD{pRc->Right, y}, nullptr);
    }
    edge(pRc->Bottom);
}

void SetHotPoint(HOT_AREA* pHotArea, int iHot) {
    for (int i = 0; i < pHotArea->num; i++) {
        if (pHotArea->pSort[i] != 0) continue;
        const SMALL_RECT& area = pHotArea->pArea[i];
        COORD pos = {area.Left, area.Top};
        FillConsoleOutputAttribute(gh_std_out, 0x70, area.Right - area.Left + 1, pos, nullptr);
    }

    if (iHot < 1 || iHot > pHotArea->num) return;
    const SMALL_RECT& area = pHotArea->pArea[iHot - 1];
    COORD pos = {area.Left, area.Top};
    if (pHotArea->pSort[iHot - 1] == 0) {
        FillConsoleOutputAttribute(gh_std_out, 0x07, area.Right - area.Left + 1, pos, nullptr);
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

