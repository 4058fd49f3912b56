// A small Windows program the Wine tests run beside quorvel.exe:
//   probe run BEFORE AFTER PROGRAM...
//       sets the console it runs in to values no console starts with, writes a
//       line, describes the console (code pages, modes, title, cursor, buffer,
//       window, the rows' text) to BEFORE, runs PROGRAM in the same console,
//       describes the console again to AFTER, says "probe: done" and waits
//       for a key (so that the screen can be looked at), and exits with
//       PROGRAM's status. Ctrl+C and Ctrl+Break reach PROGRAM; the probe
//       outlives them, as a command prompt does.
//   probe version EXE
//       prints EXE's version information and its application manifest.
// It opens CONIN$ and CONOUT$ itself: its standard handles may be redirected.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

std::wstring Wide(const char* s) {
    const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
    return w;
}

HANDLE Console(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

int DescribeConsole(const char* path) {
    HANDLE in = Console(L"CONIN$");
    HANDLE out = Console(L"CONOUT$");
    DWORD in_mode = 0, out_mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    CONSOLE_CURSOR_INFO cursor{};
    if (!GetConsoleMode(in, &in_mode) || !GetConsoleMode(out, &out_mode) ||
        !GetConsoleScreenBufferInfo(out, &info) || !GetConsoleCursorInfo(out, &cursor)) {
        std::fprintf(stderr, "probe: not in a console\n");
        return 1;
    }
    std::vector<wchar_t> title(4096, L'\0');
    GetConsoleTitleW(title.data(), static_cast<DWORD>(title.size()));
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return 1;
    std::fprintf(f, "input code page %u\noutput code page %u\n", GetConsoleCP(),
                 GetConsoleOutputCP());
    std::fprintf(f, "input mode 0x%lx\noutput mode 0x%lx\n", in_mode, out_mode);
    std::fprintf(f, "title %s\n", Utf8(title.data()).c_str());
    std::fprintf(f, "cursor size %lu visible %d at %d,%d\n", cursor.dwSize, cursor.bVisible,
                 info.dwCursorPosition.X, info.dwCursorPosition.Y);
    std::fprintf(f, "buffer %dx%d\nwindow %d,%d-%d,%d\nattributes 0x%x\n", info.dwSize.X,
                 info.dwSize.Y, info.srWindow.Left, info.srWindow.Top, info.srWindow.Right,
                 info.srWindow.Bottom, info.wAttributes);
    // The text of the rows down to the cursor's, as the buffer holds it.
    std::vector<wchar_t> row(static_cast<std::size_t>(info.dwSize.X));
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD got = 0;
        ReadConsoleOutputCharacterW(out, row.data(), static_cast<DWORD>(row.size()), COORD{0, y},
                                    &got);
        std::wstring text(row.data(), got);
        text.erase(text.find_last_not_of(L' ') + 1);
        std::fprintf(f, "row %d %s\n", y, Utf8(text).c_str());
    }
    return std::fclose(f) == 0 ? 0 : 1;
}

// Values the program sets differently (it uses 936, its own title, its own
// modes and cursor): none of them is what a console starts with.
int SetUnusual() {
    HANDLE in = Console(L"CONIN$");
    HANDLE out = Console(L"CONOUT$");
    CONSOLE_CURSOR_INFO cursor{37, TRUE};
    const bool ok =
        SetConsoleCP(850) && SetConsoleOutputCP(437) &&
        SetConsoleTitleW(L"probe \x6807\x9898 title") && SetConsoleCursorInfo(out, &cursor) &&
        SetConsoleMode(in, ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                               ENABLE_INSERT_MODE | ENABLE_EXTENDED_FLAGS) &&
        SetConsoleMode(out, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT) &&
        SetConsoleTextAttribute(out, FOREGROUND_GREEN | FOREGROUND_INTENSITY);
    if (!ok) std::fprintf(stderr, "probe: cannot set the console (error %lu)\n", GetLastError());
    return ok ? 0 : 1;
}

std::string VersionString(const std::vector<char>& data, const wchar_t* name) {
    struct Translation {
        WORD language, code_page;
    }* t = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&t), &size) ||
        size < sizeof *t)
        return "(no translation)";
    wchar_t key[128];
    swprintf(key, 128, L"\\StringFileInfo\\%04x%04x\\%ls", t->language, t->code_page, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&value), &size) || !value)
        return "(none)";
    return Utf8(value);
}

int DescribeVersion(const char* exe) {
    const std::wstring path = Wide(exe);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        std::printf("no version information\n");
        return 1;
    }
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_size = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) &&
        fixed)
        std::printf("file version %lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16,
                    fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
                    fixed->dwFileVersionLS & 0xFFFF);
    for (const wchar_t* name : {L"ProductName", L"ProductVersion", L"FileDescription",
                                L"FileVersion", L"OriginalFilename"})
        std::printf("%s %s\n", Utf8(name).c_str(), VersionString(data, name).c_str());

    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC manifest = module ? FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST) : nullptr;
    std::printf("manifest %s\n", manifest ? "yes" : "no");
    if (manifest) {
        const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
        const DWORD n = SizeofResource(module, manifest);
        std::printf("%.*s\n", static_cast<int>(n), text);
    }
    return 0;
}

BOOL WINAPI Outlive(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

int Run(const char* before, const char* after, int argc, char** argv) {
    if (SetUnusual() != 0) return 1;
    const wchar_t line[] = L"probe \x63A2\x9488: before\r\n";
    DWORD put = 0;
    WriteConsoleW(Console(L"CONOUT$"), line, static_cast<DWORD>(wcslen(line)), &put, nullptr);
    if (DescribeConsole(before) != 0) return 1;

    std::wstring command;
    for (int i = 0; i < argc; ++i) command += (i ? L" \"" : L"\"") + Wide(argv[i]) + L"\"";
    SetConsoleCtrlHandler(Outlive, TRUE);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &process)) {
        std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", argv[0], GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    if (DescribeConsole(after) != 0) return 1;

    HANDLE in = Console(L"CONIN$");
    FlushConsoleInputBuffer(in);  // what the program left, key-ups among it
    const wchar_t done[] = L"probe: done, press a key\r\n";
    WriteConsoleW(Console(L"CONOUT$"), done, static_cast<DWORD>(wcslen(done)), &put, nullptr);
    for (INPUT_RECORD r{}; ReadConsoleInputW(in, &r, 1, &put) && put == 1;)
        if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown) break;
    return static_cast<int>(status);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "run" && argc >= 5) return Run(argv[2], argv[3], argc - 4, argv + 4);
    if (what == "version" && argc == 3) return DescribeVersion(argv[2]);
    std::fprintf(stderr, "usage: probe run BEFORE AFTER PROGRAM... | probe version EXE\n");
    return 2;
}
