// Patient dialogues: add, modify, insert after, delete, query, list, look-up.
#include "hospital.h"

// Not built yet: these entries of the command table do nothing until the
// patient dialogues arrive.
BOOL CreateA() { return TRUE; }
BOOL ModA() { return TRUE; }
BOOL InserA() { return TRUE; }
BOOL DeleA() { return TRUE; }
BOOL QueryA() { return TRUE; }
BOOL PutA() { return TRUE; }
void LookA() {}
