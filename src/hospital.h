// Quorvel's chief header: the record and window types, the globals and the
// screen size. Every unit of the application includes it.
#pragma once

#include <cstddef>

#include "console/console.h"
#include "console/output.h"
#include "console/reads.h"
#include "console/wintypes.h"

constexpr int SCR_ROW = 100;  // rows of the screen buffer
constexpr int SCR_COL = 150;  // columns of the screen buffer

/* ---- Records: departments, their patients, the patients' visit records ---- */

struct PATIENT_NODE;
struct RECORD_NODE;

struct DEPART_NODE {
    int number;          // department number
    char name[20];
    char adr[20];
    char phone[15];
    DEPART_NODE* next;   // next department
    PATIENT_NODE* anext; // first patient of this department
};

struct PATIENT_NODE {
    int number;          // number of the department the patient belongs to
    int number1;         // patient number
    char name[20];
    char phone[15];
    int sex;             // a plain integer code
    char adr[30];
    PATIENT_NODE* next;  // next patient of the same department
    RECORD_NODE* lnext;  // first visit record of this patient
};

struct RECORD_NODE {
    int number1;         // patient number of the owning patient
    int number2;         // visit record number
    char name[11];       // attending doctor
    float lmoney;        // fee
    char ldate[11];      // visit date, free text
    char bdate[11];      // planned follow-up date
    char tdate[11];      // actual follow-up date
    char tell[50];       // details
    RECORD_NODE* next;   // next visit record of the same patient
};

/* ---- Screen layers, labels and hot areas of pop-up windows ---- */

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

/* ---- Globals ----
 * Everything the application allocates comes from std::malloc or
 * std::calloc and goes back with std::free: the records are plain C records. */

extern const char* gp_sys_name;                 // "Quorvel", the console title
extern const char* ga_main_menu[7];
extern const char* ga_sub_menu[26];
extern int ga_sub_menu_count[7];
extern int gi_sel_menu;                         // selected main-menu item, 1..7
extern int gi_sel_sub_menu;                     // highlighted sub-menu item, 0 = none

extern HANDLE gh_std_out;
extern HANDLE gh_std_in;
extern DWORD num_written;                       // counts of fill and write calls; never read

extern LAYER_NODE* gp_top_layer;
// One byte per cell, row-major with stride SCR_COL: bits 0-1 layer number,
// bits 2-5 hot-area tag, bits 6-7 hot-area sort.
extern char* gp_scr_att;
extern CHAR_INFO* gp_buff_menubar_info;         // row 0 as ShowMenu left it
extern CHAR_INFO* gp_buff_stateBar_info;        // the last row

extern DEPART_NODE* hp;                         // the first department, null when empty

extern const char* gp_member_info_filename;     // "depart.dat"
extern const char* gp_asset_info_filename;      // "patient.dat"
extern const char* gp_lend_info_filename;       // "record.dat"
extern const char* backup_sys_date_filename;    // "BackupSysData.dat"

/* ---- Shell: start-up, main loop, bars, sub-menus ---- */

int QuorvelMain();  // the start-up steps and the loop; returns the process status
void InitInterface();
void RunSys();
BOOL ExeFunction(int m, int s);
void ShowMenu();
void TagMainMenu(int num);
void ShowState();
void ClearScreen();
void LocSubMenu(int num, SMALL_RECT* rc);
void PopMenu(int num);
void TagSubMenu(int num);
// Gives back everything the application holds: the collection, the screen
// layers, the cell map, the bar copies, the menu selection and the typed-ahead
// input. Afterwards the globals are as before start-up.
void ReleaseSys();

/* ---- Windows: layers, pop-ups, hot areas, dialogs ---- */

void PopUp(SMALL_RECT* pRc, WORD att, LABEL_BUNDLE* pLabel, HOT_AREA* pHotArea);
void PopOff();
void DrawBox(SMALL_RECT* pRc);
void SetHotPoint(HOT_AREA* pHotArea, int iHot);
int DealConInput(HOT_AREA* pHotArea, int* piHot);
BOOL ExitSys();
BOOL CloseSys();
// Asked before a save overwrites data files that this copy has not seen:
// TRUE to overwrite. "取消" is chosen at first.
BOOL ConfirmOverwrite();

/* ---- Store: lookups and data files ---- */

DEPART_NODE* findM(int num, DEPART_NODE* head);
PATIENT_NODE* findA(int num, DEPART_NODE* head);
RECORD_NODE* findL(int num, DEPART_NODE* head);
int CreateList();
BOOL SaveSysData();
BOOL BackupSysData();
BOOL RestoreSysData();
// Releases a whole collection: every department, patient and visit record.
void FreeCollection(DEPART_NODE* head);
// Forgets which versions of the data files this copy has loaded or written,
// as at start-up: the next save asks before it overwrites any of them.
void ForgetDataFiles();

/* ---- Record nodes ---- */

// Every record node the dialogues create comes from here: zeroed, or null when
// memory is short. Tests swap it to see the dialogues survive a failed
// allocation.
extern void* (*gp_alloc_node)(std::size_t size);

/* ---- Commands: departments, patients, visit records, help ---- */

DEPART_NODE* CreateM();
BOOL ModM();
BOOL InserM();
BOOL DeleM();
BOOL QueryM();
BOOL PutM();

BOOL CreateA();
BOOL ModA();
BOOL InserA();
BOOL DeleA();
BOOL QueryA();
BOOL PutA();
void LookA();

BOOL CreateL();
BOOL ModL();
BOOL InserL();
BOOL DeleL();
BOOL QueryL();
BOOL PutL();

BOOL HelpTopic();
BOOL About();
