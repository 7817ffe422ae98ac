// The configuration dialog: template 101 in the module's resources.
#pragma once

#include <windows.h>

enum { IDD_CONFIG = 101 };

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally over the host's main window; returns when it closes.
void RunConfigDialog(void);
