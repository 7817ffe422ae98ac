// The configuration dialog, driven as a person would drive it: the host calls
// config, the dialog runs its modal loop, and a timer inside that loop finds
// the dialog, looks at its controls, changes them and closes it. Afterwards
// the settings file and the messenger show what the dialog did.
#include <functional>

#include "plugin_session.h"

namespace {

const char CAPTION[] = "<<Songbeam v0.1>>";
const char DIALOG_CLASS[] = "#32770";
const int LISTS[4] = {1011, 1012, 1013, 1014};
const int BOXES[4] = {1015, 1010, 1016, 1017};
const int CREDITS = 1018, ENABLED = 1019;
enum { SONG = 0, ARTIST = 1, ALBUM = 2, CUSTOM = 3, BLANK = 4 };

// The section as a first save writes it from the initial settings.
const std::vector<std::string> DEFAULT_SECTION = {
    "[Songbeam!]",
    "ENABLE=1",
    "TEXT1=102",
    "TEXT2=104",
    "TEXT3=0",
    "TEXT4=0",
    "CUSTOM1=>> Esta es pa ti",
    "CUSTOM2=I (L) YOU",
    "CUSTOM3=<< para ti..",
    "CUSTOM4=dedicada a ...",
};

// ---- the timer that drives the modal dialog -----------------------------------

enum { TICK_MS = 20, WATCHDOG_MS = 3000 };

struct SeenBox {
    HWND owner;
    std::string caption;
    std::string text;
};

struct DialogRun {
    std::function<void(HWND)> script;      // once, as soon as the dialog is there
    std::function<void(HWND)> afterBoxes;  // once, when `expectedBoxes` boxes were dismissed
    size_t expectedBoxes;
    HWND dialog;
    bool seen;
    bool scriptRan;
    bool afterBoxesRan;
    bool timedOut;
    DWORD start;
    HWND lastBox;
    std::vector<SeenBox> boxes;
};
DialogRun run;

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, DIALOG_CLASS) == 0)
        ((std::vector<HWND> *)found)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, (LPARAM)&found);
    return found;
}

std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A message box shows its text in a static control numbered 0xFFFF.
std::string MessageBoxText(HWND box) {
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (GetTickCount() - run.start > WATCHDOG_MS) {
        // A dialog that does not close on its own fails the test, not hang it.
        run.timedOut = true;
        for (HWND window : ThreadDialogs())
            EndDialog(window, 0);
        return;
    }
    HWND dialog = FindWindowA(DIALOG_CLASS, CAPTION);
    if (dialog != NULL && !run.scriptRan) {
        run.seen = true;
        run.scriptRan = true;
        run.dialog = dialog;
        run.script(dialog);
        return;
    }
    for (HWND window : ThreadDialogs()) {
        if (window == run.dialog || window == run.lastBox)
            continue;
        run.lastBox = window;
        run.boxes.push_back({GetWindow(window, GW_OWNER), WindowText(window), MessageBoxText(window)});
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return;
    }
    if (run.afterBoxes && !run.afterBoxesRan && run.boxes.size() >= run.expectedBoxes && dialog != NULL) {
        run.afterBoxesRan = true;
        run.afterBoxes(dialog);
    }
}

// ---- looking at and using the dialog ------------------------------------------

bool Usable(HWND dialog, int control) { return IsWindowEnabled(GetDlgItem(dialog, control)) != 0; }

