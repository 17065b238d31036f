#include "audiolib/net/ResponseHeaders.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace audiolib {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

void ResponseHeaders::AddLine(std::string_view line) {
  const bool http = StartsWithNoCase(line, "HTTP/");
  const bool icy = StartsWithNoCase(line, "ICY ");
  if (http || icy) {
    lines_.clear();
    icy_ = icy;
    statusCode_ = 0;
    const size_t space = line.find(' ');
    if (space != std::string_view::npos) {
      const std::string_view code = Trim(line.substr(space + 1)).substr(0, 3);
      std::from_chars(code.data(), code.data() + code.size(), statusCode_);
    }
  }
  lines_.emplace_back(line);
}

std::string ResponseHeaders::Value(std::string_view name) const {
  for (size_t i = 1; i < lines_.size(); ++i) {
    const std::string_view line = lines_[i];
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon != name.size()) continue;
    if (StartsWithNoCase(line, name)) return std::string(Trim(line.substr(colon + 1)));
  }
  return {};
}

std::string ResponseHeaders::MediaType() const {
  std::string type = Value("Content-Type");
  type = std::string(Trim(type.substr(0, type.find(';'))));
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return type;
}

std::string ResponseHeaders::TagText() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += '\0';
  }
  text += '\0';
  return text;
}

}  // namespace audiolib
