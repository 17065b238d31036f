#include "audio/DSPListFile.h"

#include "settings/format/PropInfo.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/px_utils.h"

const TPropList& TDSPListFile::Published() const {
  using T = TDSPListFile;
  static const TPropList props(TComponent::ClassProperties(), {
                                                                   Prop::Collection("DSPList", &T::FDSPList),
                                                               });
  return props;
}

void TDSPListFile::Save(const std::string& fileName) {
  try {
    SaveComponentToFile(*this, fileName);
  } catch (const EStreamError& error) {
    throw EDSPListError("Unable to save the DSP list (" + fileName + "): " + error.what());
  }
}

void TDSPListFile::Load(const std::string& fileName) {
  try {
    LoadComponentFromFile(*this, fileName);
  } catch (const EParserError& error) {
    throw EDSPListError("Unable to read the DSP list (" + fileName + "): line " +
                        std::to_string(error.Line()) + ": " + error.what());
  } catch (const EStreamError& error) {
    throw EDSPListError("Unable to read the DSP list (" + fileName + "): " + error.what());
  }
}