bool Shown(HWND dialog, int control) {
    return (GetWindowLongPtrA(GetDlgItem(dialog, control), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string ItemName(HWND dialog, int row) {
    static const char *const names[5] = {"Song", "Artist", "Album", "Custom", "blank"};
    LRESULT item = SendDlgItemMessageA(dialog, LISTS[row], CB_GETCURSEL, 0, 0);
    return item >= 0 && item < 5 ? names[item] : "no selection";
}

// Each row as "<item shown>[ greyed]; box <shown|hidden>[ greyed]".
std::vector<std::string> Rows(HWND dialog) {
    std::vector<std::string> rows;
    for (int k = 0; k < 4; k++) {
        std::string row = ItemName(dialog, k) + (Usable(dialog, LISTS[k]) ? "" : " greyed");
        row += Shown(dialog, BOXES[k]) ? "; box shown" : "; box hidden";
        row += Usable(dialog, BOXES[k]) ? "" : " greyed";
        rows.push_back(row);
    }
    return rows;
}

// A box's text as UTF-8.
std::string BoxText(HWND dialog, int row) {
    WCHAR text[256] = L"";
    GetDlgItemTextW(dialog, BOXES[row], text, 256);
    return StandinToUtf8(text);
}

void TypeInto(HWND dialog, int row, const std::string &text) { SetDlgItemTextA(dialog, BOXES[row], text.c_str()); }

// Types UTF-8 text into a box key by key, over whatever it held, as a
// person (or an input method) does.
void TypeKeys(HWND dialog, int row, const std::string &text) {
    HWND box = GetDlgItem(dialog, BOXES[row]);
    SendMessageW(box, EM_SETSEL, 0, -1);
    for (WCHAR c : StandinFromUtf8(text))
        SendMessageW(box, WM_CHAR, (WPARAM)c, 1);
}

void Notify(HWND dialog, int control, WORD code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(control, code), (LPARAM)GetDlgItem(dialog, control));
}

// The user picks `item` in row k's list.
void Choose(HWND dialog, int row, int item) {
    SendDlgItemMessageA(dialog, LISTS[row], CB_SETCURSEL, (WPARAM)item, 0);
    Notify(dialog, LISTS[row], CBN_SELCHANGE);
}

void SetEnabledBox(HWND dialog, bool checked) {
    CheckDlgButton(dialog, ENABLED, checked ? BST_CHECKED : BST_UNCHECKED);
    Notify(dialog, ENABLED, BN_CLICKED);
}

void Press(HWND dialog, int command) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0); }

// ---- the settings file and the messenger ----------------------------------------

