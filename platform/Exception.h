#pragma once
// The one base of every error this program raises; it carries the message text.
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Misuse of a thread object (starting it twice, waiting on a self-freeing thread, ...).
class EThread : public Exception {
public:
    using Exception::Exception;
};
