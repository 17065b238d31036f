// Generic settings-file helpers: save and load a component in the object text format, the
// backup copy kept beside each settings file, and the message box used to report failures.
//
// Main thread (the message box may be called from any thread).
#pragma once

#include <string>
#include <string_view>

#include "platform/WinTypes.h"
#include "settings/format/ObjectReader.h"
#include "settings/format/Persistent.h"

// Writes instance to fileName. The old file stays intact until the new text is complete and on
// disk. Throws EWriteError (bad enumeration value, write failure) or EFCreateError.
void SaveComponentToFile(TComponent& instance, const std::string& fileName);

// Parses fileName and assigns the properties it holds to root. Throws EFOpenError/EReadError (stream
// errors) when the file cannot be read, EParserError when the text does not follow the format (no
// property has been assigned then). Property-level errors are skipped (TTemp::ReaderError).
void LoadComponentFromFile(TComponent& root, const std::string& fileName);

// LoadComponentFromFile on bytes already in memory (same errors apart from the file's own).
void LoadComponentFromText(TComponent& root, std::string_view bytes);

// Copies fileName to fileName + ".bak", replacing it. A failed copy is reported in a message box
// ("Copy failed: %s (%s)", empty caption); it never throws.
void BackupFile(const std::string& fileName);

// Before a read: when fileName is missing or empty and fileName + ".bak" exists, copies the backup
// into place; returns whether it did. A FIFO, device or folder at fileName counts as present and
// is left alone. File-system failures (I/O error, missing folder or file, name too long,
// unsupported) are silent; other failures throw EFileCopyError when raiseErrors is true and are
// otherwise reported in a message box captioned "Error". A backup that is not a regular file or
// is too large to be a settings file is never copied: that throws EFOpenError whatever raiseErrors
// says, as reading it would.
bool RestoreFromBackup(const std::string& fileName, bool raiseErrors);

// The reader's error callback: marks every property-level error handled, so reading goes on.
class TTemp {
 public:
  static void ReaderError(TReader& reader, const std::string& message, bool& handled);
};

// A modal message box (flags as MessageBox: MB_ICONERROR ...). On the main thread it shows the box
// and returns the pressed button; on any other thread it queues the box to the main thread and
// returns -1 at once.
int MyMessageBox(const std::string& text, const std::string& caption, UINT flags);
