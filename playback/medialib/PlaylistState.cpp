#include "playback/medialib/PlaylistState.h"

#include "platform/LocalFile.h"
#include "settings/format/FileIo.h"
#include "settings/format/ObjectParser.h"
#include "settings/format/ObjectReader.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/PropInfo.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/TextCase.h"
#include "settings/format/px_utils.h"

const TPropList& TPlaylistStateItemC::Published() const {
  using C = TPlaylistStateItemC;
  static const TPropList props({
      Prop::Integer("FCueOut", &C::FCueOut).Default(-1),
      Prop::Integer("FFadeOut", &C::FFadeOut).Default(-1),
      Prop::Integer("FFadeIn", &C::FFadeIn).Default(-1),
      Prop::Integer("FMix", &C::FMix).Default(-1),
      Prop::Integer("FCueIn", &C::FCueIn).Default(-1),
      Prop::Double("FLevel", &C::FLevel),
      Prop::Boolean("FPlayed", &C::FPlayed).Default(false),
      Prop::Boolean("FScheduled", &C::FScheduled).Default(false),
  });
  return props;
}

TPlaylistStateItem TPlaylistStateItemC::AsStateItem() const {
  return {FCueOut, FFadeOut, FFadeIn, FMix, FCueIn, FLevel, FPlayed, FScheduled};
}

void TPlaylistStateItemC::Assign(const TPlaylistStateItem& item) {
  FCueOut = item.CueOut;
  FFadeOut = item.FadeOut;
  FFadeIn = item.FadeIn;
  FMix = item.Mix;
  FCueIn = item.CueIn;
  FLevel = item.Level;
  FPlayed = item.Played;
  FScheduled = item.Scheduled;
}

const TPropList& TPlaylistState::ClassProperties() {
  using C = TPlaylistState;
  static const TPropList props(TComponent::ClassProperties(), {
      Prop::Collection("Items", &C::FItems),
  });
  return props;
}

bool ReadPlaylistStateFile(const std::string& fileName, std::vector<TPlaylistStateItem>& items) {
  TFileContents contents = ReadRegularFile(fileName, kMaxPlaylistStateFileBytes);
  if (!contents.problem.empty()) return false;
  TPlaylistState state;
  try {
    const TTextObject text = ParseObjectText(contents.bytes);
    if (!SameText(text.ClassName, state.ClassName())) return false;
    TReader reader;
    reader.OnError = &TTemp::ReaderError;
    reader.ReadRootComponent(text, state);
  } catch (const EParserError&) {
    return false;
  } catch (const EStreamError&) {
    return false;
  } catch (const EPropertyValueError&) {
    return false;  // an object name that is no identifier
  }
  std::vector<TPlaylistStateItem> stored;
  stored.reserve(static_cast<size_t>(state.Items().Count()));
  for (int i = 0; i < state.Items().Count(); ++i) stored.push_back(state.Items().Items(i).AsStateItem());
  items = std::move(stored);
  return true;
}

void WritePlaylistStateFile(const std::string& fileName, const std::vector<TPlaylistStateItem>& items) {
  TPlaylistState state;
  for (const TPlaylistStateItem& item : items) state.Items().Add().Assign(item);
  SaveComponentToFile(state, fileName);
}
