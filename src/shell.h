// The console shell: start-up, the main loop and the state bar.
#pragma once

#include "console/wintypes.h"

extern const char* gp_sys_name;               // "Quorvel", the console title
extern CHAR_INFO* gp_buff_stateBar_info;      // the last row

int QuorvelMain();  // the start-up steps and the loop; returns the process status
void InitInterface();
void RunSys();
void ShowState();
// Gives back everything the application holds: the collection, the screen
// layers, the cell map, the bar copies, the menu selection and the typed-ahead
// input. Afterwards the globals are as before start-up.
void ReleaseSys();
