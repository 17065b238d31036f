#pragma once
// The playlist-state file stored beside a list file ("<list>.state"): per list item its marks,
// level and flags, in the settings object text format:
//
//   object TPlaylistState
//     Items = <
//       item
//         FCueIn = 1500
//         FLevel = -3.5
//         FPlayed = True
//       end>
//   end
//
// An item holds only what differs from its constructor values (marks -1 = not set, level 0 dB,
// flags False). Property names are those of the stored items (FCueOut ... FScheduled).
#include <cstdint>
#include <string>
#include <vector>

#include "settings/format/Collection.h"
#include "settings/format/Persistent.h"
#include "settings/format/PublishedProperty.h"

// One list item's stored state, as the playlist applies it. Marks in ms, -1 = not set; Level in dB.
struct TPlaylistStateItem {
  int32_t CueOut = -1;
  int32_t FadeOut = -1;
  int32_t FadeIn = -1;
  int32_t Mix = -1;
  int32_t CueIn = -1;
  double Level = 0.0;
  bool Played = false;
  bool Scheduled = false;

  bool operator==(const TPlaylistStateItem&) const = default;
};

// An item of TPlaylistState's collection (the stored form of a TPlaylistStateItem).
class TPlaylistStateItemC : public TCollectionItem {
 public:
  explicit TPlaylistStateItemC(TCollection& collection) : TCollectionItem(collection) {}
  std::string ClassName() const override { return "TPlaylistStateItemC"; }
  const TPropList& Published() const override;

  PUBLISHED_PROPERTY(int32_t, CueOut, -1)
  PUBLISHED_PROPERTY(int32_t, FadeOut, -1)
  PUBLISHED_PROPERTY(int32_t, FadeIn, -1)
  PUBLISHED_PROPERTY(int32_t, Mix, -1)
  PUBLISHED_PROPERTY(int32_t, CueIn, -1)
  PUBLISHED_PROPERTY(double, Level, 0.0)
  PUBLISHED_PROPERTY(bool, Played, false)
  PUBLISHED_PROPERTY(bool, Scheduled, false)

  TPlaylistStateItem AsStateItem() const;
  void Assign(const TPlaylistStateItem& item);
};

// The playlist-state component: one collection "Items". Like every settings component it is built,
// read and written on one thread at a time (the information loader may read a state file on its
// own thread with its own instance).
class TPlaylistState : public TComponent {
 public:
  std::string ClassName() const override { return "TPlaylistState"; }
  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

  TCollectionOf<TPlaylistStateItemC>& Items() { return FItems; }

 private:
  TCollectionOf<TPlaylistStateItemC> FItems;
};

// The largest state file read (about 20 times a 10,000-item file).
inline constexpr uint64_t kMaxPlaylistStateFileBytes = 64ull * 1024 * 1024;

// Replaces items with the stored items of fileName. False, with items untouched, when the file is
// missing, cannot be read (a folder, FIFO or device, no permission, larger than
// kMaxPlaylistStateFileBytes), does not follow the object text format, or holds an object of
// another class than TPlaylistState. A property of an unknown name or with a value of the wrong
// kind is passed over (that field keeps its constructor value). Never blocks on a FIFO or device;
// any thread; never throws beyond std::bad_alloc.
bool ReadPlaylistStateFile(const std::string& fileName, std::vector<TPlaylistStateItem>& items);

// Writes items as a TPlaylistState to fileName so that the file is either complete or unchanged
// (a temporary file renamed over it). Throws EFCreateError or EWriteError (settings/format/
// StreamErrors.h) when it cannot be written. Any thread.
void WritePlaylistStateFile(const std::string& fileName, const std::vector<TPlaylistStateItem>& items);
