#include "playback/medialib/PlayStatisticsWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>

#include "platform/ReplacementFile.h"
#include "playback/medialib/PlayStatisticsKeys.h"
#include "playback/medialib/TagLibFile.h"

namespace {

constexpr const char* kCannotHold = "the tag cannot hold play statistics";
constexpr const char* kCannotSave = "TagLib could not save the tag";

TagLib::String Utf8String(const std::string& text) { return TagLib::String(text, TagLib::String::UTF8); }

void SetUserText(TagLib::ID3v2::Tag& tag, const char* key, const std::string& value) {
  using TagLib::ID3v2::UserTextIdentificationFrame;
  if (UserTextIdentificationFrame* frame = UserTextIdentificationFrame::find(&tag, key)) {
    frame->setText(Utf8String(value));
    return;
  }
  auto* frame = new UserTextIdentificationFrame(TagLib::String::UTF8);
  frame->setDescription(key);
  frame->setText(Utf8String(value));
  tag.addFrame(frame);  // the tag owns its frames
}

// Only the ID3v2 tag is written, in the version it had, and no ID3v1 tag is made from it.
std::string SaveMpeg(TagLib::MPEG::File& mpeg, const std::string& count, const std::string& lastPlayed) {
  const bool hadTag = mpeg.hasID3v2Tag();
  TagLib::ID3v2::Tag& tag = *mpeg.ID3v2Tag(true);
  SetUserText(tag, kPlayCountKey, count);
  SetUserText(tag, kLastPlayedKey, lastPlayed);
  const auto version = hadTag && tag.header()->majorVersion() == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
  return mpeg.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate)
             ? ""
             : kCannotSave;
}

std::string SaveMp4(TagLib::MP4::File& mp4, const std::string& count, const std::string& lastPlayed) {
  if (mp4.tag() == nullptr) return kCannotHold;
  mp4.tag()->setItem(TagLib::String(kMp4FreeformPrefix) + kPlayCountKey, TagLib::StringList(Utf8String(count)));
  mp4.tag()->setItem(TagLib::String(kMp4FreeformPrefix) + kLastPlayedKey,
                     TagLib::StringList(Utf8String(lastPlayed)));
  return mp4.save() ? "" : kCannotSave;
}

// Every other format through its generic properties; nothing is saved when the tag refuses them.
std::string SaveProperties(TagLib::File& file, const std::string& count, const std::string& lastPlayed) {
  TagLib::PropertyMap properties = file.properties();
  properties.replace(kPlayCountKey, TagLib::StringList(Utf8String(count)));
  properties.replace(kLastPlayedKey, TagLib::StringList(Utf8String(lastPlayed)));
  const TagLib::PropertyMap refused = file.setProperties(properties);
  if (refused.contains(kPlayCountKey) || refused.contains(kLastPlayedKey)) return kCannotHold;
  const TagLib::PropertyMap stored = file.properties();
  if (!stored.contains(kPlayCountKey) || !stored.contains(kLastPlayedKey)) return kCannotHold;
  return file.save() ? "" : kCannotSave;
}

// 0, or the errno of the failed step.
int WriteAll(int descriptor, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return EIO;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return 0;
}

std::string ReplaceFile(const std::string& fileName, const TagLib::ByteVector& bytes) {
  std::optional<TReplacementFile> file;
  try {
    file.emplace(fileName);
  } catch (const std::system_error& error) {
    return std::string("cannot write the file: ") + std::strerror(error.code().value());
  }
  int error = WriteAll(file->Descriptor(), bytes.data(), bytes.size());
  if (error == 0) error = file->Commit();
  if (error != 0) return std::string("cannot write the file: ") + std::strerror(error);
  return {};
}

}  // namespace

TTagResult WritePlayStatistics(const std::string& fileName, int32_t playCount, const std::string& lastPlayed) {
  if (playCount < 0) return TTagResult::Failure("negative play count");
  TTagLibFile file = TTagLibFile::OpenInMemory(fileName, kMaxPlayStatisticsFileBytes);
  if (!file.Problem().empty()) return TTagResult::Failure(file.Problem());
  const std::string count = std::to_string(playCount);

  std::string problem;
  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file.File())) {
    problem = SaveMpeg(*mpeg, count, lastPlayed);
  } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file.File())) {
    problem = SaveMp4(*mp4, count, lastPlayed);
  } else {
    problem = SaveProperties(file.File(), count, lastPlayed);
  }
  if (!problem.empty()) return TTagResult::Failure(problem);

  problem = ReplaceFile(fileName, file.TakeBytes());
  return problem.empty() ? TTagResult::Success() : TTagResult::Failure(problem);
}
