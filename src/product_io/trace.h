#pragma once

namespace kivo::io {

// Reads IOTOOLKIT_DEBUG; called on every product open.
void refreshTraceSwitch();
bool traceEnabled();

// Prints a trace line to standard output when IOTOOLKIT_DEBUG was set at the last open.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kivo::io
