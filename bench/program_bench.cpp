// The real program, build/quorvel, in a pseudo-terminal of 150 x 100: how
// long from the process's start to its first frame, and how much memory it
// holds at its peak when it has loaded the 1,000,000-record collection.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "collection.h"
#include "support/scripted.h"
#include "commands/commands.h"
#include "layers.h"
#include "store/collection.h"
#include "store/folder.h"

#ifndef QUORVEL_BINARY
#error "QUORVEL_BINARY: the path of the program to run"
#endif

namespace {

// The terminal receives UTF-8; these are the texts as it gets them.
// "文件": the first menu item, part of every start screen.
constexpr std::string_view kStartScreenText = "\xe6\x96\x87\xe4\xbb\xb6";
// "数据加载": the File menu's first item.
constexpr std::string_view kLoadItemText = "\xe6\x95\xb0\xe6\x8d\xae\xe5\x8a\xa0\xe8\xbd\xbd";
// "就诊记录信息数据文件打开成功": shown once the visit records are read.
constexpr std::string_view kLoadedText =
    "\xe5\xb0\xb1\xe8\xaf\x8a\xe8\xae\xb0\xe5\xbd\x95\xe4\xbf\xa1\xe6\x81\xaf\xe6\x95\xb0"
    "\xe6\x8d\xae\xe6\x96\x87\xe4\xbb\xb6\xe6\x89\x93\xe5\xbc\x80\xe6\x88\x90\xe5\x8a\x9f";

// A frame is one write, but a pseudo-terminal may hand it over in pieces: a
// frame is complete when nothing more arrives for this long.
constexpr int kQuietMs = 150;
constexpr int kTimeoutMs = 20000;

// The program in a pseudo-terminal of its own, in a given working directory.
class Program {
public:
    ~Program() { Stop(); }

    // Starts the clock, then the process. False when the terminal could not
    // be made.
    bool Start(const std::string& dir) {
        winsize ws{};
        ws.ws_col = 150;
        ws.ws_row = 100;
        started_ = bench::Now();
        pid_ = forkpty(&master_, nullptr, nullptr, &ws);
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            setenv("TERM", "xterm-256color", 1);
            setenv("LANG", "C.UTF-8", 1);
            unsetenv("LC_ALL");
            unsetenv("LC_CTYPE");
            if (chdir(dir.c_str()) != 0) _exit(126);
            execl(QUORVEL_BINARY, "quorvel", static_cast<char*>(nullptr));
            _exit(127);
        }
        return true;
    }

    double started() const { return started_; }

    // Reads the terminal until `text` has arrived and then nothing more for
    // kQuietMs; returns when the last byte came, or a negative value when the
    // text did not come or the program ended.
    double WaitFor(std::string_view text) {
        out_.clear();
        double last = -1;
        bool seen = false;
        const double deadline = bench::Now() + kTimeoutMs / 1000.0;
        for (;;) {
            double now = bench::Now();
            if (now > deadline) return -1;
            int wait_ms = seen ? kQuietMs : static_cast<int>((deadline - now) * 1000) + 1;
            pollfd p{master_, POLLIN, 0};
            int n = poll(&p, 1, wait_ms);
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) {
                if (seen) return last;
                continue;
            }
            char buf[65536];
            ssize_t got = read(master_, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return -1;  // the program has ended
            last = bench::Now();
            out_.append(buf, static_cast<std::size_t>(got));
            if (!seen && out_.find(text) != std::string::npos) seen = true;
        }
    }

    void Send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = write(master_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // The largest resident set the process has had (VmHWM), in MiB; negative
    // when it cannot be read.
    double PeakResidentMiB() const {
        std::string path = "/proc/" + std::to_string(pid_) + "/status";
        FILE* f = std::fopen(path.c_str(), "r");
        if (!f) return -1;
        char line[256];
        long kb = -1;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
        std::fclose(f);
        return kb < 0 ? -1 : static_cast<double>(kb) / 1024.0;
    }

    // The CPU time the process has used so far, in seconds (the scheduler's
    // own count, which a busy machine does not inflate as it does wall time);
    // negative when it cannot be read.
    double CpuSeconds() const {
        std::string path = "/proc/" + std::to_string(pid_) + "/schedstat";
        FILE* f = std::fopen(path.c_str(), "r");
        if (!f) return -1;
        unsigned long long ns = 0;
        int got = std::fscanf(f, "%llu", &ns);
        std::fclose(f);
        return got == 1 ? static_cast<double>(ns) * 1e-9 : -1;
    }

    // SIGTERM, which the program answers by giving the terminal back and
    // ending; SIGKILL if it has not ended within five seconds.
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status;
            bool gone = false;
            for (int i = 0; i < 500 && !gone; ++i) {
                Drain();
                gone = waitpid(pid_, &status, WNOHANG) == pid_;
                if (!gone) usleep(10000);
            }
            if (!gone) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
            }
            pid_ = -1;
        }
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

