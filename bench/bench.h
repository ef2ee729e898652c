// The capture benchmark: a Windows program, run under Wine by scripts/benchmark.sh, that times the
// steps of a capture on the real code and measures the real Glimra3.exe from outside.
#ifndef GLIMRA_BENCH_H
#define GLIMRA_BENCH_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// bench_main.cpp: timing and results, one line each on stdout: "RESULT <key> <value>" for a
// figure, "SAMPLE <key> <milliseconds>" for one timed run (the script takes their median).
double nowMilliseconds();
double medianOf(std::vector<double> values);
// `repeats` timed runs, after one untimed run when `warmUp` (it loads what the first call loads);
// a step that returns false stops the benchmark, since its time would mean nothing.
void timeStep(const char* key, int repeats, bool warmUp, const std::function<bool()>& step);
void printResult(const char* key, double value);
[[noreturn]] void fail(const char* what);
std::wstring joinPath(const std::wstring& folder, const wchar_t* name);
long long fileBytes(const std::wstring& path);
// Private memory in MiB: PrivateUsage, or PagefileUsage where Wine leaves PrivateUsage at 0.
double privateMegabytes(HANDLE process);

// bench_scenery.cpp: a full-screen window of made-up desktop, so every grabber encodes the same
// screen with the texture of a real one.
HWND showScenery(HINSTANCE instance);
void pumpMessagesFor(DWORD milliseconds);

// bench_stages.cpp: the steps of one capture and whole captures without the wait, in this process;
// the first round also measures memory and file sizes.
void timeCaptureStages(const std::wstring& folder, int repeats, bool firstRound);

// bench_process.cpp: Glimra3.exe started from a copy in `folder`: time to its window, and its
// private memory idle, during captures with every format on, and after them.
void measureProgram(const std::wstring& exePath, const std::wstring& folder, int launches);

#endif
