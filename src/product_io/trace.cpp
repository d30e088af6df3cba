#include "product_io/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace kivo::io {
namespace {
std::atomic<bool> g_trace{false};
}

void refreshTraceSwitch() { g_trace.store(std::getenv("IOTOOLKIT_DEBUG") != nullptr, std::memory_order_relaxed); }

bool traceEnabled() { return g_trace.load(std::memory_order_relaxed); }

void trace(const char* format, ...) {
  if (!traceEnabled()) return;
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

}  // namespace kivo::io
