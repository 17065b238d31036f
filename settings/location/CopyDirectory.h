// Copying a folder tree, used to seed a new settings folder from the installation folder.
#pragma once

#include <string>

#include "platform/Exception.h"

class EDirCopyException : public Exception {
 public:
  using Exception::Exception;
};

// Copies every file and subfolder of source into dest, creating dest and missing parents. A file
// that already exists in dest is left alone unless overwrite is true (and then counts as copied);
// write protection of a file being replaced is removed first. Returns whether the last entry
// handled was copied (true for an empty or missing source, or when dest cannot be created). When
// raiseOnError is true the first failed file stops the copy with EDirCopyException
// "Code <errno>. Cannot copy "<source file>" to "<dest file>"". Main thread.
bool CopyDirectory(const std::string& source, const std::string& dest, bool overwrite, bool raiseOnError);
