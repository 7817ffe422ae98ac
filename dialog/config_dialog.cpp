// The configuration dialog's behaviour. It works directly on StatusSettings:
// a choice in a list and the "enabled" box are in force the moment they are
// made, so a track change while the dialog is open already uses them. The
// custom texts are taken from the edit boxes only when the dialog closes.
#include "dialog/config_dialog.h"

#include "host/host_menu.h"
#include "host/plugin.h"
#include "settings/custom_text.h"
#include "settings/settings.h"
#include "status/state.h"
#include "status/update.h"

static const WCHAR DIALOG_CAPTION[] = L"<<Songbeam v0.1>>";

// Row k belongs to slot k.
static const int SOURCE_LISTS[SLOT_COUNT] = {IDC_SLOT0_SOURCE, IDC_SLOT1_SOURCE, IDC_SLOT2_SOURCE,
                                             IDC_SLOT3_SOURCE};
static const int CUSTOM_BOXES[SLOT_COUNT] = {IDC_SLOT0_CUSTOM, IDC_SLOT1_CUSTOM, IDC_SLOT2_CUSTOM,
                                             IDC_SLOT3_CUSTOM};

// Every list holds these items in this order, so an item's index carries
// its source.
enum { ITEM_COUNT = 5, CUSTOM_ITEM = 3, BLANK_ITEM = 4 };
static const WCHAR *const ITEM_TEXTS[ITEM_COUNT] = {L"Song", L"Artist", L"Album", L"Custom", L""};
static const int ITEM_SOURCES[ITEM_COUNT] = {SOURCE_SONG, SOURCE_ARTIST, SOURCE_ALBUM, SOURCE_CUSTOM,
                                             SOURCE_NONE};

// The dialog while it is open: there is only ever one.
static HWND openDialog;

static const WCHAR CREDITS_SIGNATURE[] = L"the Songbeam! team";
static const WCHAR CREDITS_CONTACT[] = L"songbeam@example.org";
enum { CREDITS_TEXT_SIZE = 256 };

// ---- controls -----------------------------------------------------------------

static void SetUsable(HWND dialog, int control, BOOL usable) {
    EnableWindow(GetDlgItem(dialog, control), usable);
}

static void SetShown(HWND dialog, int control, BOOL shown) {
    ShowWindow(GetDlgItem(dialog, control), shown ? SW_SHOW : SW_HIDE);
}

static void SelectItem(HWND dialog, int row, int item) {
    SendDlgItemMessageW(dialog, SOURCE_LISTS[row], CB_SETCURSEL, (WPARAM)item, 0);
}

// The list item that shows a stored source; a code that is none of the four
// shows as the blank item.
static int ItemOfSource(int source) {
    for (int item = 0; item < BLANK_ITEM; item++) {
        if (ITEM_SOURCES[item] == source)
            return item;
    }
    return BLANK_ITEM;
}

static void GreyAllRows(HWND dialog) {
    for (int k = 0; k < SLOT_COUNT; k++)
        SetUsable(dialog, SOURCE_LISTS[k], FALSE);
    for (int k = 0; k < SLOT_COUNT; k++)
        SetUsable(dialog, CUSTOM_BOXES[k], FALSE);
}

// ---- opening ------------------------------------------------------------------

static void FillLists(HWND dialog) {
    for (int k = 0; k < SLOT_COUNT; k++) {
        for (int item = 0; item < ITEM_COUNT; item++)
            SendDlgItemMessageW(dialog, SOURCE_LISTS[k], CB_ADDSTRING, 0, (LPARAM)ITEM_TEXTS[item]);
    }
}

// Shows the stored source of row k; nothing is stored here. The box
// gets the slot's text now and never again: choosing in the list keeps what
// the user typed, and each box takes no more than a custom text holds.
static void ShowStoredRow(HWND dialog, int k) {
    int item = ItemOfSource(StatusSettings.slotSource[k]);
    SelectItem(dialog, k, item);
    if (item == CUSTOM_ITEM)
        SetShown(dialog, CUSTOM_BOXES[k], TRUE);
    SendDlgItemMessageW(dialog, CUSTOM_BOXES[k], EM_LIMITTEXT, FIELD_UNITS - 1, 0);
    SetDlgItemTextW(dialog, CUSTOM_BOXES[k], StatusSettings.customText[k]);
}