std::vector<std::string> FileLines(const std::string &path) {
    std::string bytes = StandinReadFile(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Saved(const std::string &path, const std::string &key) {
    for (const std::string &line : FileLines(path)) {
        if (line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    }
    return "(missing)";
}

class DialogTest : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        // A file of its own per test, so no test reads another one's settings.
        ini = folder + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
        DeleteFileA(ini.c_str());
        StandinSetSettingsPath(ini);
        // The track plays before the plug-in loads: the dialog's closing
        // publishes it.
        StandinPlay(AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue Hours")));
        PumpMessages(0);  // the host's own events, before the plug-in is there
    }

    // Runs config with `script` acting inside the modal loop. The dialog must
    // appear and close within the watchdog's time.
    void RunDialog(std::function<void(HWND)> script, std::function<void(HWND)> afterBoxes = nullptr,
                   size_t expectedBoxes = 0) {
        run = DialogRun();
        run.script = script;
        run.afterBoxes = afterBoxes;
        run.expectedBoxes = expectedBoxes;
        run.start = GetTickCount();
        StandinClearReceived();
        UINT_PTR timer = SetTimer(NULL, 0, TICK_MS, Tick);
        ASSERT_NE(timer, 0u);
        StandinConfig();
        KillTimer(NULL, timer);
        EXPECT_TRUE(run.seen) << "the dialog never appeared";
        EXPECT_FALSE(run.timedOut) << "the dialog did not close";
        EXPECT_EQ(FindWindowA(DIALOG_CLASS, CAPTION), (HWND)NULL);
    }

    std::vector<std::string> Published() {
        std::vector<std::string> out;
        for (const StandinCopyData &got : StandinReceived(messenger))
            out.push_back(StandinDescribe(got.payload));
        return out;
    }
};

// ---- the template, as compiled into the library ------------------------------------

struct TemplateReader {
    const BYTE *bytes;
    size_t size;
    size_t at;
    bool overrun;

    WORD Word() {
        if (at + 2 > size) {
            overrun = true;
            return 0;
        }
        WORD value = (WORD)(bytes[at] | bytes[at + 1] << 8);
        at += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | (DWORD)Word() << 16;
    }
    BYTE Byte() {
        if (at + 1 > size) {
            overrun = true;
            return 0;
        }
        return bytes[at++];
    }
    // A zero-terminated UTF-16 text, as narrow text for comparison.
    std::string Text() {
        std::string text;
        for (WORD c = Word(); c != 0 && !overrun; c = Word())
            text += c < 0x80 ? (char)c : '?';
        return text;
    }
    // A text, or 0xFFFF and an ordinal shown as "#<number>".
    std::string TextOrOrdinal() {
        if (at + 2 <= size && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        return Text();
    }
    void AlignDword() { at = (at + 3) & ~(size_t)3; }
};

struct ExpectedControl {
    DWORD id;
    const char *kind;  // class ordinal
    const char *text;  // NULL: checked elsewhere (the motto)
    short x, y, cx, cy;
    DWORD style;
};

const DWORD NO_ID = 0xFFFFFFFF;
const ExpectedControl CONTROLS[16] = {
    {1, "#128", "kooool", 111, 92, 49, 13, 0x50010001},
    {1011, "#133", "", 12, 10, 65, 30, 0x50210003},
    {1012, "#133", "", 12, 25, 65, 30, 0x50210003},
    {1013, "#133", "", 12, 40, 65, 30, 0x50210003},
    {1014, "#133", "", 12, 55, 65, 30, 0x50210003},
    {NO_ID, "#130", "{0}", 2, 11, 10, 8, 0x50020000},
    {NO_ID, "#130", "{1}", 2, 26, 10, 8, 0x50020000},
    {NO_ID, "#130", "{2}", 2, 41, 10, 8, 0x50020000},
    {NO_ID, "#130", "{3}", 2, 56, 10, 8, 0x50020000},
    {1015, "#129", "", 78, 10, 80, 12, 0x50810080},
    {1010, "#129", "", 78, 25, 80, 12, 0x50810080},
    {1016, "#129", "", 78, 40, 80, 12, 0x50810080},
    {1017, "#129", "", 78, 55, 80, 12, 0x50810080},
    {NO_ID, "#130", NULL, 5, 74, 152, 8, 0x50020001},
    {1018, "#128", "?", 56, 93, 50, 12, 0x50010000},
    {1019, "#128", "enabled", 2, 95, 42, 10, 0x50010003},
};

TEST_F(DialogTest, TemplateIsTheExtendedTemplate101WithSixteenControls) {
    ASSERT_NE(StandinLoad(), nullptr);
    HMODULE module = StandinModule();
    HRSRC found = FindResourceExA(module, (LPCSTR)RT_DIALOG, MAKEINTRESOURCEA(101),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(found, (HRSRC)NULL) << "no dialog 101 in English (United States)";
    TemplateReader t = {(const BYTE *)LockResource(LoadResource(module, found)), SizeofResource(module, found), 0,
                        false};
    ASSERT_NE(t.bytes, nullptr);

    EXPECT_EQ(t.Word(), 1) << "version";
    EXPECT_EQ(t.Word(), 0xFFFF) << "signature";
    EXPECT_EQ(t.Dword(), 0u) << "help identifier";
    EXPECT_EQ(t.Dword(), 0u) << "extended style";
    EXPECT_EQ(t.Dword(), 0x80C808C0u) << "style";
    EXPECT_EQ(t.Word(), 16) << "controls";
    EXPECT_EQ((short)t.Word(), 0) << "x";
    EXPECT_EQ((short)t.Word(), 0) << "y";
    EXPECT_EQ((short)t.Word(), 163) << "width";
    EXPECT_EQ((short)t.Word(), 109) << "height";
    EXPECT_EQ(t.TextOrOrdinal(), "") << "menu";
    EXPECT_EQ(t.TextOrOrdinal(), "") << "window class";
    EXPECT_EQ(t.Text(), "") << "caption";
    EXPECT_EQ(t.Word(), 10) << "point size";
    EXPECT_EQ(t.Word(), 400) << "weight";
    EXPECT_EQ(t.Byte(), 0) << "italic";
    EXPECT_EQ(t.Byte(), 0) << "character set";
    EXPECT_EQ(t.Text(), "Arial");

    for (int i = 0; i < 16; i++) {
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        const ExpectedControl &want = CONTROLS[i];
        t.AlignDword();
        EXPECT_EQ(t.Dword(), 0u) << "help identifier";
        EXPECT_EQ(t.Dword(), 0u) << "extended style";
        EXPECT_EQ(t.Dword(), want.style) << "style";
        EXPECT_EQ((short)t.Word(), want.x);
        EXPECT_EQ((short)t.Word(), want.y);
        EXPECT_EQ((short)t.Word(), want.cx);
        EXPECT_EQ((short)t.Word(), want.cy);
        EXPECT_EQ(t.Dword(), want.id) << "identifier";
        EXPECT_EQ(t.TextOrOrdinal(), want.kind) << "class";
        std::string text = t.TextOrOrdinal();
        if (want.text != NULL)
            EXPECT_EQ(text, want.text);
        else
            EXPECT_FALSE(text.empty()) << "the motto";
        EXPECT_EQ(t.Word(), 0) << "creation data";
    }
    EXPECT_FALSE(t.overrun);
    EXPECT_LE(t.size - t.at, 3u) << "bytes after the last control";
}

// ---- opening and closing -------------------------------------------------------------

TEST_F(DialogTest, DefaultsShowSongAndArtistAndOkSavesAndPublishesThem) {
    LoadPlugin();
    RunDialog([](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), CAPTION);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song; box hidden",
                                    "Artist; box hidden",
                                    "blank; box hidden",
                                    "blank greyed; box hidden greyed",
                                }));
        for (int k = 0; k < 4; k++) {
            ASSERT_EQ(SendDlgItemMessageA(dialog, LISTS[k], CB_GETCOUNT, 0, 0), 5);
            const char *items[5] = {"Song", "Artist", "Album", "Custom", ""};
            for (int item = 0; item < 5; item++) {
                char text[32] = "?";
                SendDlgItemMessageA(dialog, LISTS[k], CB_GETLBTEXT, item, (LPARAM)text);
                EXPECT_STREQ(text, items[item]) << "row " << k << " item " << item;
            }
        }
        // Every box holds its slot's text, hidden or not.
        EXPECT_EQ(BoxText(dialog, 0), ">> Esta es pa ti");
        EXPECT_EQ(BoxText(dialog, 1), "I (L) YOU");
        EXPECT_EQ(BoxText(dialog, 2), "<< para ti..");
        EXPECT_EQ(BoxText(dialog, 3), "dedicada a ...");
        EXPECT_EQ(IsDlgButtonChecked(dialog, ENABLED), (UINT)BST_CHECKED);
        EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID)) << "Enter means OK";
        // Modal over the host's main window, which takes no input meanwhile.
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), StandinMainWindow());
        EXPECT_FALSE(IsWindowEnabled(StandinMainWindow()));
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(IsWindowEnabled(StandinMainWindow()));
    EXPECT_EQ(FileLines(ini), DEFAULT_SECTION);
    ASSERT_EQ(StandinReceived(messenger).size(), 1u);
    ExpectStatus(StandinReceived(messenger)[0], OnText("{0} - {1}", {"Rain", "Kora"}));
}

