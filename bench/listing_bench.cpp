// Listing visit records through the console layer: PutL writes every row at
// the cursor, scrolling the buffer once the rows pass the last line. The cost
// per row must stay flat from a thousand records to a million.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/scripted.h"
#include "commands/commands.h"
#include "layers.h"
#include "store/collection.h"

namespace {

// One department, patients of 1000 records each.
void BuildRecords(long count) {
    auto* dept = static_cast<DEPART_NODE*>(std::calloc(1, sizeof(DEPART_NODE)));
    dept->number = 1;
    std::strcpy(dept->name, "内科");
    hp = dept;
    PATIENT_NODE* patient = nullptr;
    for (long i = 0; i < count; ++i) {
        if (i % 1000 == 0) {
            patient = static_cast<PATIENT_NODE*>(std::calloc(1, sizeof(PATIENT_NODE)));
            patient->number = 1;
            patient->number1 = static_cast<int>(i / 1000);
            patient->next = dept->anext;
            dept->anext = patient;
        }
        auto* r = static_cast<RECORD_NODE*>(std::calloc(1, sizeof(RECORD_NODE)));
        r->number1 = patient->number1;
        r->number2 = static_cast<int>(i);
        std::strcpy(r->name, "王医生");
        r->lmoney = 12.5f;
        std::strcpy(r->ldate, "2024-01-05");
        std::strcpy(r->bdate, "2024-02-05");
        std::strcpy(r->tdate, "2024-02-06");
        std::strcpy(r->tell, "感冒，按时服药，一周后复查");
        r->next = patient->lnext;
        patient->lnext = r;
    }
}

void BM_PutL(benchmark::State& state) {
    static con::ScriptedFrontend fe;  // the listing never waits: no input needed
    con::attach(&fe);
    gh_std_out = GetStdHandle(STD_OUTPUT_HANDLE);
    BuildRecords(state.range(0));
    for (auto _ : state) PutL();
    state.SetItemsProcessed(state.iterations() * state.range(0));
    // The last row listed stands just above the cursor.
    if (con::row_text(SCR_ROW - 2).find_first_not_of(' ') == std::string::npos)
        state.SkipWithError("nothing was listed");
    FreeCollection(hp);
    hp = nullptr;
}
BENCHMARK(BM_PutL)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

}  // namespace
