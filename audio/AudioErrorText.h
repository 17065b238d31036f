// Texts for the audio library's error codes, shared by everything that reports them.
#pragma once

#include <string>

// The text of an audio library error code, "No description" for a code without one; withCode
// appends " (<code>)". Any thread.
std::string AudioErrorText(int code, bool withCode);
