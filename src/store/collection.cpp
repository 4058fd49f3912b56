// The collection's lists: lookups, taking entries out, renumbering.
#include "store/collection.h"

#include <cstdlib>

DEPART_NODE* hp = nullptr;

namespace {
void* AllocZeroed(std::size_t size) { return std::calloc(1, size); }
}  // namespace

void* (*gp_alloc_node)(std::size_t size) = AllocZeroed;

DEPART_NODE* FindDepart(int num, DEPART_NODE* head, DEPART_NODE** before) {
    DEPART_NODE* prev = nullptr;
    DEPART_NODE* d = head;
    while (d && d->number != num) {
        prev = d;
        d = d->next;
    }
    if (before) *before = prev;
    return d;
}

PATIENT_NODE* findA(int num, DEPART_NODE* head) {
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            if (p->number1 == num) return p;
    return nullptr;
}

RECORD_NODE* findL(int num, DEPART_NODE* head) {
    for (DEPART_NODE* d = head; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            for (RECORD_NODE* r = p->lnext; r; r = r->next)
                if (r->number2 == num) return r;
    return nullptr;
}

namespace {

void FreeRecords(RECORD_NODE* r) {
    while (r) {
        RECORD_NODE* next = r->next;
        std::free(r);
        r = next;
    }
}

}  // namespace

void FreePatients(PATIENT_NODE* p) {
    while (p) {
        PATIENT_NODE* next = p->next;
        FreeRecords(p->lnext);
        std::free(p);
        p = next;
    }
}

void FreeCollection(DEPART_NODE* head) {
    while (head) {
        DEPART_NODE* next = head->next;
        FreePatients(head->anext);
        std::free(head);
        head = next;
    }
}

void RemoveDepart(DEPART_NODE* d, DEPART_NODE* before) {
    if (before)
        before->next = d->next;
    else
        hp = d->next;
    d->next = nullptr;
    FreeCollection(d);
}

void RemovePatient(DEPART_NODE* d, PATIENT_NODE* p, PATIENT_NODE* before) {
    if (before)
        before->next = p->next;
    else
        d->anext = p->next;
    p->next = nullptr;
    FreePatients(p);
}

void RemoveRecord(PATIENT_NODE* p, RECORD_NODE* r, RECORD_NODE* before) {
    if (before)
        before->next = r->next;
    else
        p->lnext = r->next;
    std::free(r);
}

void RenumberChildren(DEPART_NODE* d) {
    for (PATIENT_NODE* p = d->anext; p; p = p->next) p->number = d->number;
}

void RenumberChildren(PATIENT_NODE* p) {
    for (RECORD_NODE* r = p->lnext; r; r = r->next) r->number1 = p->number1;
}
