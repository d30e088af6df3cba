#pragma once

// Sizing buffers whose size comes from outside data: an allocation that fails is reported
// as a result, never as an exception across an interface.

#include <new>
#include <stdexcept>
#include <utility>

namespace kivo {

// Runs `allocate` (resizes, assigns, reserves); false when memory ran out.
template <typename Allocate>
[[nodiscard]] bool tryAllocate(Allocate&& allocate) noexcept {
  try {
    std::forward<Allocate>(allocate)();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

}  // namespace kivo
