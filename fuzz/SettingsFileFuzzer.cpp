// Feeds arbitrary bytes to the settings-file parser and reader. Besides crashes, leaks and hangs
// it checks the round trip. Values the writer leaves out (an emptied string list, a zero Double)
// read back as constructor values, so the first rewrite may differ from what was loaded; from
// then on, writing and reading into a fresh component must reproduce the text byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "TestComponent.h"
#include "settings/ObjectWriter.h"
#include "settings/StreamErrors.h"
#include "settings/px_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TTestComponent component;
  try {
    LoadComponentFromText(component, std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const EParserError&) {
    return 0;
  }
  TTestComponent rewritten;
  LoadComponentFromText(rewritten, ComponentToText(component));
  std::string text = ComponentToText(rewritten);
  TTestComponent again;
  LoadComponentFromText(again, text);
  if (ComponentToText(again) != text) std::abort();
  return 0;
}
