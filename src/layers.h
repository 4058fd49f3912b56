// The screen the application draws on, and the layers of pop-up windows over
// it: the stack of what each pop-up covers, the cell map that tells the mouse
// which layer and hot area owns each cell, and the input of a pop-up's hot
// areas. Nothing here knows the menus.
#pragma once

#include <cstddef>

#include "console/console.h"
#include "console/wintypes.h"

constexpr int SCR_ROW = 100;  // rows of the screen buffer
constexpr int SCR_COL = 150;  // columns of the screen buffer

extern HANDLE gh_std_out;
extern HANDLE gh_std_in;

struct LAYER_NODE {
    signed char LayerNo;   // 0 for the base layer
    SMALL_RECT rcArea;     // the rectangle the layer covers
    CHAR_INFO* pContent;   // cells under the pop-up; null in the base layer
    char* pScrAtt;         // cell-map bytes under the pop-up; gp_scr_att in the base layer
    LAYER_NODE* next;      // the layer below
};

struct LABEL_BUNDLE {
    const char** ppLabel;  // the texts
    COORD* pLoc;           // where each text begins
    int num;
};

struct HOT_AREA {
    SMALL_RECT* pArea;     // one row each: Left..Right on row Top
    char* pSort;           // 0: chosen by a click; 1: puts the cursor; 2, 3: nothing
    char* pTag;            // area i has tag i
    int num;
};

extern LAYER_NODE* gp_top_layer;
// One byte per cell, row-major with stride SCR_COL: bits 0-1 layer number,
// bits 2-5 hot-area tag, bits 6-7 hot-area sort.
extern char* gp_scr_att;

// Where PopUp gets the memory of a layer: zeroed, or null when memory is
// short. Tests swap it to see a pop-up refused.
extern void* (*gp_alloc_layer)(std::size_t size);

// The base layer: the cell map and the bottom of the stack, over a cleared
// screen. Everything the application allocates for the screen comes from
// std::malloc or std::calloc and goes back with std::free.
void InitLayers();
// Gives back every layer and the cell map.
void ReleaseLayers();

// Clears the whole screen in the current text attribute.
void ClearScreen();

// One row of the screen, to be put back as it was.
class SavedRow {
public:
    explicit SavedRow(SHORT y);
    void Restore();

private:
    SHORT y_;
    CHAR_INFO cells_[SCR_COL];
};

void PopUp(SMALL_RECT* pRc, WORD att, LABEL_BUNDLE* pLabel, HOT_AREA* pHotArea);
void PopOff();
void DrawBox(SMALL_RECT* pRc);
void SetHotPoint(HOT_AREA* pHotArea, int iHot);
// Waits for a choice among the top pop-up's hot areas: 13 when one is chosen
// (Enter, Space or a click), 27 for Esc; *piHot is the area.
int DealConInput(HOT_AREA* pHotArea, int* piHot);
