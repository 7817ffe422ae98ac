// The plug-in record the host reads through the one export, and the
// callbacks that drive the plug-in.
#pragma once

#include <windows.h>

enum { PLUGIN_RECORD_VERSION = 0x10 };

struct PluginRecordType {
    int version;
    const char *description;
    int (*init)(void);
    void (*config)(void);
    void (*quit)(void);
    HWND parentWindow;         // filled by the host before init
    HINSTANCE moduleInstance;  // filled by the host before init
};

extern PluginRecordType PluginRecord;

extern "C" __declspec(dllexport) PluginRecordType *winampGetGeneralPurposePlugin(void);

int PluginInit(void);
void PluginConfig(void);
void PluginQuit(void);
