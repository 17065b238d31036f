// Objects whose published properties the settings text format writes and reads.
//
// Main thread only: settings objects are built, read and saved there (worker threads may read
// plain fields afterwards, never the property tables).
#pragma once

#include <cstdint>
#include <string>

class TPropList;

// An object with published properties. The table is static per class and lives for the program.
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // The class name written in a file's header line, e.g. "TPlayerIni".
  virtual std::string ClassName() const = 0;
  // Published properties in declaration order, base classes first.
  virtual const TPropList& Published() const = 0;
};

// A named object. Name is the header's object name and never a property line; Tag is an Integer
// with declared default 0. Every settings component derives from this.
class TComponent : public TPersistent {
 public:
  const std::string& Name() const { return FName; }
  // The name is written as the header's identifier, so it must be empty or an identifier (letters,
  // digits, '_', any non-ASCII byte; not starting with a digit). Throws EPropertyValueError otherwise.
  void SetName(const std::string& value);
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t value) { FTag = value; }

  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

 private:
  std::string FName;
  int32_t FTag = 0;
};
