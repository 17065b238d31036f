// The status line and header lines of one HTTP (or ICY) response, as the download receives them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace audiolib {

// A plain value: filled by the download thread, copied out to others under its lock.
class ResponseHeaders {
 public:
  // A header line without its line end; a status line ("HTTP/1.1 200 OK", "ICY 200 OK") starts
  // a new response (the one after a redirect) and forgets the lines before it.
  void AddLine(std::string_view line);

  bool Empty() const { return lines_.empty(); }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The status code of the status line; 0 before one has come.
  int StatusCode() const { return statusCode_; }
  // A SHOUTcast-style response ("ICY 200 OK"): its lines are ICY tags, not HTTP ones.
  bool IsIcy() const { return icy_; }
  // The value of the first header `name` (any case), trimmed; "" when absent.
  std::string Value(std::string_view name) const;
  // The Content-Type without parameters, in lower case.
  std::string MediaType() const;
  // The lines as null-terminated strings one after another, ended by an empty one.
  std::string TagText() const;

 private:
  std::vector<std::string> lines_;
  int statusCode_ = 0;
  bool icy_ = false;
};

}  // namespace audiolib