TEST_F(DialogTest, OpeningWithPublishingOffGreysEveryRowButShowsTheStoredSources) {
    LoadPlugin("[Songbeam!]\r\nENABLE=0\r\nTEXT3=108\r\n");
    RunDialog([](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, ENABLED), (UINT)BST_UNCHECKED);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song greyed; box hidden greyed",
                                    "Artist greyed; box hidden greyed",
                                    "Custom greyed; box shown greyed",
                                    "blank greyed; box hidden greyed",
                                }));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Saved(ini, "ENABLE"), "0");
    EXPECT_EQ(Saved(ini, "TEXT3"), "108");
    EXPECT_EQ(Published(), (std::vector<std::string>{"off"}));
}

TEST_F(DialogTest, AnUnknownStoredSourceShowsBlankAndStaysUntilARowChoice) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=5\r\nTEXT3=106\r\n");
    RunDialog([this](HWND dialog) {
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "blank; box hidden",
                                    "Artist greyed; box hidden greyed",
                                    "Album greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                }));
        // Still in use: a track change shows it as a single space.
        StandinNotify();
        EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{1} - {2}" -> " " | "Kora" | "Blue Hours")"}));
        // A choice in row 0 stores it, and makes only the next row usable.
        Choose(dialog, 0, SONG);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song; box hidden",
                                    "Artist; box hidden greyed",
                                    "Album greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                }));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Saved(ini, "TEXT1"), "102");
    EXPECT_EQ(Saved(ini, "TEXT3"), "106");
}

