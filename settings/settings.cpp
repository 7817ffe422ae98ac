#include "settings/settings.h"

#include <windows.h>

#include "host/host_requests.h"
#include "settings/custom_text.h"
#include "status/state.h"

// The host's settings file is read and written as it is: ANSI text, never
// converted. With the host's Unicode path the W profile functions serve it
// (they read and write such a file in the ANSI code page), otherwise the A
// functions with the narrow path.
static const char SECTION[] = "Songbeam!";
static const WCHAR SECTION_W[] = L"Songbeam!";
static const char *const SOURCE_KEYS[SLOT_COUNT] = {"TEXT1", "TEXT2", "TEXT3", "TEXT4"};
static const char *const CUSTOM_KEYS[SLOT_COUNT] = {"CUSTOM1", "CUSTOM2", "CUSTOM3", "CUSTOM4"};
// The exact copy of a custom text that CUSTOMn cannot hold as it is.
static const char *const COPY_KEYS[SLOT_COUNT] = {"CUSTOM1U", "CUSTOM2U", "CUSTOM3U", "CUSTOM4U"};

enum {
    NAME_UNITS = 16,
    // What CUSTOMn holds is no longer than what an older build reads back
    // whole (31 bytes with the terminator) and writes back unchanged.
    SHOWN_BYTES = 30,
    // Room for a custom text of FIELD_UNITS - 1 units in the ANSI code page:
    // two bytes a character in a double-byte code page, up to three in UTF-8.
    NARROW_BYTES = 4 * FIELD_UNITS,
    // A copy is read with room for one character more than the longest
    // sound one, so that a longer one decodes to too many bytes.
    COPY_READ_UNITS = CUSTOM_COPY_SIZE + 1,
    TEXT_READ_BYTES = COPY_READ_UNITS > NARROW_BYTES ? COPY_READ_UNITS : NARROW_BYTES,
};

// ASCII text (a key, a copy) as UTF-16.
static const WCHAR *WidenAscii(const char *text, WCHAR *wide, int units) {
    int i = 0;
    for (; text[i] != 0 && i < units - 1; i++)
        wide[i] = (WCHAR)(unsigned char)text[i];
    wide[i] = 0;
    return wide;
}

// The units compared one by one, not as a locale orders texts.
static bool SameText(const WCHAR *a, const WCHAR *b) {
    for (; *a == *b; a++, b++) {
        if (*a == 0)
            return true;
    }
    return false;
}

static int ReadInt(const char *key, int current) {
    if (HostLink.iniPathW != NULL) {
        WCHAR name[NAME_UNITS];
        return (int)GetPrivateProfileIntW(SECTION_W, WidenAscii(key, name, NAME_UNITS), current, HostLink.iniPathW);
    }
    return (int)GetPrivateProfileIntA(SECTION, key, current, HostLink.iniPath);
}

// A key's text as UTF-16 into `text` (`units` units, at most
// TEXT_READ_BYTES), cut where it is full; false when the key is missing. The
// default is a text no save writes, so an empty value still counts.
static bool ReadText(const char *key, WCHAR *text, int units) {
    static const WCHAR MISSING[] = L"\x01";
    if (HostLink.iniPathW != NULL) {
        WCHAR name[NAME_UNITS];
        GetPrivateProfileStringW(SECTION_W, WidenAscii(key, name, NAME_UNITS), MISSING, text, (DWORD)units,
                                 HostLink.iniPathW);
    } else {
        char narrow[TEXT_READ_BYTES];
        WCHAR wide[TEXT_READ_BYTES];
        DWORD bytes = GetPrivateProfileStringA(SECTION, key, "\x01", narrow, sizeof narrow, HostLink.iniPath);
        int got = bytes == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, narrow, (int)bytes, wide, TEXT_READ_BYTES);
        int n = got < 0 ? 0 : got < units - 1 ? got : units - 1;
        CopyMemory(text, wide, n * sizeof(WCHAR));
        text[n] = 0;
    }
    return !SameText(text, MISSING);
}

// Writes a key's text, or removes the key when `text` is null.
static void WriteText(const char *key, const WCHAR *text) {
    if (HostLink.iniPathW != NULL) {
        WCHAR name[NAME_UNITS];
        WritePrivateProfileStringW(SECTION_W, WidenAscii(key, name, NAME_UNITS), text, HostLink.iniPathW);
        return;
    }
    char narrow[TEXT_READ_BYTES] = "";
    if (text != NULL && text[0] != 0 &&
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, NULL, NULL) == 0)
        narrow[0] = 0;
    WritePrivateProfileStringA(SECTION, key, text != NULL ? narrow : NULL, HostLink.iniPath);
}

static void WriteInt(const char *key, int value) {
    WCHAR text[16];
    wsprintfW(text, L"%d", value);
    WriteText(key, text);
}

// ---- what CUSTOMn holds ---------------------------------------------------------

// Spaces of every kind, which the profile functions may drop at either end
// of a value; dropping more than they do only costs a copy.
static bool IsBlankUnit(WCHAR c) {
    return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x1680 || (c >= 0x2000 && c <= 0x200B) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

static int AnsiBytes(const WCHAR *text, int units) {
    return units == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, text, units, NULL, 0, NULL, NULL);
}

