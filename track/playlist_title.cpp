#include "host/host_requests.h"
#include "status/state.h"
#include "track/readers.h"
#include "track/title_split.h"

void SplitPlaylistTitle(int index) {
    // The title belongs to the host and is only read.
    const char *title = (const char *)SendHostCommand((WPARAM)index, HOST_ENTRY_TITLE);
    if (title == NULL)
        return;
    SplitTitleText(title, TrackFields.artist, TrackFields.title, TrackFields.album);
}