TEST_F(DialogTest, AnUnknownStoredSourceIsSavedBackUnchanged) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=5\r\n");
    RunDialog([](HWND dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(Saved(ini, "TEXT1"), "5");
    EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{1}" -> " " | "Kora")"}));
}

// ---- choosing in the lists ------------------------------------------------------------

TEST_F(DialogTest, BlankInRowOneTakesEveryLaterRowOutOfUse) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=102\r\nTEXT2=104\r\nTEXT3=106\r\nTEXT4=108\r\n");
    RunDialog([](HWND dialog) {
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song; box hidden",
                                    "Artist; box hidden",
                                    "Album; box hidden",
                                    "Custom; box shown",
                                }));
        Choose(dialog, 1, BLANK);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song; box hidden",
                                    "blank; box hidden",
                                    "blank greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                }));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Saved(ini, "TEXT1"), "102");
    EXPECT_EQ(Saved(ini, "TEXT2"), "0");
    EXPECT_EQ(Saved(ini, "TEXT3"), "0");
    EXPECT_EQ(Saved(ini, "TEXT4"), "0");
    EXPECT_EQ(Saved(ini, "CUSTOM4"), "dedicada a ...");
    EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{0}" -> "Rain")"}));
}

TEST_F(DialogTest, BlankInRowZeroSendsTheOffStatus) {
    LoadPlugin();
    RunDialog([](HWND dialog) {
        Choose(dialog, 0, BLANK);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "blank; box hidden",
                                    "blank greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                }));
        Press(dialog, IDOK);
    });
    for (const char *key : {"TEXT1", "TEXT2", "TEXT3", "TEXT4"})
        EXPECT_EQ(Saved(ini, key), "0") << key;
    EXPECT_EQ(Published(), (std::vector<std::string>{"off"}));
}

TEST_F(DialogTest, CustomShowsTheSlotTextAndKeepsWhatIsTypedThere) {
    LoadPlugin();
    RunDialog([](HWND dialog) {
        Choose(dialog, 2, CUSTOM);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song; box hidden",
                                    "Artist; box hidden",
                                    "Custom; box shown",
                                    "blank; box hidden greyed",
                                }));
        EXPECT_EQ(BoxText(dialog, 2), "<< para ti..");
        TypeInto(dialog, 2, "now on air");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Saved(ini, "TEXT3"), "108");
    EXPECT_EQ(Saved(ini, "CUSTOM3"), "now on air");
    EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{0} - {1} - {2}" -> "Rain" | "Kora" | "now on air")"}));
}

