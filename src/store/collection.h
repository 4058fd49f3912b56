// The collection: departments, the patients of each department and the
// visit records of each patient, as plain records linked by pointers. Nothing
// here draws or waits: the commands print what a lookup did not find.
#pragma once

#include <cstddef>

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

extern DEPART_NODE* hp;  // the first department, null when empty

// Every record node comes from here: zeroed, or null when memory is short.
// Everything the collection holds goes back with std::free. Tests swap it to
// see the dialogues and the load survive a failed allocation.
extern void* (*gp_alloc_node)(std::size_t size);

/* ---- Lookups: the first match in list order, or null ---- */

// The department with this number; *before (when asked) is the one ahead of
// it, null for the head.
DEPART_NODE* FindDepart(int num, DEPART_NODE* head, DEPART_NODE** before = nullptr);
// The patient with this number in any department.
PATIENT_NODE* findA(int num, DEPART_NODE* head);
// The visit record with this number under any patient.
RECORD_NODE* findL(int num, DEPART_NODE* head);

/* ---- Taking entries out ---- */

// Releases a whole collection: every department, patient and visit record.
void FreeCollection(DEPART_NODE* head);
// Releases a list of patients with their visit records.
void FreePatients(PATIENT_NODE* p);
// Takes a department out of the collection, with its patients and their
// visit records; `before` is the department ahead of it, null for the head.
void RemoveDepart(DEPART_NODE* d, DEPART_NODE* before);
// Takes a patient out of its department, with its visit records.
void RemovePatient(DEPART_NODE* d, PATIENT_NODE* p, PATIENT_NODE* before);
// Takes a visit record out of its patient's list.
void RemoveRecord(PATIENT_NODE* p, RECORD_NODE* r, RECORD_NODE* before);

/* ---- Renumbering ----
 * The files tie a patient to its department, and a visit record to its
 * patient, by number: children take their parent's new number with it. */

void RenumberChildren(DEPART_NODE* d);
void RenumberChildren(PATIENT_NODE* p);
