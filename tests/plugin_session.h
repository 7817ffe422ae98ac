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

// The plug-in's item in the host's main menu, found by its text.
struct MenuItem {
    int position;  // -1: no such item
    UINT command;
    bool checked;
};

inline MenuItem FindItem(HMENU menu) {
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        WCHAR text[64] = L"";
        GetMenuStringW(menu, (UINT)i, text, 64, MF_BYPOSITION);
        if (lstrcmpW(text, L"Show what I'm listening to") == 0)
            return {i, GetMenuItemID(menu, i), (GetMenuState(menu, (UINT)i, MF_BYPOSITION) & MF_CHECKED) != 0};
    }
    return {-1, 0, false};
}

// A window's procedure, read as the window's own kind (ANSI or Unicode).
inline LONG_PTR WindowProcedure(HWND window) {
    return IsWindowUnicode(window) ? GetWindowLongPtrW(window, GWLP_WNDPROC) : GetWindowLongPtrA(window, GWLP_WNDPROC);
}

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
        ownPlaylistProc = WindowProcedure(StandinPlaylistWindow());
        ownMainProc = WindowProcedure(StandinMainWindow());
    }
    void TearDown() override {
        if (running)
            StandinQuit();
        running = false;
        Unload();
        StandinRemoveMessenger(messenger);
    }
    // Unloads the plug-in. Once it is gone, the host's windows must have
    // their own procedures back; they are put back anyway, so that a later
    // load starts clean.
    void Unload() {
        if (StandinModule() != NULL)
            StandinUnload();
        const struct {
            HWND window;
            LONG_PTR own;
        } windows[] = {{StandinPlaylistWindow(), ownPlaylistProc}, {StandinMainWindow(), ownMainProc}};
        for (const auto &w : windows) {
            if (w.window == NULL || WindowProcedure(w.window) == w.own)
                continue;
            if (!procReplacedOnPurpose)
                ADD_FAILURE() << "a host window kept another procedure after unload";
            if (IsWindowUnicode(w.window))
                SetWindowLongPtrW(w.window, GWLP_WNDPROC, w.own);
            else
                SetWindowLongPtrA(w.window, GWLP_WNDPROC, w.own);
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
    // Quit, unload and load again, as at the player's next start: a fresh
    // plug-in, with the settings the last one saved.
    void Restart() {
        Quit();
        Unload();
        LoadPlugin();
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
    // The current entry starts playing, as the host starts a track; what the
    // messenger got right away.
    std::vector<StandinCopyData> Play() {
        StandinClearReceived();
        StandinPlay(StandinCurrent());
        published = published || !StandinReceived(messenger).empty();
        return StandinReceived(messenger);
    }
    // The same, waiting for a status that is not sent at once: one that
    // waits for its pace after a status less than two seconds ago, or one
    // that an older host's notices are followed by.
    std::vector<StandinCopyData> Publish() {
        Play();
        PumpMessagesUntil(3000, [&] { return !StandinReceived(messenger).empty(); });
        published = published || !StandinReceived(messenger).empty();
        return StandinReceived(messenger);
    }
    // The same from a fresh start of the plug-in once it has published, so
    // that its first status goes out at once. The host has stopped
    // meanwhile, as it is when it loads its plug-ins.
    void Afresh() {
        if (running && published) {
            StandinSetPlayState(0);
            Restart();
        }
        published = false;
    }
    std::vector<StandinCopyData> PlayAfresh() {
        Afresh();
        return Play();
    }
    std::vector<StandinCopyData> PublishAfresh() {
        Afresh();
        return Publish();
    }
    std::string folder, ini;
    int messenger = -1;
    bool running = false, published = false;
    LONG_PTR ownPlaylistProc = 0, ownMainProc = 0;
    bool procReplacedOnPurpose = false;  // a test put a procedure of its own on top
};
