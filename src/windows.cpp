// Pop-up windows: the layer stack, hot areas and the exit dialogs.
#include "hospital.h"

LAYER_NODE* gp_top_layer = nullptr;
char* gp_scr_att = nullptr;

// Not built yet.
void PopUp(SMALL_RECT*, WORD, LABEL_BUNDLE*, HOT_AREA*) {}
void PopOff() {}
void DrawBox(SMALL_RECT*) {}
void SetHotPoint(HOT_AREA*, int) {}
int DealConInput(HOT_AREA*, int*) { return 27; }
BOOL ExitSys() { return FALSE; }
BOOL CloseSys() { return TRUE; }
