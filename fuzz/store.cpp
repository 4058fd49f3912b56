// Fuzzes the load and the restore with arbitrary contents of the four files,
// then checks the collection they leave against the raw bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "support/scripted.h"
#include "commands/commands.h"
#include "console/reads.h"
#include "store/collection.h"
#include "store/files.h"
#include "store/folder.h"
#include "store/format.h"
#include "store_input.h"

namespace {

const char* const kNames[4] = {"depart.dat", "patient.dat", "record.dat", "BackupSysData.dat"};

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "store invariant broken: %s\n", what);
        std::abort();
    }
}

template <std::size_t N>
void CheckText(const char (&field)[N]) {
    Check(std::memchr(field, 0, N) != nullptr, "text field without NUL");
}

struct Counts {
    std::uint64_t departs = 0, patients = 0, records = 0;
};

// Links, text fields and first-parent attachment of every node.
Counts CheckCollection(const DEPART_NODE* head) {
    Counts c;
    std::unordered_map<int, const DEPART_NODE*> first_dept;
    std::unordered_map<int, const PATIENT_NODE*> first_patient;
    for (const DEPART_NODE* d = head; d; d = d->next) {
        ++c.departs;
        first_dept.emplace(d->number, d);
        CheckText(d->name);
        CheckText(d->adr);
        CheckText(d->phone);
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            ++c.patients;
            first_patient.emplace(p->number1, p);
            CheckText(p->name);
            CheckText(p->phone);
            CheckText(p->adr);
            Check(p->number == d->number, "patient under a department of another number");
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) {
                ++c.records;
                CheckText(r->name);
                CheckText(r->ldate);
                CheckText(r->bdate);
                CheckText(r->tdate);
                CheckText(r->tell);
                Check(r->number1 == p->number1, "record under a patient of another number");
            }
        }
    }
    for (const DEPART_NODE* d = head; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            Check(first_dept.at(p->number) == d, "patient not under the first department");
            for (const RECORD_NODE* r = p->lnext; r; r = r->next)
                Check(first_patient.at(r->number1) == p, "record not under the first patient");
        }
    return c;
}

// What a load or restore must build from these record blocks, counted from
// the bytes alone.
Counts Expected(const std::string& departs, std::uint64_t nd, const std::string& patients,
                std::uint64_t np, const std::string& records, std::uint64_t nr) {
    Counts c;
    std::unordered_set<int> dept_numbers;
    for (std::uint64_t i = 0; i < nd; ++i)
        dept_numbers.insert(static_cast<int>(store::GetU32(
            reinterpret_cast<const unsigned char*>(departs.data()) + i * store::kDepartSize)));
    c.departs = nd;
    std::unordered_set<int> patient_numbers;
    for (std::uint64_t i = 0; i < np; ++i) {
        const auto* rec =
            reinterpret_cast<const unsigned char*>(patients.data()) + i * store::kPatientSize;
        if (dept_numbers.count(static_cast<int>(store::GetU32(rec)))) {
            ++c.patients;
            patient_numbers.insert(static_cast<int>(store::GetU32(rec + 4)));
        }
    }
    for (std::uint64_t i = 0; i < nr; ++i) {
        const auto* rec =
            reinterpret_cast<const unsigned char*>(records.data()) + i * store::kRecordSize;
        if (patient_numbers.count(static_cast<int>(store::GetU32(rec)))) ++c.records;
    }
    return c;
}

bool Same(const Counts& a, const Counts& b) {
    return a.departs == b.departs && a.patients == b.patients && a.records == b.records;
}

DEPART_NODE* Previous() {
    auto* d = static_cast<DEPART_NODE*>(std::calloc(1, sizeof(DEPART_NODE)));
    d->number = -1;
    return d;
}

int NoSync(int) { return 0; }

// The four files live in a scratch directory of their own; the working
// directory stays where libFuzzer keeps its corpus and artifacts.
struct Scratch {
    Scratch() {
        struct stat st;
        std::string base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
        std::string tmpl = base + "/quorvel-fuzz-store-XXXXXX";
        if (!mkdtemp(tmpl.data())) std::abort();
        for (int i = 0; i < 4; ++i) paths[i] = tmpl + "/" + kNames[i];
        gp_member_info_filename = paths[0].c_str();
        gp_asset_info_filename = paths[1].c_str();
        gp_lend_info_filename = paths[2].c_str();
        backup_sys_date_filename = paths[3].c_str();
        store::file_ops.flush = NoSync;  // the disk is not under test
        dir = tmpl;
    }
    ~Scratch() {
        Empty();
        ::rmdir(dir.c_str());
    }
    void Empty() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            std::filesystem::remove(entry.path(), ec);
    }
    std::string dir;
    std::string paths[4];
};

