#pragma once
// Where the wallpaper cycle stands: in the downloaded list, in the local pictures, and in the
// rhythm that mixes one local picture after every few downloaded ones.
struct ImageCursor {
    int phase = 0;
    int downloadedIndex = 0;
    int localIndex = 0;
    bool operator==(const ImageCursor& o) const {
        return phase == o.phase && downloadedIndex == o.downloadedIndex && localIndex == o.localIndex;
    }
};

struct CursorLists {
    int downloaded = 0;  // images in the downloaded list
    int local = 0;       // local pictures
    int interval = 3;    // downloaded images per local picture
    bool useLocal = false;
    bool Mixing() const { return useLocal && interval > 0 && local > 0; }
};

// The cursor after step images forward (negative: back), lists wrapping at both ends.
ImageCursor MoveCursor(ImageCursor cursor, int step, const CursorLists& lists);

enum class CursorTarget { None, Local, Downloaded };
// What the cursor shows: a local picture at the start of each rhythm (or when nothing was
// downloaded), else the downloaded image at its index.
CursorTarget TargetOf(const ImageCursor& cursor, const CursorLists& lists);

// What the 5-second tick does, decided from the clock (seconds), the settings and what holds
// the cycle back.
struct TickActions {
    bool showNext = false;
    bool download = false;
    bool heartbeat = false;
    bool checkUpdate = false;
};
struct TickState {
    long long now = 0;
    long long lastChange = 0;
    int changeMinutes = 5;
    long long lastDownload = 0;  // the last successful download
    int downloadHours = 3;
    long long lastAttempt = 0;  // the last download started
    bool serviceAway = false;   // an outage: attempts wait for retryAt
    long long retryAt = 0;
    bool changesPaused = false;    // a full-screen program or the battery
    bool downloadsPaused = false;  // the battery
    unsigned long idleMs = 0;      // since the downloader last had work
    bool autoUpdate = true;
    long long lastCheckUpdate = 0;
};
TickActions DecideTick(const TickState& state);
