// What the fault and long-run capture tests share: a small window of the test's own to capture in
// "mode:free", every format ticked, and the texts the capture shows.
#ifndef GLIMRA_TEST_ROBUST_CAPTURE_H
#define GLIMRA_TEST_ROBUST_CAPTURE_H

#include <windows.h>

#include <string>
#include <vector>

#include "capture_fixture.h"
#include "message_boxes.h"

const wchar_t kFailureText[] = L"の作成に失敗しました。";
const wchar_t kMissingText[] = L"が存在しなかったため、保存先を初期化します。";
const wchar_t kCreatingText[] = L"が存在しなかったため、新たに作成します。";
const wchar_t kResetText[] = L"保存先を初期化しました。";

inline std::wstring failureMessage(const std::wstring& path) { return L"\"" + path + L"\"" + kFailureText; }

// The three failure messages of a capture with every format, for the path before the extension.
inline std::vector<std::wstring> failuresFor(const std::wstring& stem) {
    return {failureMessage(stem + L".bmp"), failureMessage(stem + L".jpg"), failureMessage(stem + L".png")};
}

inline std::vector<std::wstring> imageNames(int number) {
    const std::wstring stem = L"img" + std::to_wstring(number);
    return {stem + L".bmp", stem + L".jpg", stem + L".png"};
}

// A BMP file is whole when it is as long as its header says and its size says; JPEG and PNG files
// when GDI+ decodes them to the size of the capture.
inline bool imageIsWhole(const std::wstring& path, int width, int height) {
    if (path.size() > 4 && path.compare(path.size() - 4, 4, L".bmp") == 0) {
        std::string bytes = readBytes(path);
        size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
        return bytes.size() == 54 + stride * height && le32(bytes, 2) == bytes.size() &&
               static_cast<int>(le32(bytes, 18)) == width && static_cast<int>(le32(bytes, 22)) == height;
    }
    Picture picture = decodePicture(path);
    return picture.width == width && picture.height == height;
}

class RobustCapture : public CaptureTest {
protected:
    static constexpr int kSubjectWidth = 100;
    static constexpr int kSubjectHeight = 60;

    void SetUp() override {
        CaptureTest::SetUp();
        subject_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"GlimraCaptureTestMain", L"subject", WS_POPUP, 30, 30,
                                   kSubjectWidth, kSubjectHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(subject_, SW_SHOWNOACTIVATE);
        tick({IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC, IDC_CONSTANT});
    }
    void TearDown() override {
        DestroyWindow(subject_);
        CaptureTest::TearDown();
    }

    void capture() {
        refreshSettingsFromPanel();
        captureAndSave(subject_, L"mode:free");
    }

    bool wholeImage(const std::wstring& path) const { return imageIsWhole(path, kSubjectWidth, kSubjectHeight); }

    HWND subject_ = nullptr;
};

#endif
