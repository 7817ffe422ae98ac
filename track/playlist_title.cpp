#include "host/host_requests.h"
#include "track/ansi_text.h"
#include "track/readers.h"
#include "track/title_split.h"

// Titles up to this many units are widened on the stack.
enum { TITLE_ON_STACK = 512 };

void SplitPlaylistTitle(const PlayingEntry *entry, TrackText *text) {
    // The host's texts are only read, and split before anything else is
    // asked of the host. The Unicode title holds every name; the narrow one
    // only what the ANSI code page can.
    EntryText title;
    AskEntryTitle(entry, &title);
    if (title.wide != NULL) {
        SplitTitleText(title.wide, title.length, text);
        return;
    }
    if (title.narrow == NULL)
        return;
    WCHAR onStack[TITLE_ON_STACK];
    int length = 0;
    WCHAR *widened = WidenWholeText(title.narrow, (int)title.length, onStack, TITLE_ON_STACK, &length);
    if (widened == NULL)
        return;
    SplitTitleText(widened, (size_t)length, text);
    ReleaseWideText(widened, onStack);
}
