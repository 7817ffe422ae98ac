// One click to stop sharing: a checkable item in the host's main menu (the
// menu of its tray icon, of Alt+F and of a right-click on its main window),
// whose check mark is the "enabled" setting.
#pragma once

#include <windows.h>

// At init: inserts the item into the host's main menu, where the host keeps
// room for plug-ins, checked while publishing is on. A host that gives no
// command id or no menu gets no item.
void AddMenuItem(void);

// Sets the item's check mark to the "enabled" setting.
void ShowPublishingInMenu(void);

// Whether a message to the main window is the item's command: WM_COMMAND
// from the menu, WM_SYSCOMMAND from the main window's system menu.
bool IsMenuCommand(UINT message, WPARAM wParam);

// The item's command: publishing goes off or on as the dialog's "enabled"
// box would have it, the settings are saved, an open dialog shows it, and
// the status goes out at once: the off status, or the playing track.
void SwitchPublishing(void);

// At quit the host has destroyed its menu already: the item is forgotten,
// not touched.
void ForgetMenuItem(void);
