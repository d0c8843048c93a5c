#include "app/image_cursor.h"

namespace {

// Counted in 64 bits: the rhythm's length is the interval plus one, and the interval comes
// from config.xml.
int Wrap(long long index, long long length) {
    return static_cast<int>(length > 0 ? ((index % length) + length) % length : index);
}

long long RhythmOf(const CursorLists& lists) { return static_cast<long long>(lists.interval) + 1; }

}  // namespace

ImageCursor MoveCursor(ImageCursor cursor, int step, const CursorLists& lists) {
    if (step == 0 || (lists.downloaded == 0 && lists.local == 0)) return cursor;
    if (lists.Mixing() && lists.downloaded > 0) {
        const long long cycle = RhythmOf(lists);
        // One image at a time: a forward step leaving the last downloaded slot of a rhythm,
        // or a backward step leaving its local slot, passes a local picture.
        const int unit = step > 0 ? 1 : -1;
        for (int i = 0; i != step; i += unit) {
            const int phase = Wrap(cursor.phase, cycle);
            const bool passesLocal = unit > 0 ? phase == lists.interval : phase == 0;
            if (passesLocal)
                cursor.localIndex = Wrap(static_cast<long long>(cursor.localIndex) + unit, lists.local);
            else
                cursor.downloadedIndex = Wrap(static_cast<long long>(cursor.downloadedIndex) + unit, lists.downloaded);
            cursor.phase = Wrap(static_cast<long long>(phase) + unit, cycle);
        }
        return cursor;
    }
    if (lists.Mixing()) {
        cursor.localIndex = Wrap(static_cast<long long>(cursor.localIndex) + step, lists.local);
        cursor.phase = 0;
        return cursor;
    }
    if (lists.downloaded > 0)
        cursor.downloadedIndex = Wrap(static_cast<long long>(cursor.downloadedIndex) + step, lists.downloaded);
    return cursor;
}

CursorTarget TargetOf(const ImageCursor& cursor, const CursorLists& lists) {
    const bool localSlot = lists.Mixing() && (lists.downloaded == 0 || Wrap(cursor.phase, RhythmOf(lists)) == 0);
    if (localSlot && cursor.localIndex >= 0 && cursor.localIndex < lists.local) return CursorTarget::Local;
    if (cursor.downloadedIndex >= 0 && cursor.downloadedIndex < lists.downloaded) return CursorTarget::Downloaded;
    return CursorTarget::None;
}

TickActions DecideTick(const TickState& state) {
    TickActions actions;
    actions.showNext =
        !state.changesPaused && state.now - state.lastChange >= static_cast<long long>(state.changeMinutes) * 60;
    // However long the last success is ago, attempts are at least five minutes apart, or as
    // far apart as the outage has grown.
    const bool due = state.now - state.lastDownload >= static_cast<long long>(state.downloadHours) * 3600;
    const bool spaced = state.serviceAway ? state.now >= state.retryAt : state.now - state.lastAttempt >= 300;
    actions.download = due && spaced && !state.downloadsPaused;
    // While the service is away only the downloads' attempts look for it.
    actions.heartbeat = !state.serviceAway && state.idleMs >= 120u * 1000u;
    actions.checkUpdate =
        !state.serviceAway && state.autoUpdate && state.now - state.lastCheckUpdate >= 1440 * 60;
    return actions;
}