// Each row is usable up to and including the first blank one: rows after it
// are greyed but keep showing their own stored sources. A row can be put in
// use only after the rows before it, so the slots in use stay together from
// "{0}" on.
static void MakeRowsUsable(HWND dialog) {
    BOOL usable = TRUE;
    for (int k = 0; k < SLOT_COUNT; k++) {
        SetUsable(dialog, SOURCE_LISTS[k], usable);
        SetUsable(dialog, CUSTOM_BOXES[k], usable);
        LRESULT item = SendDlgItemMessageW(dialog, SOURCE_LISTS[k], CB_GETCURSEL, 0, 0);
        if (item < 0 || item == BLANK_ITEM)
            usable = FALSE;
    }
}

static void OpenDialog(HWND dialog) {
    openDialog = dialog;
    SetWindowTextW(dialog, DIALOG_CAPTION);
    for (int k = 0; k < SLOT_COUNT; k++)
        SetShown(dialog, CUSTOM_BOXES[k], FALSE);
    FillLists(dialog);
    for (int k = 0; k < SLOT_COUNT; k++)
        ShowStoredRow(dialog, k);
    if (StatusSettings.enabled != 0) {
        CheckDlgButton(dialog, IDC_ENABLED, BST_CHECKED);
        MakeRowsUsable(dialog);
    } else {
        GreyAllRows(dialog);
    }
}

// ---- choosing in a list ---------------------------------------------------------

// The blank item takes this row and every later one out of use: the later
// rows show the blank item, greyed, with their boxes hidden and greyed.
// Setting a selection sends no notification, so their sources are stored here.
static void ClearRowsFrom(HWND dialog, int k) {
    for (int j = k; j < SLOT_COUNT; j++)
        StatusSettings.slotSource[j] = SOURCE_NONE;
    SetShown(dialog, CUSTOM_BOXES[k], FALSE);
    for (int j = k + 1; j < SLOT_COUNT; j++) {
        SelectItem(dialog, j, BLANK_ITEM);
        SetUsable(dialog, SOURCE_LISTS[j], FALSE);
        SetShown(dialog, CUSTOM_BOXES[j], FALSE);
        SetUsable(dialog, CUSTOM_BOXES[j], FALSE);
    }
}

// "Custom" shows the box with whatever it holds: the slot's text, or what
// the user typed since the opening.
static void ShowCustomBox(HWND dialog, int k) {
    SetUsable(dialog, CUSTOM_BOXES[k], TRUE);
    SetShown(dialog, CUSTOM_BOXES[k], TRUE);
}

// Applies the current selection of row k's list. Every notification of the
// list comes here, not only a changed selection; applying the same choice
// again changes nothing. A greyed list has no say.
static void ApplyListChoice(HWND dialog, int k) {
    if (!IsWindowEnabled(GetDlgItem(dialog, SOURCE_LISTS[k])))
        return;
    LRESULT item = SendDlgItemMessageW(dialog, SOURCE_LISTS[k], CB_GETCURSEL, 0, 0);
    if (item < 0 || item >= ITEM_COUNT)
        return;
    if (item == BLANK_ITEM) {
        ClearRowsFrom(dialog, k);
        return;
    }
    StatusSettings.slotSource[k] = ITEM_SOURCES[item];
    if (item == CUSTOM_ITEM)
        ShowCustomBox(dialog, k);
    else
        SetShown(dialog, CUSTOM_BOXES[k], FALSE);
    if (k + 1 < SLOT_COUNT)
        SetUsable(dialog, SOURCE_LISTS[k + 1], TRUE);
}

// ---- the "enabled" box ------------------------------------------------------------

// The lists keep showing the stored sources either way, so what the dialog
// shows is what closing saves; checked again, the rows are usable as at the
// opening.
static void ShowEnabledRows(HWND dialog) {
    if (StatusSettings.enabled != 0)
        MakeRowsUsable(dialog);
    else
        GreyAllRows(dialog);
}

// The box has toggled itself already. The host's menu shows the switch too.
static void ApplyEnabledBox(HWND dialog) {
    StatusSettings.enabled = IsDlgButtonChecked(dialog, IDC_ENABLED) == BST_CHECKED ? 1 : 0;
    ShowEnabledRows(dialog);
    ShowPublishingInMenu();
}

void ShowPublishingInDialog(void) {
    if (openDialog == NULL)
        return;
    CheckDlgButton(openDialog, IDC_ENABLED, StatusSettings.enabled != 0 ? BST_CHECKED : BST_UNCHECKED);
    ShowEnabledRows(openDialog);
}

bool BringDialogToFront(void) {
    if (openDialog == NULL || !IsWindow(openDialog))
        return false;
    SetForegroundWindow(openDialog);
    return true;
}

