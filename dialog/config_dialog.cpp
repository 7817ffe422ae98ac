#include "dialog/config_dialog.h"

#include "host/plugin.h"

INT_PTR CALLBACK ConfigDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

void RunConfigDialog(void) {
    DialogBoxParamA(PluginRecord.moduleInstance, MAKEINTRESOURCEA(IDD_CONFIG), PluginRecord.parentWindow,
                    ConfigDialogProc, 0);
}