std::string Repeat(const std::string &text, int times) {
    std::string out;
    while (times-- > 0)
        out += text;
    return out;
}

// Texts in any language, typed, saved, and back after a fresh start: the
// status and the box hold them exactly, and CUSTOM1 holds the part that an
// older build shows as WideCharToMultiByte gives it, at most 30 bytes.
TEST_F(DialogTest, UnicodeTextsComeBackExactlyAfterSaveQuitAndAFreshStart) {
    const char *codePage = getenv("SONGBEAM_ANSI_CODE_PAGE");
    if (codePage != NULL) {
        ASSERT_EQ(GetACP(), (UINT)atoi(codePage)) << "the locale for this code page is missing";
    }
    const std::string cjk = "\xE8\xA8\xAD", headphones = "\xF0\x9F\x8E\xA7";
    const struct {
        std::string typed, kept, shown;  // UTF-8; shown: the part CUSTOM1 holds
    } rows[] = {
        {"\xE2\x99\xAB Now playing", "", ""},
        {headphones + " on repeat", "", ""},
        {Repeat(cjk, 127), "", ""},
        {Repeat(cjk, 126) + headphones, Repeat(cjk, 126), ""},  // the pair is not split
        {"  spaced out  ", "", "spaced out"},
        {"\"in quotes\"", "", "in quotes"},
        {"0123456789abcdefghijABCDEFGHIJ0123456789", "", ""},
        {"tab\tand\xE2\x80\xA8line", "tab and line", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.typed);
        const std::string kept = row.kept.empty() ? row.typed : row.kept;
        const std::string shown = row.shown.empty() ? kept : row.shown;
        LoadPlugin("[Songbeam!]\r\nTEXT1=108\r\nTEXT2=0\r\n");
        RunDialog([&](HWND dialog) {
            SetDlgItemTextW(dialog, BOXES[0], StandinFromUtf8(row.typed).c_str());
            Press(dialog, IDOK);
        });
        ExpectOnly(StandinReceived(messenger), OnText({kept}));
        Quit();
        Unload();
        EXPECT_EQ(Saved(ini, "CUSTOM1"), StandinToAnsi(StandinFromUtf8(shown)).substr(0, 30));
        LoadPlugin();
        ExpectOnly(Publish(), OnText({kept}));
        RunDialog([&](HWND dialog) {
            WCHAR box[256] = L"";
            GetDlgItemTextW(dialog, BOXES[0], box, 256);
            EXPECT_EQ(StandinToUtf8(box), kept);
            EXPECT_EQ(SendDlgItemMessageW(dialog, BOXES[0], EM_GETLIMITTEXT, 0, 0), 127);
            Press(dialog, IDOK);
        });
        Quit();
        Unload();
    }
}

TEST_F(DialogTest, ControlCharactersInATypedTextBecomeSpaces) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=108\r\n");
    RunDialog([](HWND dialog) {
        TypeInto(dialog, 0, "a\r\n[Evil]\r\nK=1\t.");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Saved(ini, "CUSTOM1"), "a  [Evil]  K=1 .");
    EXPECT_EQ(FileLines(ini).size(), DEFAULT_SECTION.size()) << "a line of its own in the settings file";
    EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{0} - {1}" -> "a  [Evil]  K=1 ." | "Kora")"}));
}

