// What the Wine tests share: one loaded plug-in per test, driven through the
// stand-in host, with one messenger window in the test's own process.
#pragma once

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "standin/standin.h"

// The on text as a messenger receives it, before widening: the format, then
// every slot text, each followed by the two characters backslash and zero.
inline std::string OnText(const std::string &format, const std::vector<std::string> &slots) {
    std::string text = "\\0Music\\01\\0" + format + "\\0";
    for (const std::string &slot : slots)
        text += slot + "\\0";
    return text + "WMContentID\\0";
}

// The same with the format a status has for these slot texts: the slots
// that hold a character other than a space, as "{k}" joined by " - "; with
// none such, all of them.
inline std::string OnText(const std::vector<std::string> &slots) {
    std::string format, all;
    for (size_t k = 0; k < slots.size(); k++) {
        std::string name = "{" + std::to_string(k) + "}";
        all += (k > 0 ? " - " : "") + name;
        if (slots[k].find_first_not_of(' ') != std::string::npos)
            format += (format.empty() ? "" : " - ") + name;
    }
    return OnText(format.empty() ? all : format, slots);
}

// The value of `key` in a settings file's bytes (a line after the first),
// or "<missing>".
inline std::string SavedValue(const std::string &file, const std::string &key) {
    std::string line = "\r\n" + key + "=";
    size_t at = file.find(line);
    if (at == std::string::npos)
        return "<missing>";
    at += line.size();
    return file.substr(at, file.find("\r\n", at) - at);
}

const char OFF_TEXT[] = "\\0Music\\00\\0WMContentID\\0";

// An ID3v1 tag from raw 30-byte fields, taken exactly as given (no padding
// added): lets a test choose every byte of a field.
inline std::string RawTag(const std::string &title, const std::string &artist, const std::string &album) {
    std::string tag = "TAG" + title + artist + album + "2005" + std::string(30, 'c') + std::string(1, '\x0C');
    EXPECT_EQ(tag.size(), 128u) << "each field must be 30 bytes";
    return tag;
}

// One copy-data record carrying exactly `text` (narrow, widened here).
inline void ExpectStatus(const StandinCopyData &got, const std::string &text) {
    std::string wide = StandinWide(text);
    EXPECT_EQ(got.identifier, 0x547u);
    EXPECT_EQ(got.byteCount, wide.size());
    EXPECT_EQ(got.payload, wide) << "received: " << StandinDescribe(got.payload);
}

inline void ExpectOnly(const std::vector<StandinCopyData> &received, const std::string &text) {
    ASSERT_EQ(received.size(), 1u);
    ExpectStatus(received[0], text);
}

// Lets this thread handle its messages (the plug-in's once-a-second timer
// among them) for `ms` milliseconds, or until `done` says so.
template <typename Done>
inline bool PumpMessagesUntil(DWORD ms, Done done) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        DWORD waited = GetTickCount() - start;
        if (waited >= ms)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - waited < 50 ? ms - waited : 50, QS_ALLINPUT);
    }
}

inline void PumpMessages(DWORD ms) {
    PumpMessagesUntil(ms, [] { return false; });
}

// A crash ends the program at once with a message, instead of waiting for a
// debugger: a call into unloaded code is one of the faults tested here.
inline LONG WINAPI ReportCrash(EXCEPTION_POINTERS *info) {
    fprintf(stderr, "crash: exception 0x%08lx at %p\n", (unsigned long)info->ExceptionRecord->ExceptionCode,
            info->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
static const LPTOP_LEVEL_EXCEPTION_FILTER previousCrashFilter = SetUnhandledExceptionFilter(ReportCrash);

class PluginSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinPrivateDesktop());
        StandinStart();
        folder = StandinTempFolder(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name());
        ini = folder + "\\settings.ini";
        DeleteFileA(ini.c_str());
        StandinSetSettingsPath(ini);
        messenger = StandinAddMessenger();
        ownPlaylistProc = GetWindowLongPtrA(StandinPlaylistWindow(), GWLP_WNDPROC);
    }
    void TearDown() override {
        if (running)
            StandinQuit();
        running = false;
        Unload();
        StandinRemoveMessenger(messenger);
    }
    // Unloads the plug-in. Once it is gone, the playlist window must have
    // its own procedure back; it is put back anyway, so that a later load
    // starts clean.
    void Unload() {
        if (StandinModule() != NULL)
            StandinUnload();
        HWND playlist = StandinPlaylistWindow();
        if (GetWindowLongPtrA(playlist, GWLP_WNDPROC) != ownPlaylistProc) {
            if (!procReplacedOnPurpose)
                ADD_FAILURE() << "the playlist window kept another procedure after unload";
            SetWindowLongPtrA(playlist, GWLP_WNDPROC, ownPlaylistProc);
        }
    }
    // Writes the settings file (unless `settings` is empty), loads the
    // plug-in and runs init.
    void LoadPlugin(const std::string &settings = std::string()) {
        if (!settings.empty()) {
            ASSERT_TRUE(StandinWriteFile(ini, settings));
        }
        ASSERT_NE(StandinLoad(), nullptr);
        ASSERT_EQ(StandinInit(), 0);
        running = true;
    }
    void Quit() {
        StandinQuit();
        running = false;
    }
    // A file of some audio bytes followed by `tail`, added to the playlist
    // with `title` and made current.
    int AddTrack(const std::string &name, const std::string &tail, const std::string &title = "untitled") {
        std::string path = folder + "\\" + name;
        EXPECT_TRUE(StandinWriteFile(path, std::string(700, '\x55') + tail));
        int index = StandinAddEntry(path, title);
        StandinSetCurrent(index);
        return index;
    }
    // One track change as the host announces it; what the messenger got.
    std::vector<StandinCopyData> Publish() {
        StandinClearReceived();
        EXPECT_EQ(StandinNotify(), STANDIN_PLAYLIST_RESULT);
        return StandinReceived(messenger);
    }
    std::string folder, ini;
    int messenger = -1;
    bool running = false;
    LONG_PTR ownPlaylistProc = 0;
    bool procReplacedOnPurpose = false;  // a test put a procedure of its own on top
};
