// What the in-process tests and the end-to-end driver share: whole files, a file held as another program
// holds it, scratch folders, windows found and read, text forms, programs and Linux commands started.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scoped.h"

namespace fs = std::filesystem;
using Names = std::vector<std::wstring>;

constexpr DWORD kBoundMs = 20000;  // no wait for Glimra or a window lasts longer

inline std::string readFile(const fs::path& path) {  // empty when missing
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Each file gets a write time of its own: Wine keeps a parsed profile while that time stays.
inline bool writeFile(const fs::path& path, const std::string& bytes) {
    static fs::file_time_type stamp = fs::file_time_type::clock::now();
    const bool written = static_cast<bool>(std::ofstream(path, std::ios::binary) << bytes);
    std::error_code error;
    fs::last_write_time(path, stamp += std::chrono::seconds(1), error);
    return written && !error;
}

// The names of the files in a folder, sorted; folders left out.
inline std::vector<std::wstring> namesIn(const fs::path& folder) {
    std::vector<std::wstring> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing)) {
        if (!entry.is_directory()) names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A file beside the test program.
inline std::wstring besideExe(const std::wstring& name) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    return fs::path(module).parent_path().wstring() + L"\\" + name;
}

// Another handle without sharing, as another program holding the file would have.
inline ScopedFile hold(const fs::path& path) {
    return ScopedFile(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

struct SearchTraits {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void free(HANDLE search) { FindClose(search); }
};
using ScopedSearch = Scoped<HANDLE, SearchTraits>;

// A path as the file calls take it past MAX_PATH characters: \\?\ and the whole path, uninterpreted.
inline std::wstring longForm(const std::wstring& path) { return path.rfind(L"\\\\", 0) == 0 ? path : L"\\\\?\\" + path; }

// Removes a file or a folder with all it holds, however deep and whatever its attributes, by the file
// calls themselves: std::filesystem stops at MAX_PATH under Wine. A link is removed, never followed.
inline void removeTree(const std::wstring& path) {
    const std::wstring whole = longForm(path);
    const DWORD attributes = GetFileAttributesW(whole.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(whole.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file is not deleted
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(whole.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    const ScopedSearch search(attributes & FILE_ATTRIBUTE_REPARSE_POINT ? INVALID_HANDLE_VALUE
                                                                       : FindFirstFileW((whole + L"\\*").c_str(), &found));
    for (BOOL more = search.valid(); more; more = FindNextFileW(search.get(), &found))
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L"..")) removeTree(whole + L"\\" + found.cFileName);
    RemoveDirectoryW(whole.c_str());
}

// A folder of its own in the temporary folder, removed with all it holds when it goes, however the test
// ended. Its name is this run's own: Wine gives the test program the same process id run after run,
// so the start time tells a run's folders from any an earlier, killed run left.
struct Scratch {
    Scratch() { CreateDirectoryW(longForm(path).c_str(), nullptr); }
    ~Scratch() { removeTree(path); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }
    static std::wstring runName() {
        static const std::wstring name = [] {
            FILETIME start = {};
            GetSystemTimeAsFileTime(&start);
            wchar_t text[40] = {};
            swprintf(text, 40, L"%lu-%08lx%08lx", GetCurrentProcessId(), start.dwHighDateTime, start.dwLowDateTime);
            return std::wstring(text);
        }();
        return name;
    }
    inline static int count = 0;
    const std::wstring path = fs::temp_directory_path() / (L"glimra-" + runName() + L"-" + std::to_wstring(++count));
};

struct WindowTraits {
    static HWND none() { return nullptr; }
    static void free(HWND window) { DestroyWindow(window); }
};
using ScopedWindow = Scoped<HWND, WindowTraits>;

inline LRESULT ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kBoundMs, &result);
    return LRESULT(result);
}
inline std::wstring windowText(HWND window) {  // WM_GETTEXT is carried across processes
    std::wstring text(size_t(ask(window, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(size_t(ask(window, WM_GETTEXT, text.size(), LPARAM(&text[0]))));
    return text;
}

inline BOOL CALLBACK addWindow(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}
inline std::vector<HWND> topLevelWindows() {  // topmost first, hidden ones too
    std::vector<HWND> windows;
    EnumWindows(addWindow, LPARAM(&windows));
    return windows;
}

// Any text, not only paths, in the same words in C++17 and C++20 (where u8string changed its type).
inline std::string utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &bytes[0], int(bytes.size()), 0, 0)));
    return bytes;
}
inline std::wstring wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &text[0], int(text.size()))));
    return text;
}
inline std::string utf16le(const std::wstring& text) { return std::string(LPCSTR(text.data()), text.size() * 2); }

template <typename Done>
bool waitFor(Done done, DWORD bound = kBoundMs) {  // the driver's own windows paint and answer meanwhile
    MSG message;
    for (DWORD start = GetTickCount(); !done(); Sleep(20)) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (GetTickCount() - start > bound) return false;
    }
    return true;
}

inline ScopedHandle launch(std::wstring line, const wchar_t* folder, DWORD* processId = nullptr, int show = -1) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = show < 0 ? 0 : STARTF_USESHOWWINDOW;  // as a shortcut's "Run:" or start /min, /max give
    startup.wShowWindow = WORD(show);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info)) return {};
    const ScopedHandle thread(info.hThread);
    if (processId) *processId = info.dwProcessId;
    return ScopedHandle(info.hProcess);
}

// Linux tools, run by /bin/sh from inside Wine; a native Windows run has none.
inline FARPROC wineToUnix() { return GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name"); }
inline bool underWine() { return wineToUnix() != nullptr; }
inline std::string unixPath(const std::wstring& path) {  // quoted for the shell
    auto toUnix = reinterpret_cast<char*(CDECL*)(const wchar_t*)>(reinterpret_cast<void*>(wineToUnix()));
    char* name = toUnix ? toUnix(path.c_str()) : nullptr;
    const std::string quoted = std::string("'").append(name ? name : "").append("'");
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return quoted;
}
// Stdout and stderr of a command; a bad status fails. Its status file, written last, is polled: no handle to wait on.
inline std::string runUnix(const std::string& command) {
    const Scratch work;
    const std::string out = unixPath(work / L"out"), status = unixPath(work / L"rc");
    writeFile(work / L"run.sh", "(" + command + ") >" + out + " 2>&1; echo $? >" + status + "0; mv " + status + "0 " +
                                    status);
    std::string line = "/bin/sh " + unixPath(work / L"run.sh");
    std::replace(line.begin(), line.end(), '\'', '"');  // Windows command lines quote with "
    launch(wide(line), nullptr);
    const bool done = waitFor([&] { return fs::exists(work / L"rc"); }, 60000);
    const std::string output = readFile(work / L"out");
    EXPECT_TRUE(done && readFile(work / L"rc") == "0\n") << command << "\n" << output;
    return output;
}
// A unix link at link to target: Wine follows it as the file it names. Whether a link is still
// one, removed either way.
inline void linkTo(const std::wstring& link, const std::wstring& target) {
    runUnix("ln -s " + unixPath(target) + " " + unixPath(link));
}
inline bool stillALink(const std::wstring& link) {
    return runUnix("test -L " + unixPath(link) + " && echo link; rm -f " + unixPath(link)) == "link\n";
}