private:
    // What the program writes while it leaves must not block it.
    void Drain() {
        char buf[4096];
        pollfd p{master_, POLLIN, 0};
        while (poll(&p, 1, 0) > 0 && read(master_, buf, sizeof buf) > 0) {
        }
    }

    pid_t pid_ = -1;
    int master_ = -1;
    double started_ = 0;
    std::string out_;
};

// A scratch directory, removed with whatever data files it holds.
struct ScratchDir {
    ScratchDir() {
        char tmpl[] = "/tmp/quorvel-bench-program-XXXXXX";
        if (mkdtemp(tmpl)) path = tmpl;
    }
    ~ScratchDir() {
        if (path.empty()) return;
        for (const char* f : {"depart.dat", "patient.dat", "record.dat"})
            std::remove((path + "/" + f).c_str());
        rmdir(path.c_str());
    }
    std::string path;
};

// From fork to the last byte of the first frame, with no data files; also
// the CPU time the program used to get there.
void BM_StartUpToFirstFrame(benchmark::State& state) {
    ScratchDir dir;
    double peak = 0, cpu = 0;
    int runs = 0;
    for (auto _ : state) {
        Program program;
        if (dir.path.empty() || !program.Start(dir.path)) {
            state.SkipWithError("could not start the program in a pseudo-terminal");
            break;
        }
        double frame = program.WaitFor(kStartScreenText);
        if (frame < 0) {
            state.SkipWithError("no start screen arrived");
            break;
        }
        state.SetIterationTime(frame - program.started());
        peak = program.PeakResidentMiB();
        cpu += program.CpuSeconds();
        ++runs;
    }
    state.counters["peak_rss_mib"] = peak;
    if (runs) state.counters["program_cpu_ms"] = cpu / runs * 1000;
}
BENCHMARK(BM_StartUpToFirstFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The files of the full collection, saved once by the store itself.
const std::string& FullCollectionDir() {
    static ScratchDir dir;
    static bool saved = [] {
        if (dir.path.empty()) return false;
        static con::ScriptedFrontend fe;  // a failed save would wait for a key: none comes
        con::attach(&fe);
        gh_std_out = GetStdHandle(STD_OUTPUT_HANDLE);
        const std::string depart = dir.path + "/depart.dat", patient = dir.path + "/patient.dat",
                          record = dir.path + "/record.dat";
        const char* names[3] = {gp_member_info_filename, gp_asset_info_filename,
                                gp_lend_info_filename};
        gp_member_info_filename = depart.c_str();
        gp_asset_info_filename = patient.c_str();
        gp_lend_info_filename = record.c_str();
        DEPART_NODE* full = bench::BuildCollection(bench::kFull);
        DEPART_NODE* kept = hp;
        hp = full;
        bool ok = true;
        try {
            SaveSysData();
        } catch (const con::InputClosed&) {
            ok = false;
        }
        hp = kept;
        FreeCollection(full);
        gp_member_info_filename = names[0];
        gp_asset_info_filename = names[1];
        gp_lend_info_filename = names[2];
        con::attach(nullptr);
        return ok;
    }();
    static const std::string none;
    return saved ? dir.path : none;
}

// Alt+F, L in the real program, in the folder of the full collection: the
// time from the key to the frame that shows the load done, the CPU time the
// program spent on it, and the process's peak resident memory then.
void BM_LoadFullCollectionInProgram(benchmark::State& state) {
    const std::string& dir = FullCollectionDir();
    double peak = 0, cpu = 0;
    for (auto _ : state) {
        Program program;
        if (dir.empty() || !program.Start(dir)) {
            state.SkipWithError("could not save the collection or start the program");
            break;
        }
        if (program.WaitFor(kStartScreenText) < 0) {
            state.SkipWithError("no start screen arrived");
            break;
        }
        program.Send("\x1b" "f");
        if (program.WaitFor(kLoadItemText) < 0) {
            state.SkipWithError("the File menu did not open");
            break;
        }
        double cpu_before = program.CpuSeconds();
        double pressed = bench::Now();
        program.Send("l");
        double frame = program.WaitFor(kLoadedText);
        if (frame < 0) {
            state.SkipWithError("the load did not finish");
            break;
        }
        state.SetIterationTime(frame - pressed);
        peak = program.PeakResidentMiB();
        cpu = program.CpuSeconds() - cpu_before;
    }
    state.counters["peak_rss_mib"] = peak;
    state.counters["program_cpu_ms"] = cpu * 1000;
    state.counters["nodes"] = bench::kFull.departs + bench::kFull.patients + bench::kFull.records;
    // What the nodes themselves take, without the allocator's headers.
    state.counters["nodes_mib"] = (static_cast<double>(sizeof(DEPART_NODE)) * bench::kFull.departs +
                                   static_cast<double>(sizeof(PATIENT_NODE)) * bench::kFull.patients +
                                   static_cast<double>(sizeof(RECORD_NODE)) * bench::kFull.records) /
                                  (1024.0 * 1024.0);
}
BENCHMARK(BM_LoadFullCollectionInProgram)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
