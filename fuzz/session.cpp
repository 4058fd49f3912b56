// Fuzzes the whole program from the keyboard and the mouse: the input becomes
// key and mouse records (session_input.h), and the real start-up, main loop,
// commands and closing dialog run on them from a small collection, with the
// data files of that collection and a backup of it on disk. When the input
// runs out the session ends. Afterwards the collection must still be a sound
// three-level list, the files whole, and everything is given back.
#include <sanitizer/allocator_interface.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unordered_set>

#include "support/scripted.h"
#include "commands/commands.h"
#include "layers.h"
#include "menus.h"
#include "shell.h"
#include "store/collection.h"
#include "session_input.h"
#include "store/files.h"
#include "store/recovery.h"
#include "store/folder.h"
#include "store/format.h"

namespace {

const char* const kNames[4] = {"depart.dat", "patient.dat", "record.dat", "BackupSysData.dat"};

// Far more nodes than any input can make: a walk that goes past it is lost.
constexpr std::size_t kMaxNodes = 1u << 22;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "session invariant broken: %s\n", what);
        std::abort();
    }
}

template <std::size_t N>
void CheckText(const char (&field)[N]) {
    Check(std::memchr(field, 0, N) != nullptr, "text field without NUL");
}

// A link must lead to the start of a live heap block of its node type.
template <typename Node>
void CheckLive(const Node* n, std::unordered_set<const void*>& seen, const char* what) {
    Check(__sanitizer_get_ownership(n) != 0, what);
    Check(__sanitizer_get_allocated_size(n) == sizeof(Node), "a link to a block of another size");
    Check(seen.insert(n).second, "a node reached twice: a cycle or a node in two lists");
    Check(seen.size() <= kMaxNodes, "the walk does not end");
}

void CheckCollection(const DEPART_NODE* head) {
    std::unordered_set<const void*> seen;
    for (const DEPART_NODE* d = head; d; d = d->next) {
        CheckLive(d, seen, "a department link to no live department");
        CheckText(d->name);
        CheckText(d->adr);
        CheckText(d->phone);
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            CheckLive(p, seen, "a patient link to no live patient");
            CheckText(p->name);
            CheckText(p->phone);
            CheckText(p->adr);
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) {
                CheckLive(r, seen, "a record link to no live visit record");
                CheckText(r->name);
                CheckText(r->ldate);
                CheckText(r->bdate);
                CheckText(r->tdate);
                CheckText(r->tell);
            }
        }
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out), "cannot lay a data file");
}

int NoSync(int) { return 0; }

con::ScriptedFrontend fe;

// The files live in a scratch directory of their own: the program reaches
// them only through its four file names, which point there. The process's
// working directory stays where libFuzzer keeps its corpus and artifacts.
struct Scratch {
    Scratch() {
        struct stat st;
        std::string base =
            ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
        std::string tmpl = base + "/quorvel-fuzz-session-XXXXXX";
        if (!mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        for (int i = 0; i < 4; ++i) paths[i] = dir + "/" + kNames[i];
        gp_member_info_filename = paths[0].c_str();
        gp_asset_info_filename = paths[1].c_str();
        gp_lend_info_filename = paths[2].c_str();
        backup_sys_date_filename = paths[3].c_str();
        store::file_ops.flush = NoSync;  // the disk is not under test

        // The files every session finds: the starting collection saved and
        // backed up by the store itself.
        con::attach(&fe);
        hp = session_fuzz::StartingCollection();
        SaveSysData();
        BackupSysData();
        ReleaseSys();
        for (int i = 0; i < 4; ++i) {
            pristine[i] = ReadFile(paths[i]);
            Check(!pristine[i].empty(), "the starting files were not written");
        }
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void Lay() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            std::filesystem::remove(entry.path(), ec);
        for (int i = 0; i < 4; ++i) WriteFile(paths[i], pristine[i]);
    }

    // Only the four files and the lock file, each data file a whole number of
    // records; the backup exactly its header and the blocks the header counts.
    void CheckFiles() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            const std::string name = entry.path().filename().string();
            // (The lock file stays: copies on other systems lock its bytes; the
            // recovery file holds the unsaved work of a session cut short.)
            bool known = name == store::kLockFileName || name == store::kRecoveryFileName;
            for (const char* n : kNames) known = known || name == n;
            Check(known, "a stray file left beside the data files");
        }
        const std::size_t sizes[3] = {store::kDepartSize, store::kPatientSize, store::kRecordSize};
        for (int i = 0; i < 3; ++i) {
            std::string bytes = ReadFile(paths[i]);
            Check(bytes.size() % sizes[i] == 0, "a data file holds a partial record");
        }
        std::string backup = ReadFile(paths[3]);
        Check(backup.size() >= store::kBackupHeaderSize, "the backup lost its header");
        std::uint64_t need = store::kBackupHeaderSize;
        for (int i = 0; i < 3; ++i)
            need += store::GetU32(reinterpret_cast<const unsigned char*>(backup.data()) + 4 * i) *
                    sizes[i];
        Check(need == backup.size(), "the backup holds other than its counted records");
    }

    std::string dir;
    std::string paths[4];
    std::string pristine[4];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    scratch.Lay();

    con::attach(&fe);
    fe.clear();
    session_fuzz::Feed(data, size, fe);
    hp = session_fuzz::StartingCollection();
    try {
        QuorvelMain();
    } catch (const con::InputClosed&) {
        // The input ran out: the session ends wherever it stood.
    }

    CheckCollection(hp);
    scratch.CheckFiles();
    ReleaseSys();
    Check(!hp && !gp_top_layer && !gp_scr_att && !gp_buff_menubar_info && !gp_buff_stateBar_info,
          "globals left after the release");
    return 0;
}