// CUSTOMn holds the text as the ANSI code page holds it (what
// WideCharToMultiByte gives, "?" for what it lacks), in a form that the
// profile functions give back unchanged, in this build and in an older one
// that reads 30 bytes and writes them back: no blanks at either end, not
// enclosed in quotation marks (both are dropped when read), at most 30
// bytes, cut between characters.
static void ShownText(const WCHAR *text, WCHAR *shown) {
    char narrow[NARROW_BYTES];
    int bytes = text[0] == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, NULL, NULL);
    int units = bytes <= 1 ? 0 : MultiByteToWideChar(CP_ACP, 0, narrow, bytes - 1, shown, FIELD_UNITS - 1);
    if (units < 0)
        units = 0;
    int start = 0;
    for (bool changed = true; changed;) {
        changed = false;
        while (units > start && IsBlankUnit(shown[units - 1]))
            units--, changed = true;
        while (start < units && IsBlankUnit(shown[start]))
            start++, changed = true;
        if (units - start >= 2 && (shown[start] == '"' || shown[start] == '\'') && shown[units - 1] == shown[start])
            start++, units--, changed = true;
        // Text widened from an ANSI code page holds no surrogate pair, so a
        // unit is a character.
        while (AnsiBytes(shown + start, units - start) > SHOWN_BYTES)
            units--, changed = true;
    }
    MoveMemory(shown, shown + start, (units - start) * sizeof(WCHAR));
    shown[units - start] = 0;
}

// ---- load and save ----------------------------------------------------------------

// The host's settings file in Unicode first (1334), then narrow (334); a
// host that answers neither has its settings in "winamp.ini" in the Windows
// directory. The path is copied once, at init, and read no further than its
// terminator: the host may free its text before the last save, at the end
// of a Windows session, and a path without a terminator within the longest
// a path can be is no answer.
static WCHAR settingsPathW[HOST_PATH_UNITS];
static char settingsPath[HOST_PATH_UNITS];

static void ChooseSettingsFile(void) {
    size_t length = 0;
    HostLink.iniPathW = NULL;
    HostLink.iniPath = NULL;
    const WCHAR *wide = HostWideText(0, HOST_SETTINGS_FILE_W, HOST_PATH_UNITS, &length);
    if (wide != NULL) {
        CopyMemory(settingsPathW, wide, (length + 1) * sizeof(WCHAR));
        HostLink.iniPathW = settingsPathW;
        return;
    }
    const char *narrow = HostText(0, HOST_SETTINGS_FILE, HOST_PATH_UNITS, &length);
    if (narrow != NULL) {
        CopyMemory(settingsPath, narrow, length + 1);
        HostLink.iniPath = settingsPath;
    } else {
        HostLink.iniPath = "winamp.ini";
    }
}

// The slot's text is its CUSTOMn, or the exact copy beside it while CUSTOMn
// still holds what was written with the copy; a CUSTOMn changed since, by
// hand or by another program, wins. A missing CUSTOMn keeps the current text.
static void LoadCustomText(int k) {
    WCHAR shown[FIELD_UNITS];
    if (!ReadText(CUSTOM_KEYS[k], shown, FIELD_UNITS))
        return;
    WCHAR copy[COPY_READ_UNITS], exact[FIELD_UNITS];
    const WCHAR *text = shown;
    if (ReadText(COPY_KEYS[k], copy, COPY_READ_UNITS)) {
        // The copy is ASCII; any other character makes it no copy.
        char ascii[COPY_READ_UNITS];
        int i = 0;
        for (; copy[i] != 0 && copy[i] < 0x80; i++)
            ascii[i] = (char)copy[i];
        ascii[i] = 0;
        if (copy[i] == 0 && DecodeCustomCopy(ascii, shown, exact))
            text = exact;
    }
    StoreCustomText(StatusSettings.customText[k], text, (size_t)lstrlenW(text));
}

void LoadSettings(void) {
    ChooseSettingsFile();
    StatusSettings.enabled = ReadInt("ENABLE", StatusSettings.enabled);
    for (int k = 0; k < SLOT_COUNT; k++)
        StatusSettings.slotSource[k] = ReadInt(SOURCE_KEYS[k], StatusSettings.slotSource[k]);
    for (int k = 0; k < SLOT_COUNT; k++)
        LoadCustomText(k);
}

// The nine keys, then for each text that CUSTOMn does not hold exactly its
// copy; a copy left from an earlier text is removed.
void SaveSettings(void) {
    WriteInt("ENABLE", StatusSettings.enabled);
    for (int k = 0; k < SLOT_COUNT; k++)
        WriteInt(SOURCE_KEYS[k], StatusSettings.slotSource[k]);
    WCHAR shown[SLOT_COUNT][FIELD_UNITS];
    for (int k = 0; k < SLOT_COUNT; k++) {
        ShownText(StatusSettings.customText[k], shown[k]);
        WriteText(CUSTOM_KEYS[k], shown[k]);
    }
    for (int k = 0; k < SLOT_COUNT; k++) {
        if (SameText(shown[k], StatusSettings.customText[k])) {
            WriteText(COPY_KEYS[k], NULL);
            continue;
        }
        char copy[CUSTOM_COPY_SIZE];
        WCHAR wideCopy[CUSTOM_COPY_SIZE];
        EncodeCustomCopy(StatusSettings.customText[k], shown[k], copy);
        WriteText(COPY_KEYS[k], WidenAscii(copy, wideCopy, CUSTOM_COPY_SIZE));
    }
}
