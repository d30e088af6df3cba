#pragma once

// A colour as the system keeps it everywhere: 32 bits 0x00BBGGRR, red in the low byte.

#include <cstdint>

namespace kivo::draw {

using Colour = std::uint32_t;
constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}

}  // namespace kivo::draw
