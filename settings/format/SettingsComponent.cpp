#include "settings/format/SettingsComponent.h"

#include <filesystem>

#include "platform/MessageBox.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/px_utils.h"

void TSettingsComponent::ReadFile(const std::string& fileName) {
  FReadSuccessful = true;
  FReadParseErrorText.clear();
  FReadRestoredFromBackup = false;
  try {
    FReadRestoredFromBackup = RestoreFromBackup(fileName, false);
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) return;
    LoadComponentFromFile(*this, fileName);
  } catch (const EStreamError& error) {
    FReadSuccessful = false;
    FReadErrorText = error.what();
  } catch (const EParserError& error) {
    // Raised before any property was assigned: the constructor values stand.
    FReadParseErrorText = "line " + std::to_string(error.Line()) + ": " + error.what();
  }
}

void TSettingsComponent::SaveFile(const std::string& fileName, const std::string& fileLabel) {
  try {
    SaveComponentToFile(*this, fileName);
    BackupFile(fileName);
  } catch (const std::exception& error) {
    MyMessageBox("Error saving file (" + fileLabel + "): " + error.what() + ".", "Error", MB_ICONERROR);
  }
}
