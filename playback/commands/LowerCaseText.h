#pragma once
// Lower case of UTF-8 text by the Unicode simple case mapping (every script, not only ASCII:
// "ÄÖ" -> "äö", the Kelvin sign -> "k"). Ill-formed UTF-8 sequences become U+FFFD. Any thread;
// never throws except std::bad_alloc. When the C library offers no UTF-8 locale only ASCII
// letters are lowered.
#include <string>
#include <string_view>

std::string LowerCaseText(std::string_view text);
