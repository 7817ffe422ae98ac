// Ten thousand track changes in a row leave the process as they found it:
// the same open handles, the same windows, the same heap blocks. The system's
// own counters are not used (Wine answers 0 to both); the handles are probed
// value by value, the windows enumerated and the heaps walked.
#include <gtest/gtest.h>

#include "tests/plugin_session.h"

namespace {

enum { PROBED_HANDLES = 0x10000 };

// How many handle values from 4 up name an open handle.
int CountHandles(void) {
    int n = 0;
    for (ULONG_PTR value = 4; value < PROBED_HANDLES; value += 4) {
        DWORD flags;
        if (GetHandleInformation((HANDLE)value, &flags))
            n++;
    }
    return n;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    (*(int *)count)++;
    return TRUE;
}

int CountThreadWindows(void) {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, (LPARAM)&n);
    return n;
}

struct HeapUse {
    long long blocks;
    long long bytes;
};

// The busy blocks of every heap of the process. No allocation in here.
HeapUse WalkHeaps(void) {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    if (count > 64)
        count = 64;
    HeapUse use = {0, 0};
    for (DWORD i = 0; i < count; i++) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = NULL;
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                use.blocks++;
                use.bytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
    return use;
}

class LeakTest : public PluginSession {
protected:
    // Track starts of three kinds in turn: a tagged file, a file without a
    // tag (the title is split), and an entry without a path. Each reads the
    // track; a status goes out every two seconds, the newest.
    void Changes(int count) {
        for (int i = 0; i < count; i++) {
            StandinPlay(i % 3);
            PumpMessages(0);
            // The stand-in's own records are emptied, not the plug-in's.
            StandinClearReceived();
            StandinClearPlaylistMessages();
            StandinClearMetadataRequests();
        }
    }
};

TEST_F(LeakTest, TenThousandTrackStartsLeaveHandlesWindowsAndHeapUnchanged) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"), "x");
    AddTrack("plain.mp3", "", "Kora - Rain - Blue");
    int none = StandinAddEntry("", "Alpha - Beta");
    StandinEntryAt(none)->nullPath = true;
    LoadPlugin("[Songbeam!]\r\nTEXT3=106\r\nTEXT4=108\r\n");

    // The text each kind of change publishes, checked once before counting.
    StandinSetCurrent(0);
    ExpectOnly(Publish(), OnText("{0} - {1} - {2} - {3}", {"Rain", "Kora", "Blue", "dedicada a ..."}));
    StandinSetCurrent(1);
    ExpectOnly(PublishAfresh(), OnText("{0} - {1} - {2} - {3}", {"Rain", "Kora", "Blue", "dedicada a ..."}));

    // A warm-up run lets every cache and record reach its working size.
    Changes(300);
    int handles = CountHandles();
    int windows = CountThreadWindows();
    HeapUse heap = WalkHeaps();

    DWORD start = GetTickCount();
    Changes(10000);
    DWORD took = GetTickCount() - start;

    int handlesAfter = CountHandles();
    int windowsAfter = CountThreadWindows();
    HeapUse heapAfter = WalkHeaps();
    EXPECT_GT(handles, 0) << "the probe sees no handle at all";
    EXPECT_GT(windows, 0);
    EXPECT_EQ(handlesAfter, handles);
    EXPECT_EQ(windowsAfter, windows);
    EXPECT_EQ(heapAfter.blocks, heap.blocks);
    EXPECT_EQ(heapAfter.bytes, heap.bytes);
    printf("10000 track starts in %lu ms; %d handles, %d windows, %lld heap blocks (%lld bytes)\n",
           (unsigned long)took, handles, windows, heap.blocks, heap.bytes);

    // Still publishing the same text afterwards.
    StandinSetCurrent(2);
    ExpectOnly(PublishAfresh(), OnText("{0} - {1} - {3}", {"Beta", "Alpha", "", "dedicada a ..."}));
}

}  // namespace
