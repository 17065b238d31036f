#include "audiolib/net/StreamTags.h"

namespace audiolib {

void StreamTags::Keep(Kind& kind, std::string text) {
  kind.texts.push_back(std::move(text));
  if (kind.texts.size() > kKeptTexts) kind.texts.pop_front();
  ++kind.changes;
}

void StreamTags::SetHeaders(DWORD kind, const std::string& tagText) {
  std::lock_guard lock(mutex_);
  headerKind_ = kind;
  Keep(headers_, tagText);
}

bool StreamTags::SetMeta(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (!meta_.texts.empty() && meta_.texts.back() == text) return false;
  Keep(meta_, text);
  return true;
}

void StreamTags::SetOggComments(const std::vector<std::string>& comments) {
  std::string text;
  for (const std::string& comment : comments) {
    text += comment;
    text += '\0';
  }
  text += '\0';
  std::lock_guard lock(mutex_);
  Keep(ogg_, std::move(text));
}

const StreamTags::Kind* StreamTags::KindOf(DWORD kind) const {
  switch (kind) {
    case BASS_TAG_HTTP:
    case BASS_TAG_ICY: return kind == headerKind_ ? &headers_ : nullptr;
    case BASS_TAG_META: return &meta_;
    case BASS_TAG_OGG: return &ogg_;
    default: return nullptr;
  }
}

const char* StreamTags::Find(DWORD kind) const {
  std::lock_guard lock(mutex_);
  const Kind* found = KindOf(kind);
  if (!found || found->texts.empty()) return nullptr;
  return found->texts.back().c_str();
}

uint64_t StreamTags::MetaChanges() const {
  std::lock_guard lock(mutex_);
  return meta_.changes;
}

uint64_t StreamTags::OggStreams() const {
  std::lock_guard lock(mutex_);
  return ogg_.changes;
}

}  // namespace audiolib
