// The store at hospital scale: save, load, backup and restore of 1,000
// departments, 100,000 patients and 1,000,000 visit records, and the load's
// indexed attach against a walk of every department and patient per child.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/scripted.h"
#include "hospital.h"
#include "store_format.h"

namespace {

struct Size {
    int departs, patients, records;
};
constexpr Size kFull{1000, 100000, 1000000};
constexpr Size kWalkable{1000, 10000, 100000};

// Patients spread over the departments and records over the patients
// round-robin; every number unique.
DEPART_NODE* Build(Size s) {
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

// A scratch working directory and a scripted console for the commands.
struct Environment {
    Environment() {
        char tmpl[] = "/tmp/quorvel-bench-store-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        dir = tmpl;
        if (chdir(tmpl) != 0) std::abort();
    }
    ~Environment() {
        for (const char* f : {"depart.dat", "patient.dat", "record.dat", "BackupSysData.dat"})
            std::remove(f);
        if (chdir("/") == 0) rmdir(dir.c_str());
    }
    std::string dir;
    con::ScriptedFrontend fe;
};

Environment& Env() {
    static Environment env;
    con::attach(&env.fe);
    return env;
}

void SetCollection(Size s) {
    FreeCollection(hp);
    hp = Build(s);
}

void Counters(benchmark::State& state, Size s) {
    state.counters["nodes"] = static_cast<double>(s.departs + s.patients + s.records);
}

void BM_Save(benchmark::State& state) {
    Env();
    SetCollection(kFull);
    for (auto _ : state) SaveSysData();
    Counters(state, kFull);
    FreeCollection(hp);
    hp = nullptr;
}

void BM_Load(benchmark::State& state) {
    Env();
    SetCollection(kFull);
    SaveSysData();
    for (auto _ : state) {
        if (CreateList() != 1) state.SkipWithError("load failed");
    }
    Counters(state, kFull);
    FreeCollection(hp);
    hp = nullptr;
}

void BM_Backup(benchmark::State& state) {
    Env();
    SetCollection(kFull);
    for (auto _ : state) BackupSysData();
    Counters(state, kFull);
    FreeCollection(hp);
    hp = nullptr;
}

// Reading the backup and then saving the three data files, as the command does.
void BM_Restore(benchmark::State& state) {
    Env();
    SetCollection(kFull);
    BackupSysData();
    for (auto _ : state) RestoreSysData();
    Counters(state, kFull);
    FreeCollection(hp);
    hp = nullptr;
}

/* ---- The walk: each patient attached by walking the departments, each
 * record by walking every patient of every department, reading one record
 * at a time. Only here, to measure what the index saves. ---- */

DEPART_NODE* WalkLoad() {
    unsigned char buf[store::kRecordSize];
    DEPART_NODE* head = nullptr;
    FILE* in = std::fopen(gp_member_info_filename, "rb");
    while (std::fread(buf, store::kDepartSize, 1, in) == 1) {
        auto* d = static_cast<DEPART_NODE*>(std::calloc(1, sizeof(DEPART_NODE)));
        store::DecodeDepart(buf, d);
        d->next = head;
        head = d;
    }
    std::fclose(in);
    in = std::fopen(gp_asset_info_filename, "rb");
    while (std::fread(buf, store::kPatientSize, 1, in) == 1) {
        auto* p = static_cast<PATIENT_NODE*>(std::calloc(1, sizeof(PATIENT_NODE)));
        store::DecodePatient(buf, p);
        DEPART_NODE* d = head;
        while (d && d->number != p->number) d = d->next;
        if (!d) {
            std::free(p);
            continue;
        }
        p->next = d->anext;
        d->anext = p;
    }
    std::fclose(in);
    in = std::fopen(gp_lend_info_filename, "rb");
    while (std::fread(buf, store::kRecordSize, 1, in) == 1) {
        auto* r = static_cast<RECORD_NODE*>(std::calloc(1, sizeof(RECORD_NODE)));
        store::DecodeRecord(buf, r);
        PATIENT_NODE* found = nullptr;
        for (DEPART_NODE* d = head; d && !found; d = d->next)
            for (PATIENT_NODE* p = d->anext; p; p = p->next)
                if (p->number1 == r->number1) {
                    found = p;
                    break;
                }
        if (!found) {
            std::free(r);
            continue;
        }
        r->next = found->lnext;
        found->lnext = r;
    }
    std::fclose(in);
    return head;
}

// <chrono> does not build with GBK string literals: the monotonic clock directly.
double Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Seconds(void (*fn)()) {
    double t0 = Now();
    fn();
    return Now() - t0;
}

void BM_LoadIndexedWalkableSize(benchmark::State& state) {
    Env();
    SetCollection(kWalkable);
    SaveSysData();
    for (auto _ : state) CreateList();
    Counters(state, kWalkable);
    FreeCollection(hp);
    hp = nullptr;
}

// Also times the indexed load once more on the same files and reports how
// many times slower the walk is.
void BM_LoadWalkWalkableSize(benchmark::State& state) {
    Env();
    SetCollection(kWalkable);
    SaveSysData();
    FreeCollection(hp);
    hp = nullptr;
    double walk = 0;
    std::int64_t n = 0;
    for (auto _ : state) {
        double t0 = Now();
        DEPART_NODE* head = WalkLoad();
        walk += Now() - t0;
        ++n;
        state.PauseTiming();
        FreeCollection(head);
        state.ResumeTiming();
    }
    double indexed = Seconds([] { CreateList(); });
    FreeCollection(hp);
    hp = nullptr;
    Counters(state, kWalkable);
    state.counters["walk_over_indexed"] = walk / static_cast<double>(n) / indexed;
}

BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadIndexedWalkableSize)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadWalkWalkableSize)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