con::ScriptedFrontend fe;

void Attach() {
    con::attach(&fe);
    con::reset_input_buffer();
    fe.clear();
    for (int i = 0; i < 4; ++i) fe.key('A', 'a');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    store_fuzz::Files files = store_fuzz::Split(data, size);
    scratch.Empty();
    for (int i = 0; i < 4; ++i) {
        const std::string& path = scratch.paths[i];
        if (!files.present[i]) continue;
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) std::abort();
        std::fwrite(files.bytes[i].data(), 1, files.bytes[i].size(), out);
        std::fclose(out);
    }

    // Load.
    Attach();
    FreeCollection(hp);
    hp = Previous();
    DEPART_NODE* previous = hp;
    int result = 0;
    try {
        result = CreateList();
    } catch (const con::InputClosed&) {
        Check(false, "the load waited for a key");
    }
    std::uint64_t nd = files.present[0] ? files.bytes[0].size() / store::kDepartSize : 0;
    std::uint64_t np = files.present[1] ? files.bytes[1].size() / store::kPatientSize : 0;
    std::uint64_t nr = files.present[2] ? files.bytes[2].size() / store::kRecordSize : 0;
    Counts got = CheckCollection(hp);
    if (nd == 0) {
        Check(result == 1 && hp == previous, "a load without departments replaced the collection");
    } else {
        int want = !files.present[1] ? 4 : !files.present[2] ? 12 : 1;
        Check(result == want, "load result");
        Check(Same(got, Expected(files.bytes[0], nd, files.bytes[1], files.present[1] ? np : 0,
                                 files.bytes[2], files.present[1] ? nr : 0)),
              "load built other nodes than the files hold");
    }

    // A save and a load of what was loaded keep every node. The files go
    // first: over files it did not read in full, the save would ask.
    if (nd > 0) {
        Attach();
        for (int i = 0; i < 3; ++i) std::remove(scratch.paths[i].c_str());
        SaveSysData();
        Check(CreateList() == 1, "reload result");
        Check(Same(CheckCollection(hp), got), "save and load lost or gained nodes");
    }

    // Restore. The data files go first: over files this copy has not seen,
    // the restore would ask.
    for (int i = 0; i < 3; ++i) std::remove(scratch.paths[i].c_str());
    Attach();
    DEPART_NODE* before = hp;
    Counts before_counts = CheckCollection(hp);
    try {
        RestoreSysData();
    } catch (const con::InputClosed&) {
        Check(false, "more key waits than keys");
    }
    const std::string& b = files.bytes[3];
    bool complete = false;
    std::uint64_t counts[3] = {0, 0, 0};
    if (files.present[3] && b.size() >= store::kBackupHeaderSize) {
        for (int i = 0; i < 3; ++i)
            counts[i] = store::GetU32(reinterpret_cast<const unsigned char*>(b.data()) + 4 * i);
        std::uint64_t need = store::kBackupHeaderSize + counts[0] * store::kDepartSize +
                             counts[1] * store::kPatientSize + counts[2] * store::kRecordSize;
        complete = need <= b.size();
    }
    Counts restored = CheckCollection(hp);
    if (!complete) {
        Check(hp == before && Same(restored, before_counts), "a refused restore changed the collection");
    } else {
        std::size_t at = store::kBackupHeaderSize;
        std::string departs = b.substr(at, counts[0] * store::kDepartSize);
        at += departs.size();
        std::string patients = b.substr(at, counts[1] * store::kPatientSize);
        at += patients.size();
        std::string records = b.substr(at, counts[2] * store::kRecordSize);
        Check(Same(restored, Expected(departs, counts[0], patients, counts[1], records, counts[2])),
              "restore built other nodes than the backup holds");
    }

    FreeCollection(hp);
    hp = nullptr;
    return 0;
}
