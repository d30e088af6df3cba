#pragma once

// The folder of the running program, where the installation's support folders live.

#include <string>

namespace kivo::app {

// The folder of the running executable with a trailing '/'; "./" when it cannot be found.
std::string programFolder();
// programFolder() + "data/": the leap-second table, the geophysical mapping and grid files.
std::string dataFolder();

}  // namespace kivo::app
