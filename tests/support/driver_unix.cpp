// Running Linux tools from the Wine driver through a script that reports its status in a file.
#include "driver_unix.h"

#include "driver.h"
#include "scratch.h"

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

std::wstring widen(const std::string& utf8) {
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring result(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &result[0], size);
    }
    return result;
}

}  // namespace

std::string unixPath(const std::wstring& windowsPath) {
    static UnixFileName toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!toUnix) {
        return std::string();
    }
    char* name = toUnix(windowsPath.c_str());
    if (!name) {
        return std::string();
    }
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

UnixResult runUnix(const std::string& command, DWORD timeoutMs) {
    UnixResult result;
    ScratchFolder folder(L"unix");
    std::string base = unixPath(folder.path());
    if (base.empty()) {
        result.output = "no unix path for " + narrow(folder.path());
        return result;
    }
    if (base.back() == '/') {
        base.pop_back();
    }
    std::string script = "#!/bin/sh\n( " + command + " ) > " + shellQuote(base + "/out") + " 2>&1\n" +
                         "echo $? > " + shellQuote(base + "/rc.tmp") + " && mv " + shellQuote(base + "/rc.tmp") +
                         " " + shellQuote(base + "/rc") + "\n";
    writeBytes(folder.file(L"run.sh"), script);

    std::wstring commandLine = L"/bin/sh " + widen(base + "/run.sh");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        result.output = "cannot start /bin/sh";
        return result;
    }
    // The handles are placeholders for a native process; there is nothing to wait on.
    if (info.hThread) {
        CloseHandle(info.hThread);
    }
    if (info.hProcess) {
        CloseHandle(info.hProcess);
    }

    DWORD started = GetTickCount();
    while (!fileExists(folder.file(L"rc"))) {
        if (GetTickCount() - started > timeoutMs) {
            result.output = readBytes(folder.file(L"out"));
            return result;
        }
        pumpMessages(20);
    }
    result.status = atoi(readBytes(folder.file(L"rc")).c_str());
    result.output = readBytes(folder.file(L"out"));
    return result;
}
