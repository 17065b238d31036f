// `tonesentry settings`: which settings the tool is using and where they come from.
#pragma once

#include <ostream>

// Main thread, with the modules initialised. Prints the settings folder, whether player.ini and
// system.ini were read (with the read error, if any), and both settings objects exactly as Save
// would write them. Returns 0.
int RunSettings(std::ostream& out);
