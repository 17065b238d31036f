// Errors of the settings file functions.
//
// Stream errors: a file cannot be opened, created, read or written, or the object could not be
// assigned. Parser errors: the text does not follow the object text format; they are raised
// before any property is assigned.
#pragma once

#include <string>

#include "platform/Exception.h"

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EParserError : public Exception {
 public:
  EParserError(const std::string& message, int line) : Exception(message), FLine(line) {}
  // 1-based line of the text where parsing stopped.
  int Line() const { return FLine; }

 private:
  int FLine;
};

// A file copy failed; ErrorCode is the errno value.
class EFileCopyError : public Exception {
 public:
  EFileCopyError(const std::string& message, int errorCode) : Exception(message), FErrorCode(errorCode) {}
  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};

// Raised by a property setter that refuses a value; the reader skips that property like a value of
// the wrong kind.
class EPropertyValueError : public Exception {
 public:
  using Exception::Exception;
};
