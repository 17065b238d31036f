// The error of a cast between settings classes that do not fit, for example assigning a file type
// to an object that is not one.
#pragma once

#include "platform/Exception.h"

class EInvalidCast : public Exception {
 public:
  EInvalidCast() : Exception("Invalid class typecast") {}
};
