// Feeds arbitrary bytes to the settings-file parser and reader. Besides crashes, leaks and hangs
// it checks the round trip. Values the writer leaves out read back as constructor values, so a
// value can take two rewrites to settle: a Double too small for 18 decimals is written as
// 0.000000000000000000, read as 0, then left out and read as its constructor value. From the third
// rewrite on, writing and reading into a fresh component must reproduce the text byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "TestComponent.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/px_utils.h"

namespace {

// The text of a fresh component loaded from `text`.
std::string Rewritten(const std::string& text) {
  TTestComponent component;
  LoadComponentFromText(component, text);
  return ComponentToText(component);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TTestComponent component;
  try {
    LoadComponentFromText(component, std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const EParserError&) {
    return 0;
  }
  std::string text = ComponentToText(component);
  for (int rewrite = 0; rewrite < 2; ++rewrite) text = Rewritten(text);
  if (Rewritten(text) != text) std::abort();
  return 0;
}