TEST_F(DialogTest, ConfigBeforeInitShowsAndSavesTheHostsSettingsFile) {
    ASSERT_TRUE(StandinWriteFile(ini, "[Songbeam!]\r\nTEXT1=106\r\n"));
    ASSERT_NE(StandinLoad(), nullptr);
    RunDialog([](HWND dialog) {
        EXPECT_EQ(Rows(dialog)[0], "Album; box hidden");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Saved(ini, "TEXT1"), "106");
    EXPECT_EQ(Saved(ini, "TEXT2"), "104");
}

TEST_F(DialogTest, NoListNotificationLosesWhatWasTyped) {
    const WORD notifications[] = {CBN_SETFOCUS, CBN_KILLFOCUS, CBN_DROPDOWN, CBN_CLOSEUP,
                                  CBN_SELENDOK, CBN_SELENDCANCEL, CBN_SELCHANGE};
    LoadPlugin("[Songbeam!]\r\nTEXT1=108\r\nTEXT2=0\r\nCUSTOM1=stored words\r\n");
    for (WORD code : notifications) {
        SCOPED_TRACE(code);
        const std::string typed = "at the gym \xF0\x9F\x8E\xA7 " + std::to_string(code);
        RunDialog([&](HWND dialog) {
            TypeKeys(dialog, 0, typed);
            Notify(dialog, LISTS[0], code);
            EXPECT_EQ(BoxText(dialog, 0), typed);
            SetEnabledBox(dialog, false);
            SetEnabledBox(dialog, true);
            // Away to "Song" and back: the box keeps the typing meanwhile.
            Choose(dialog, 0, SONG);
            Choose(dialog, 0, CUSTOM);
            EXPECT_EQ(Rows(dialog)[0], "Custom; box shown");
            EXPECT_EQ(BoxText(dialog, 0), typed);
            Press(dialog, IDOK);
        });
        EXPECT_EQ(Saved(ini, "CUSTOM1"), StandinToAnsi(StandinFromUtf8(typed)));
        EXPECT_EQ(Published(), (std::vector<std::string>{"on \"{0}\" -> \"" + typed + "\""}));
    }
}

TEST_F(DialogTest, CheckingEnabledNeverMakesAGap) {
    LoadPlugin();
    RunDialog([](HWND dialog) {
        Choose(dialog, 0, BLANK);
        SetEnabledBox(dialog, false);
        SetEnabledBox(dialog, true);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "blank; box hidden",
                                    "blank greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                }));
        Choose(dialog, 1, ARTIST);  // a greyed list has no say
        Press(dialog, IDOK);
    });
    for (const char *key : {"TEXT1", "TEXT2", "TEXT3", "TEXT4"})
        EXPECT_EQ(Saved(ini, key), "0") << key;
    EXPECT_EQ(Published(), (std::vector<std::string>{"off"}));
}

// ---- closing without OK, and the dialog's effect while it is open ------------------

TEST_F(DialogTest, EscapeSavesAndPublishesLikeOk) {
    LoadPlugin();
    RunDialog([](HWND dialog) {
        Choose(dialog, 0, ALBUM);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(Saved(ini, "TEXT1"), "106");
    EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{0} - {1}" -> "Blue Hours" | "Kora")"}));
}

TEST_F(DialogTest, ATrackChangeWhileOpenUsesTheChoicesButNotYetTheTyping) {
    LoadPlugin();
    RunDialog([this](HWND dialog) {
        Choose(dialog, 0, ALBUM);
        Choose(dialog, 1, CUSTOM);
        TypeInto(dialog, 1, "typed, not yet taken");
        StandinNotify();
        EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{0} - {1}" -> "Blue Hours" | "I (L) YOU")"}));
        StandinClearReceived();
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{0} - {1}" -> "Blue Hours" | "typed, not yet taken")"}));
}

