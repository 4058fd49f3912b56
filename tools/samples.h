// The sample collection that ships in samples/: a small hospital, in Chinese,
// for a first look at the program. The tables hold it in the order the
// program lists it once the files are loaded.
#pragma once

#include <span>

#include "store/collection.h"

namespace samples {

struct Department {
    int number;
    const char* name;
    const char* adr;
    const char* phone;
};

struct Patient {
    int department;  // its department's number
    int number;
    const char* name;
    const char* phone;
    int sex;         // 1 male, 2 female: a plain code, as the forms take it
    const char* adr;
};

struct Record {
    int patient;     // its patient's number
    int number;
    const char* doctor;
    float fee;
    const char* ldate;  // visit
    const char* bdate;  // planned follow-up
    const char* tdate;  // actual follow-up
    const char* tell;
};

std::span<const Department> Departments();
std::span<const Patient> Patients();
std::span<const Record> Records();

// The collection as it must be saved: a load pushes every record it reads
// onto the front of its list, so every list here runs in the reverse of the
// tables' order, and the loaded collection reads as the tables do.
// Free it with FreeCollection.
DEPART_NODE* Build();

}  // namespace samples
