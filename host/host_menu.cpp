#include "host/host_menu.h"

#include "dialog/config_dialog.h"
#include "host/host_requests.h"
#include "settings/settings.h"
#include "status/state.h"
#include "status/update.h"

static const WCHAR MENU_TEXT[] = L"Show what I'm listening to";

enum {
    // Below this a command id is a host's answer to a request it does not
    // know (1), or an error; a menu command is 16 bits.
    LOWEST_COMMAND = 256,
    HIGHEST_COMMAND = 0xFFFF,
    // Plug-ins put their items at this position plus the host's offset, in
    // front of the host's own later items, and then add one to the offset.
    PLUGIN_ITEMS_POSITION = 10,
};

static bool HasMenuItem(void) {
    return HostLink.menu != NULL && IsMenu(HostLink.menu) &&
           GetMenuState(HostLink.menu, HostLink.menuCommand, MF_BYCOMMAND) != (UINT)-1;
}

static UINT CheckMark(void) {
    return StatusSettings.enabled != 0 ? MF_CHECKED : MF_UNCHECKED;
}

// The item is found by its command only: the host may remove items of its
// own after the plug-ins are loaded, and the positions move.
void AddMenuItem(void) {
    if (HasMenuItem()) {
        ShowPublishingInMenu();
        return;  // a second init
    }
    ForgetMenuItem();
    LRESULT command = SendHostCommand(0, HOST_NEW_COMMAND_ID);
    if (command < LOWEST_COMMAND || command > HIGHEST_COMMAND)
        return;
    HMENU menu = (HMENU)SendHostCommand(0, HOST_MAIN_MENU);
    if (menu == NULL || !IsMenu(menu))
        return;
    int offset = (int)SendHostCommand(0, HOST_MENU_OFFSET);
    if (!InsertMenuW(menu, (UINT)(PLUGIN_ITEMS_POSITION + offset), MF_BYPOSITION | MF_STRING | CheckMark(),
                     (UINT_PTR)command, MENU_TEXT))
        return;
    SendHostCommand(1, HOST_MENU_OFFSET);
    HostLink.menu = menu;
    HostLink.menuCommand = (UINT)command;
}

void ShowPublishingInMenu(void) {
    if (HostLink.menu != NULL && IsMenu(HostLink.menu))
        CheckMenuItem(HostLink.menu, HostLink.menuCommand, MF_BYCOMMAND | CheckMark());
}

bool IsMenuCommand(UINT message, WPARAM wParam) {
    if (HostLink.menuCommand == 0)
        return false;
    return (message == WM_COMMAND && LOWORD(wParam) == HostLink.menuCommand) ||
           (message == WM_SYSCOMMAND && wParam == HostLink.menuCommand);
}

void SwitchPublishing(void) {
    if (HostLink.session != SESSION_RUNNING)
        return;
    StatusSettings.enabled = StatusSettings.enabled != 0 ? 0 : 1;
    SaveSettings();
    ShowPublishingInMenu();
    ShowPublishingInDialog();
    UpdateStatus();
}

void ForgetMenuItem(void) {
    HostLink.menu = NULL;
    HostLink.menuCommand = 0;
}
