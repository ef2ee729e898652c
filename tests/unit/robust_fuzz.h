// Seeded generators of bad file content, and the bookkeeping the fuzz tests share: files written
// with a write time of their own, guarded buffers, and a tally of cases and time.
#ifndef GLIMRA_TEST_ROBUST_FUZZ_H
#define GLIMRA_TEST_ROBUST_FUZZ_H

#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

// Every run draws the same cases, so a failure is found again by running the test again.
constexpr unsigned kFuzzSeed = 0x61696D67;

class Fuzz {
public:
    Fuzz() : engine_(kFuzzSeed) {}
    // 0 .. n-1
    int below(int n) { return static_cast<int>(engine_() % static_cast<unsigned>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int chance) { return below(100) < chance; }
    char byte() { return static_cast<char>(engine_() & 0xFF); }
    std::string bytes(size_t count) {
        std::string result(count, '\0');
        for (char& c : result) {
            c = byte();
        }
        return result;
    }
    template <typename T, size_t N>
    const T& pick(const T (&choices)[N]) {
        return choices[below(static_cast<int>(N))];
    }

private:
    std::mt19937 engine_;
};

// The profile functions keep a parsed copy of a file while its write time stays the same, and
// the cases follow each other faster than the file system's clock moves: each write gets a time
// of its own.
inline bool putFile(const std::wstring& path, const std::string& bytes) {
    static ULONGLONG stamp = 130000000000000000ULL;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    stamp += 10000000ULL;
    FILETIME time = {static_cast<DWORD>(stamp), static_cast<DWORD>(stamp >> 32)};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return ok && (bytes.empty() || written == bytes.size());
}

// A file that a load left open without sharing could not be opened again here.
inline bool fileIsFree(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError() != ERROR_SHARING_VIOLATION;
    }
    CloseHandle(file);
    return true;
}

// Wide characters whose last one ends a committed page: the next page is reserved and not
// accessible, so writing or reading one character past the end stops the test on the spot.
class GuardedChars {
public:
    explicit GuardedChars(size_t count) : count_(count) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        size_t bytes = count * sizeof(wchar_t);
        size_t usable = (bytes + system.dwPageSize - 1) / system.dwPageSize * system.dwPageSize;
        base_ = static_cast<char*>(VirtualAlloc(nullptr, usable + system.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
        if (base_) {
            VirtualAlloc(base_, usable, MEM_COMMIT, PAGE_READWRITE);
            chars_ = reinterpret_cast<wchar_t*>(base_ + usable - bytes);
        }
    }
    ~GuardedChars() {
        if (base_) {
            VirtualFree(base_, 0, MEM_RELEASE);
        }
    }
    GuardedChars(const GuardedChars&) = delete;
    GuardedChars& operator=(const GuardedChars&) = delete;
    wchar_t* get() const { return chars_; }
    size_t size() const { return count_; }

private:
    size_t count_;
    char* base_ = nullptr;
    wchar_t* chars_ = nullptr;
};

// How many cases ran and how long they took, for the log and the test's recorded properties.
class CaseTally {
public:
    explicit CaseTally(const char* what) : what_(what), started_(GetTickCount64()) {}
    void add() { ++cases_; }
    int cases() const { return cases_; }
    ~CaseTally() {
        std::printf("[  FUZZ    ] %s: %d cases in %llu ms\n", what_, cases_,
                    static_cast<unsigned long long>(GetTickCount64() - started_));
        std::fflush(stdout);
    }

private:
    const char* what_;
    ULONGLONG started_;
    int cases_ = 0;
};

#endif
