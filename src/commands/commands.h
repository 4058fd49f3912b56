// The commands the menus run. Each draws its own screen, asks its own
// questions and returns TRUE, except the exit dialog's FALSE.
#pragma once

#include "console/wintypes.h"
#include "store/collection.h"

// The File menu.
int CreateList();
BOOL SaveSysData();
BOOL BackupSysData();
BOOL RestoreSysData();

// Departments.
// The department with this number; when there is none, says so at the
// cursor ("此科室不存在！" and a line break) and gives null.
DEPART_NODE* findM(int num, DEPART_NODE* head);
DEPART_NODE* CreateM();
BOOL ModM();
BOOL InserM();
BOOL DeleM();
BOOL QueryM();
BOOL PutM();

// Patients.
BOOL CreateA();
BOOL ModA();
BOOL InserA();
BOOL DeleA();
BOOL QueryA();
BOOL PutA();
// Looks patients up by number, one after another, below what the caller
// printed.
void LookA();

// Visit records.
BOOL CreateL();
BOOL ModL();
BOOL InserL();
BOOL DeleL();
BOOL QueryL();
BOOL PutL();

// The help menu's two screens.
BOOL HelpTopic();
BOOL About();
