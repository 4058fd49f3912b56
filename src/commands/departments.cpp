// Department dialogues: add, modify, insert after, delete, query, list.
#include "hospital.h"

// Not built yet: these entries of the command table do nothing until the
// department dialogues arrive.
DEPART_NODE* CreateM() { return hp ? hp : reinterpret_cast<DEPART_NODE*>(&hp); }
BOOL ModM() { return TRUE; }
BOOL InserM() { return TRUE; }
BOOL DeleM() { return TRUE; }
BOOL QueryM() { return TRUE; }
BOOL PutM() { return TRUE; }
