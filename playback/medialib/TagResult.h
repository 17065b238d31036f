#pragma once
// The outcome of reading or writing the tags of one audio file.
#include <string>

struct TTagResult {
  bool Succeeded = false;
  // Why it failed, in a few lower-case words ("no such file", "not an audio file with a format
  // TagLib reads", ...); empty on success.
  std::string Reason;

  static TTagResult Success() { return {true, {}}; }
  static TTagResult Failure(std::string reason) { return {false, std::move(reason)}; }
};
