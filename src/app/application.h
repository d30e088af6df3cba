#pragma once

// The desktop program's start and end: one running instance, the user-interface language,
// the main window, and the files given on the command line.

namespace kivo::app {

// Runs the program; the result is its exit status.
int runApplication(int argc, char** argv);

}  // namespace kivo::app
