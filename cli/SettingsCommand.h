// `tonesentry settings`: which settings the tool is using and where they come from.
#pragma once

#include <ostream>

// Main thread, with the modules initialised. Prints the settings folder; whether player.ini and
// system.ini were read, restored from their backups, not read (with the read error) or did not
// parse (with the parser's message), and what is in use instead; uid.ini and lang.ini when they
// could not be read; and both settings objects exactly as Save would write them. Returns 0.
int RunSettings(std::ostream& out);