TEST_F(DialogTest, ClearingEnabledGreysEverythingAndPublishesOff) {
    LoadPlugin("[Songbeam!]\r\nTEXT2=108\r\n");
    ExpectOnly(Publish(), OnText({"Rain", "I (L) YOU"}));
    PumpMessages(2100);  // the pace: the next status goes out at once
    RunDialog([this](HWND dialog) {
        SetEnabledBox(dialog, false);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song greyed; box hidden greyed",
                                    "Custom greyed; box shown greyed",
                                    "blank greyed; box hidden greyed",
                                    "blank greyed; box hidden greyed",
                                }));
        StandinNotify();
        EXPECT_EQ(Published(), (std::vector<std::string>{"off"}));
        // Checked again: the rows as at the opening, usable up to the first
        // blank one.
        SetEnabledBox(dialog, true);
        EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                                    "Song; box hidden",
                                    "Custom; box shown",
                                    "blank; box hidden",
                                    "blank greyed; box hidden greyed",
                                }));
        SetEnabledBox(dialog, false);
        StandinClearReceived();
        SendMessageA(dialog, WM_CLOSE, 0, 0);  // the title bar's close box
    });
    EXPECT_EQ(Saved(ini, "ENABLE"), "0");
    EXPECT_EQ(Saved(ini, "TEXT1"), "102");
    EXPECT_EQ(Saved(ini, "TEXT2"), "108");
    EXPECT_EQ(Saved(ini, "CUSTOM2"), "I (L) YOU");
    EXPECT_EQ(Published(), (std::vector<std::string>{"off"}));
}

// ---- credits ----------------------------------------------------------------------

// Configure again while the dialog is open (the host's preferences stay
// usable) opens no second dialog. The host menu's switch and the dialog's
// box show one setting: the switch greys the open dialog's rows and sends
// at once; the box sets the menu's check mark.
TEST_F(DialogTest, OneDialogAtATimeAndTheMenusSwitchInStep) {
    LoadPlugin();
    UINT command = FindItem(StandinMainMenu()).command;
    auto checked = [] { return FindItem(StandinMainMenu()).checked; };
    RunDialog([&](HWND dialog) {
        StandinConfig();
        EXPECT_EQ(ThreadDialogs().size(), 1u) << "a second dialog opened";
        StandinMenuCommand(command);
        EXPECT_EQ(IsDlgButtonChecked(dialog, ENABLED), (UINT)BST_UNCHECKED);
        EXPECT_EQ(Rows(dialog)[0], "Song greyed; box hidden greyed");
        EXPECT_EQ(Published(), (std::vector<std::string>{"off"}));
        EXPECT_EQ(Saved(ini, "ENABLE"), "0");
        SetEnabledBox(dialog, true);
        EXPECT_TRUE(checked());
        SetEnabledBox(dialog, false);
        EXPECT_FALSE(checked());
        StandinClearReceived();
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Published(), (std::vector<std::string>{"off"}));
    EXPECT_EQ(Saved(ini, "ENABLE"), "0");
}

TEST_F(DialogTest, CreditsShowTwoBoxesInTurnAndChangeNothing) {
    LoadPlugin();
    std::vector<std::string> rowsBefore, rowsAfter;
    RunDialog([&](HWND dialog) {
        rowsBefore = Rows(dialog);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(CREDITS, BN_CLICKED), 0);
    },
              [&](HWND dialog) {
                  rowsAfter = Rows(dialog);
                  Press(dialog, IDOK);
              },
              2);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[0].owner, run.dialog);
    EXPECT_EQ(run.boxes[0].caption, std::string(15, '\n') + ":)");
    EXPECT_EQ(run.boxes[0].text, "\nLo hize yo y que?\n" + std::string(44, ' ') + "the Songbeam! team - 2005");
    EXPECT_EQ(run.boxes[1].owner, run.dialog);
    EXPECT_EQ(run.boxes[1].caption,
              std::string(4, '\n') + std::string(75, ' ') + std::string(11, '\n') + ":)" + std::string(47, ' ') +
                  "since 1983");
    EXPECT_EQ(run.boxes[1].text,
              std::string(2, '\n') + std::string(100, ' ') + std::string(2, '\n') + std::string(46, ' ') +
                  "songbeam@example.org");
    EXPECT_EQ(rowsAfter, rowsBefore);
    EXPECT_EQ(FileLines(ini), DEFAULT_SECTION);
    EXPECT_EQ(Published(), (std::vector<std::string>{R"(on "{0} - {1}" -> "Rain" | "Kora")"}));
}

}  // namespace
