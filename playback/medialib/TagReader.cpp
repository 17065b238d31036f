#include "playback/medialib/TagReader.h"

#include <charconv>

#include <taglib/audioproperties.h>
#include <taglib/mp4file.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

#include "playback/medialib/PlayStatisticsKeys.h"
#include "playback/medialib/TagLibFile.h"

namespace {

std::string Utf8(const TagLib::String& text) { return text.to8Bit(true); }

std::string Joined(const TagLib::StringList& values) { return Utf8(values.toString(" / ")); }

std::string Property(const TagLib::PropertyMap& properties, const char* key) {
  const auto found = properties.find(key);
  return found == properties.end() ? std::string() : Joined(found->second);
}

std::string NumberText(unsigned number) { return number == 0 ? std::string() : std::to_string(number); }

int32_t ParsedCount(const std::string& text) {
  int32_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  (void)end;
  return error == std::errc() && count > 0 ? count : 0;
}

// MP4 freeform atoms are not among TagLib's generic properties.
std::string Mp4Freeform(TagLib::File& file, const char* key) {
  auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file);
  if (mp4 == nullptr || mp4->tag() == nullptr) return {};
  const TagLib::String name = TagLib::String(kMp4FreeformPrefix) + key;
  if (!mp4->tag()->contains(name)) return {};
  return Joined(mp4->tag()->item(name).toStringList());
}

std::string Statistic(TagLib::File& file, const TagLib::PropertyMap& properties, const char* key) {
  std::string value = Property(properties, key);
  return value.empty() ? Mp4Freeform(file, key) : value;
}

// The leading decimal digits of text ("2021-05-01" -> "2021", "7/12" -> "7"), or the text as it
// is when it does not start with one.
std::string LeadingNumber(const std::string& text) {
  const size_t digits = text.find_first_not_of("0123456789");
  return digits == 0 ? text : text.substr(0, digits);
}

// Generic properties first (they hold every tag of the file, a WAV's INFO chunk and an MP3's
// TXXX comment included); the primary tag where they have nothing.
void ReadTagFields(TagLib::File& file, TPlaylistEntry& entry) {
  const TagLib::PropertyMap properties = file.properties();
  const TagLib::Tag* tag = file.tag();
  auto field = [&](const char* key, TagLib::String (TagLib::Tag::*read)() const) {
    std::string value = Property(properties, key);
    return value.empty() && tag != nullptr ? Utf8((tag->*read)()) : value;
  };
  auto number = [&](const char* key, unsigned (TagLib::Tag::*read)() const) {
    std::string value = LeadingNumber(Property(properties, key));
    return value.empty() && tag != nullptr ? NumberText((tag->*read)()) : value;
  };
  entry.Title = field("TITLE", &TagLib::Tag::title);
  entry.Artist = field("ARTIST", &TagLib::Tag::artist);
  entry.Album = field("ALBUM", &TagLib::Tag::album);
  entry.Genre = field("GENRE", &TagLib::Tag::genre);
  entry.Comment = field("COMMENT", &TagLib::Tag::comment);
  entry.Year = number("DATE", &TagLib::Tag::year);
  entry.TrackNumber = number("TRACKNUMBER", &TagLib::Tag::track);
  entry.AlbumArtist = Property(properties, "ALBUMARTIST");
  entry.Composer = Property(properties, "COMPOSER");
  entry.Copyright = Property(properties, "COPYRIGHT");
  entry.Publisher = Property(properties, "LABEL");  // ID3v2 TPUB
  if (entry.Publisher.empty()) entry.Publisher = Property(properties, "PUBLISHER");  // Xiph comments
  entry.BPM = Property(properties, "BPM");
  entry.Lyrics = Property(properties, "LYRICS");
  entry.Language = Property(properties, "LANGUAGE");
  entry.ReplayGain_T = Property(properties, "REPLAYGAIN_TRACK_GAIN");
  entry.ReplayGain_A = Property(properties, "REPLAYGAIN_ALBUM_GAIN");
  entry.PlayCount = ParsedCount(Statistic(file, properties, kPlayCountKey));
  entry.DateLastPlayed = Statistic(file, properties, kLastPlayedKey);
}

}  // namespace

TTagResult ReadTrackTags(const std::string& fileName, TPlaylistEntry& entry) {
  TTagLibFile file = TTagLibFile::OpenForReading(fileName);
  if (!file.Problem().empty()) return TTagResult::Failure(file.Problem());
  TPlaylistEntry read = entry;
  read.Filename = fileName;
  read.FileSize = file.SizeBytes();
  ReadTagFields(file.File(), read);
  const TagLib::AudioProperties* audio = file.Audio();
  read.Duration = audio ? audio->lengthInMilliseconds() : 0;
  read.Bitrate = audio ? audio->bitrate() : 0;
  entry = std::move(read);
  return TTagResult::Success();
}
