// The configuration dialog: template 101 in the module's resources, and the
// procedure that gives it its behaviour. The identifiers below are shared by
// the template and the procedure.
#pragma once

#define IDD_CONFIG 101

// One row per slot: a list that chooses the slot's source and an edit box
// for its custom text. The boxes' numbers do not follow the slot order.
#define IDC_SLOT0_SOURCE 1011
#define IDC_SLOT1_SOURCE 1012
#define IDC_SLOT2_SOURCE 1013
#define IDC_SLOT3_SOURCE 1014
#define IDC_SLOT0_CUSTOM 1015
#define IDC_SLOT1_CUSTOM 1010
#define IDC_SLOT2_CUSTOM 1016
#define IDC_SLOT3_CUSTOM 1017
#define IDC_CREDITS 1018
#define IDC_ENABLED 1019

#ifndef RC_INVOKED
#include <windows.h>

// Returns 0 for every message.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally over the host's main window; returns when it closes.
void RunConfigDialog(void);

// Brings the open dialog to the front; false when none is open.
bool BringDialogToFront(void);

// An open dialog shows the "enabled" setting as it now stands: its box, and
// its rows usable or greyed.
void ShowPublishingInDialog(void);
#endif
