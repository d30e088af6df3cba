#pragma once

// Results of the image, KML and ZIP writers beyond the shared ones of export/output_file.h.
// They are numbered apart from those, so that both sets can grow.

namespace kivo::out {

inline constexpr int kOutTooLarge = 20;          // beyond the limits of plain ZIP
inline constexpr int kOutSourceUnreadable = 21;  // a file to pack cannot be read
inline constexpr int kOutNoTempFolder = 22;      // the program's private temporary folder is not available

}  // namespace kivo::out
