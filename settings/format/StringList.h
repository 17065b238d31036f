// TStringList: an ordered list of UTF-8 strings, stored in settings files as "Name.Strings = (".
#pragma once

#include <string>
#include <vector>

class TStringList {
 public:
  int Count() const { return static_cast<int>(FStrings.size()); }
  const std::string& Strings(int index) const { return FStrings.at(static_cast<size_t>(index)); }
  void Add(const std::string& value) { FStrings.push_back(value); }
  void Clear() { FStrings.clear(); }

  // Comparison used by IndexOf: exact, or ignoring ASCII letter case when CaseSensitive is False.
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value) { FCaseSensitive = value; }
  // Index of the first string equal to value, -1 when there is none.
  int IndexOf(const std::string& value) const;

  bool operator==(const TStringList& other) const { return FStrings == other.FStrings; }

 private:
  std::vector<std::string> FStrings;
  bool FCaseSensitive = true;
};
