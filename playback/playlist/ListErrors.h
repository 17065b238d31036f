#pragma once
// Index errors of the playback lists.
#include <cstdint>
#include <string>

#include "platform/Exception.h"

// "Argument out of range (index/count)."
class EArgumentOutOfRangeException : public Exception {
public:
    EArgumentOutOfRangeException(int32_t index, int32_t count)
        : Exception("Argument out of range (" + std::to_string(index) + "/" + std::to_string(count) + ").")
    {
    }
};

// A list's own index error: "List index out of bounds (index)".
class EListError : public Exception {
public:
    explicit EListError(int32_t index) : Exception("List index out of bounds (" + std::to_string(index) + ")") {}
};
