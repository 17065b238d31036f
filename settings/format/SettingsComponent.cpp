#include "settings/format/SettingsComponent.h"

#include <filesystem>

#include "platform/MessageBox.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/px_utils.h"

void TSettingsComponent::ReadFile(const std::string& fileName) {
  FReadSuccessful = true;
  RestoreFromBackup(fileName, false);
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) return;
  try {
    LoadComponentFromFile(*this, fileName);
  } catch (const EStreamError& error) {
    FReadSuccessful = false;
    FReadErrorText = error.what();
  } catch (const EParserError&) {
    // Raised before any property was assigned: the constructor values stand.
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
