// The store at hospital scale: save, load, backup and restore of 1,000
// departments, 100,000 patients and 1,000,000 visit records, and the load's
// indexed attach against a walk of every department and patient per child.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "collection.h"
#include "support/scripted.h"
#include "commands/commands.h"
#include "store/collection.h"
#include "store/folder.h"
#include "store/format.h"
#include "store/recovery.h"

namespace {

using bench::kFull;
using bench::Now;
using bench::Size;
constexpr Size kWalkable{1000, 10000, 100000};

DEPART_NODE* Build(Size s) { return bench::BuildCollection(s); }

// A scratch working directory and a scripted console for the commands.
struct Environment {
    Environment() {
        char tmpl[] = "/tmp/quorvel-bench-store-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        dir = tmpl;
        if (chdir(tmpl) != 0) std::abort();
    }
    ~Environment() {
        for (const char* f : {"depart.dat", "patient.dat", "record.dat", "BackupSysData.dat",
                              "Quorvel.lock", "Quorvel.recover"})
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
    // A save that asked first (no one answers here) would have written nothing.
    FILE* out = std::fopen(gp_lend_info_filename, "rb");
    long size = out && std::fseek(out, 0, SEEK_END) == 0 ? std::ftell(out) : -1;
    if (out) std::fclose(out);
    if (size != static_cast<long>(kFull.records * store::kRecordSize))
        state.SkipWithError("the save wrote nothing");
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

/* ---- The recovery file of unsaved work ---- */

// The first completed entry after a save writes the whole collection as the
// recovery file's base.
void BM_RecoveryFirstChange(benchmark::State& state) {
    Env();
    SetCollection(kFull);
    store::StartRecovery();
    RECORD_NODE* last = nullptr;
    for (const DEPART_NODE* d = hp; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next)
            if (p->lnext) last = p->lnext;
    for (auto _ : state) {
        state.PauseTiming();
        store::NothingUnsaved();  // as after a save
        state.ResumeTiming();
        last->lmoney += 1.0f;
        store::NoteModified(last);
    }
    if (!store::Unsaved()) state.SkipWithError("nothing noted");
    store::StopRecovery();
    std::remove("Quorvel.recover");
    Counters(state, kFull);
    FreeCollection(hp);
    hp = nullptr;
}

// Every later completed entry: one visit record modified, the last of the
// collection (its place is found by walking the whole collection), appended
// to the journal and flushed.
void BM_RecoveryLaterEntry(benchmark::State& state) {
    Env();
    SetCollection(kFull);
    store::StartRecovery();
    RECORD_NODE* last = nullptr;
    for (const DEPART_NODE* d = hp; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next)
            if (p->lnext) last = p->lnext;
    store::NoteModified(last);  // the base
    for (auto _ : state) {
        last->lmoney += 1.0f;
        store::NoteModified(last);
    }
    store::StopRecovery();
    std::remove("Quorvel.recover");
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
BENCHMARK(BM_RecoveryFirstChange)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RecoveryLaterEntry)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_LoadIndexedWalkableSize)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadWalkWalkableSize)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
