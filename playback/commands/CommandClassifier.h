#pragma once
// Tells whether a text (a playlist's command item, a remote command) is one of the product's
// commands, and which: "stop" 1, "next..." 2, "setvol " 5, "play..." 6, "pause" 17, ... The text
// is first unquoted (one pair of enclosing apostrophes or double quotation marks) and lowered
// (Unicode letters too), then tested against the command table in order; the first row that
// matches gives the number. Carrying a command out is the host's business. Any thread; never
// throws except std::bad_alloc.
#include <cstdint>
#include <string>

// The command number of S; 0 when S is no command. The numbers 3, 11 and 15 are never produced.
uint8_t ClassifyCommand(const std::string& S);

// ClassifyCommand(S) > 0.
bool IsCommandText(const std::string& S);
