// Scratch folders and whole-file helpers for tests that check bytes on disk.
#ifndef GLIMRA_TEST_SCRATCH_H
#define GLIMRA_TEST_SCRATCH_H

#include <string>

// A fresh, empty folder under %TEMP%, removed with its contents when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& tag = L"t");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }            // no trailing backslash
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool fileExists(const std::wstring& path);
std::string readBytes(const std::wstring& path);  // empty when missing
bool writeBytes(const std::wstring& path, const std::string& bytes);
void removeTree(const std::wstring& path);
std::string narrow(const std::wstring& text);  // UTF-8, for test messages

#endif
