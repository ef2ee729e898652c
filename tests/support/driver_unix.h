// Linux tools run from inside the Wine driver (python3, iconv, ImageMagick, xwd, lnkinfo), to
// check Glimra's files with software that no one here wrote.
#ifndef GLIMRA_TEST_DRIVER_UNIX_H
#define GLIMRA_TEST_DRIVER_UNIX_H

#include <windows.h>

#include <string>

// Unix path of a Windows path (wine_get_unix_file_name), empty when Wine cannot map it.
std::string unixPath(const std::wstring& windowsPath);

struct UnixResult {
    int status = -1;     // exit status of the shell; -1 when it did not finish within the bound
    std::string output;  // stdout and stderr together
};

// Runs a /bin/sh command line and returns its status and output. Wine starts native programs
// from CreateProcessW but gives no handle to wait on, so the command runs from a script that
// leaves its status in a file, written last and polled for here.
UnixResult runUnix(const std::string& command, DWORD timeoutMs = 60000);

// Single-quoted for the shell.
std::string shellQuote(const std::string& text);

#endif
