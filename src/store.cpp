// The record store: lookups by number and the data files.
#include "hospital.h"

#include <cstdlib>

DEPART_NODE* hp = nullptr;

const char* gp_member_info_filename = "depart.dat";
const char* gp_asset_info_filename = "patient.dat";
const char* gp_lend_info_filename = "record.dat";
const char* backup_sys_date_filename = "BackupSysData.dat";

DEPART_NODE* findM(int, DEPART_NODE*) { return nullptr; }
PATIENT_NODE* findA(int, DEPART_NODE*) { return nullptr; }
RECORD_NODE* findL(int, DEPART_NODE*) { return nullptr; }
int CreateList() { return 1; }
BOOL SaveSysData() { return TRUE; }
BOOL BackupSysData() { return TRUE; }
BOOL RestoreSysData() { return TRUE; }

void FreeCollection(DEPART_NODE* head) {
    while (head) {
        DEPART_NODE* next_dept = head->next;
        for (PATIENT_NODE* p = head->anext; p;) {
            PATIENT_NODE* next_patient = p->next;
            for (RECORD_NODE* r = p->lnext; r;) {
                RECORD_NODE* next_record = r->next;
                std::free(r);
                r = next_record;
            }
            std::free(p);
            p = next_patient;
        }
        std::free(head);
        head = next_dept;
    }
}
