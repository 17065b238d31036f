// The base of settings classes: the Read/Save pattern around one settings file, and the outcome of
// the last Read. Main thread only.
#pragma once

#include <string>

#include "settings/format/Persistent.h"

class TSettingsComponent : public TComponent {
 public:
  // Whether the last Read could open and assign the file; a text that does not parse still counts
  // as successful (the constructor values stay). A later successful Read keeps the old error text.
  bool ReadSuccessful() const { return FReadSuccessful; }
  const std::string& ReadErrorText() const { return FReadErrorText; }
  // When the last Read found a text that does not parse: where and why ("line 3: Invalid property
  // value"); the constructor values stand and ReadSuccessful stays true. Empty otherwise.
  const std::string& ReadParseErrorText() const { return FReadParseErrorText; }
  // Whether the last Read put the ".bak" copy in place of a missing or empty file first.
  bool ReadRestoredFromBackup() const { return FReadRestoredFromBackup; }

 protected:
  // Restores fileName from its ".bak" copy when it is missing or empty, then reads it when it
  // exists. Stream errors (also a backup that is no settings file) set ReadSuccessful False and
  // ReadErrorText; parser errors only fill ReadParseErrorText; other exceptions (from setters)
  // propagate.
  void ReadFile(const std::string& fileName);
  // Saves to fileName and refreshes its ".bak" copy. A failure is shown in a message box
  // "Error saving file (<fileLabel>): <message>." captioned "Error"; nothing is thrown.
  void SaveFile(const std::string& fileName, const std::string& fileLabel);

 private:
  bool FReadSuccessful = true;
  std::string FReadErrorText;
  std::string FReadParseErrorText;
  bool FReadRestoredFromBackup = false;
};