// ---- closing ----------------------------------------------------------------------

// OK, Enter, Escape and the close box alike: the typed texts are taken,
// everything is saved and published once. Nothing is undone. A text is cut
// between characters, and control characters (another program can put line
// breaks into an edit box) become spaces: a saved text is one line of the
// settings file, and the status is one line too.
static void CloseDialog(HWND dialog) {
    for (int k = 0; k < SLOT_COUNT; k++) {
        WCHAR typed[FIELD_UNITS];
        UINT units = GetDlgItemTextW(dialog, CUSTOM_BOXES[k], typed, FIELD_UNITS);
        StoreCustomText(StatusSettings.customText[k], typed, units);
    }
    SaveSettings();
    UpdateStatus();
    openDialog = NULL;
    EndDialog(dialog, 0);
}

// ---- credits ----------------------------------------------------------------------

// A text composed in a fixed buffer; whatever does not fit is dropped.
struct TextBuilder {
    WCHAR *dest;
    size_t size;
    size_t length;
};

static void StartText(TextBuilder *text, WCHAR *dest, size_t size) {
    text->dest = dest;
    text->size = size;
    text->length = 0;
    dest[0] = 0;
}

static void AppendRun(TextBuilder *text, WCHAR c, int count) {
    for (int i = 0; i < count && text->length + 1 < text->size; i++)
        text->dest[text->length++] = c;
    text->dest[text->length] = 0;
}

static void AppendText(TextBuilder *text, const WCHAR *source) {
    for (size_t i = 0; source[i] != 0 && text->length + 1 < text->size; i++)
        text->dest[text->length++] = source[i];
    text->dest[text->length] = 0;
}

static void ShowFirstCredits(HWND dialog) {
    WCHAR caption[CREDITS_TEXT_SIZE], body[CREDITS_TEXT_SIZE];
    TextBuilder text;
    StartText(&text, caption, CREDITS_TEXT_SIZE);
    AppendRun(&text, L'\n', 15);
    AppendText(&text, L":)");
    StartText(&text, body, CREDITS_TEXT_SIZE);
    AppendRun(&text, L'\n', 1);
    AppendText(&text, L"Lo hize yo y que?");
    AppendRun(&text, L'\n', 1);
    AppendRun(&text, L' ', 44);
    AppendText(&text, CREDITS_SIGNATURE);
    AppendText(&text, L" - 2005");
    MessageBoxW(dialog, body, caption, MB_OK);
}

static void ShowSecondCredits(HWND dialog) {
    WCHAR caption[CREDITS_TEXT_SIZE], body[CREDITS_TEXT_SIZE];
    TextBuilder text;
    StartText(&text, caption, CREDITS_TEXT_SIZE);
    AppendRun(&text, L'\n', 4);
    AppendRun(&text, L' ', 75);
    AppendRun(&text, L'\n', 11);
    AppendText(&text, L":)");
    AppendRun(&text, L' ', 47);
    AppendText(&text, L"since 1983");
    StartText(&text, body, CREDITS_TEXT_SIZE);
    AppendRun(&text, L'\n', 2);
    AppendRun(&text, L' ', 100);
    AppendRun(&text, L'\n', 2);
    AppendRun(&text, L' ', 46);
    AppendText(&text, CREDITS_CONTACT);
    MessageBoxW(dialog, body, caption, MB_OK);
}

// ---- the procedure ------------------------------------------------------------------

static void Command(HWND dialog, int id) {
    switch (id) {
    case IDC_SLOT0_SOURCE:
    case IDC_SLOT1_SOURCE:
    case IDC_SLOT2_SOURCE:
    case IDC_SLOT3_SOURCE:
        ApplyListChoice(dialog, id - IDC_SLOT0_SOURCE);
        break;
    case IDC_ENABLED:
        ApplyEnabledBox(dialog);
        break;
    case IDOK:
    case IDCANCEL:
        CloseDialog(dialog);
        break;
    case IDC_CREDITS:
        ShowFirstCredits(dialog);
        ShowSecondCredits(dialog);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG)
        OpenDialog(dialog);
    else if (message == WM_COMMAND)
        Command(dialog, LOWORD(wParam));
    return 0;
}

void RunConfigDialog(void) {
    DialogBoxParamW(PluginRecord.moduleInstance, MAKEINTRESOURCEW(IDD_CONFIG), PluginRecord.parentWindow,
                    ConfigDialogProc, 0);
    openDialog = NULL;
}
