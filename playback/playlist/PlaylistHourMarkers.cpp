// Hour-marker items: one before the first item of every new hour of the expected start times.
#include <cmath>
#include <vector>

#include "playback/medialib/TitleFormatter.h"
#include "playback/playlist/Playlist.h"
#include "platform/Locale.h"
#include "platform/TickCount.h"

namespace {

constexpr int32_t hourMarkersChangeId = 4;
constexpr uint64_t rapidCallMs = 250;
constexpr int32_t rapidCallsAllowed = 3;
constexpr double msPerDay = 86400000.0;

int64_t TimeOfDayMs(TDateTime time)
{
    const double fraction = time - std::floor(time);
    return std::llround(fraction * msPerDay) % static_cast<int64_t>(msPerDay);
}

int32_t StartHour(TDateTime startTime)
{
    return static_cast<int32_t>(TimeOfDayMs(startTime) / 3600000);
}

// Whether hour starts a new hour after reference (a later hour, or any earlier one after 23).
bool IsNewHour(int32_t hour, int32_t reference)
{
    return hour > reference || (reference == 23 && hour < 23);
}

// "hh:nn" with the user's time separator.
std::string ShortTimeText(TDateTime time)
{
    const int64_t minutes = TimeOfDayMs(time) / 60000;
    auto twoDigits = [](int64_t value) {
        return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    };
    return twoDigits(minutes / 60) + LocaleTimeSeparator() + twoDigits(minutes % 60);
}

struct TMarkerPlace {
    const TPlaylistItem* before;  // the item the marker stands before
    int32_t hour;
    bool operator==(const TMarkerPlace&) const = default;
};

}  // namespace

void TPlaylist::SetHourMarkers(bool value)
{
    FHourMarkers = value;
    UpdateHourMarkers();
}

void TPlaylist::SetSkipUpdateHourMarkers(bool value)
{
    FSkipUpdateHourMarkers = value;
    if (!value)
        UpdateHourMarkers();
}

void TPlaylist::UpdateHourMarkers()
{
    if (FSkipUpdateHourMarkers)
        return;
    BeginUpdate();
    bool changed = false;
    if (!FHourMarkers) {
        changed = DeleteHourMarkers();
    } else {
        const uint64_t now = GetTickCount64();
        if (now - FLastHourMarkerInsert < rapidCallMs) {
            ++FMarkerInsertCallCount;
        } else {
            FMarkerInsertCallCount = 0;
            FLastHourMarkerInsert = now;
        }
        if (FMarkerInsertCallCount > rapidCallsAllowed) {
            DebugLog("Hour marker update called too many times");
        } else if (!HourMarkersValid()) {
            DebugLog("Hour marker update");
            DeleteHourMarkers();
            InsertHourMarkers();
            changed = true;
        }
    }
    EndUpdate(hourMarkersChangeId, changed);
}

bool TPlaylist::DeleteHourMarkers()
{
    bool deleted = false;
    for (int32_t i = Count(); i-- > 0;)
        if (FItems[static_cast<size_t>(i)]->Kind == ikHourMarker) {
            DeleteAt(i);
            deleted = true;
        }
    return deleted;
}

// The markers there are stand exactly where the start times want them: each before the first item
// of a new hour, with that hour.
bool TPlaylist::HourMarkersValid() const
{
    std::vector<TMarkerPlace> wanted;
    int32_t reference = -1;
    for (const auto& item : FItems) {
        if (item->Kind == ikHourMarker || item->StartTime < 0)
            continue;
        const int32_t hour = StartHour(item->StartTime);
        if (reference < 0) {
            reference = hour;
        } else if (IsNewHour(hour, reference)) {
            wanted.push_back({item.get(), hour});
            reference = hour;
        }
    }
    std::vector<TMarkerPlace> present;
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Kind == ikHourMarker) {
            const bool last = i + 1 == FItems.size();
            const TPlaylistItem* next = last ? nullptr : FItems[i + 1].get();
            present.push_back({next && next->Kind != ikHourMarker ? next : nullptr, FItems[i]->User});
        }
    return wanted == present;
}

void TPlaylist::InsertHourMarkers()
{
    int32_t reference = -1;
    for (int32_t i = 0; i < Count(); ++i) {
        const TPlaylistItem& item = *FItems[static_cast<size_t>(i)];
        if (item.StartTime < 0)
            continue;
        const int32_t hour = StartHour(item.StartTime);
        if (reference < 0) {
            reference = hour;
        } else if (IsNewHour(hour, reference)) {
            auto marker = std::make_unique<TPlaylistItem>();
            marker->Kind = ikHourMarker;
            marker->FN = "Hour Marker " + ShortTimeText(item.StartTime) + ".hourmarker";
            marker->T.Filename = marker->FN;
            marker->TrackTitle = FormatTrackTitle(marker->T);
            marker->User = hour;
            InsertOwned(std::move(marker), i);
            ++i;  // past the marker to the item itself
            reference = hour;
        }
    }
}
