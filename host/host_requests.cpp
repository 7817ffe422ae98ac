#include "host/host_requests.h"

#include "host/plugin.h"

LRESULT SendHostCommand(WPARAM wParam, LPARAM command) {
    return SendMessageA(PluginRecord.parentWindow, WM_USER, wParam, command);
}
