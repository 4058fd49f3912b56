#include "collection.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

DEPART_NODE* BuildCollection(Size s) {
    auto** departs = static_cast<DEPART_NODE**>(std::calloc(s.departs, sizeof(DEPART_NODE*)));
    auto** patients = static_cast<PATIENT_NODE**>(std::calloc(s.patients, sizeof(PATIENT_NODE*)));
    DEPART_NODE* head = nullptr;
    for (int i = s.departs - 1; i >= 0; --i) {
        auto* d = static_cast<DEPART_NODE*>(std::calloc(1, sizeof(DEPART_NODE)));
        d->number = i + 1;
        std::snprintf(d->name, sizeof d->name, "dept %d", i + 1);
        std::snprintf(d->adr, sizeof d->adr, "building %d", i % 17);
        std::snprintf(d->phone, sizeof d->phone, "555%07d", i);
        d->next = head;
        head = d;
        departs[i] = d;
    }
    for (int i = s.patients - 1; i >= 0; --i) {
        DEPART_NODE* d = departs[i % s.departs];
        auto* p = static_cast<PATIENT_NODE*>(std::calloc(1, sizeof(PATIENT_NODE)));
        p->number = d->number;
        p->number1 = 100000 + i;
        std::snprintf(p->name, sizeof p->name, "patient %d", i);
        std::snprintf(p->phone, sizeof p->phone, "138%08d", i);
        p->sex = i % 2;
        std::snprintf(p->adr, sizeof p->adr, "street %d, house %d", i % 300, i);
        p->next = d->anext;
        d->anext = p;
        patients[i] = p;
    }
    for (int i = s.records - 1; i >= 0; --i) {
        PATIENT_NODE* p = patients[i % s.patients];
        auto* r = static_cast<RECORD_NODE*>(std::calloc(1, sizeof(RECORD_NODE)));
        r->number1 = p->number1;
        r->number2 = 1000000 + i;
        std::snprintf(r->name, sizeof r->name, "doctor%d", i % 50);
        r->lmoney = static_cast<float>(i % 1000) * 1.5f;
        std::snprintf(r->ldate, sizeof r->ldate, "2024-%02d-%02d", i % 12 + 1, i % 28 + 1);
        std::snprintf(r->tell, sizeof r->tell, "visit %d: follow up in two weeks", i);
        r->next = p->lnext;
        p->lnext = r;
    }
    std::free(departs);
    std::free(patients);
    return head;
}

double Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace bench
