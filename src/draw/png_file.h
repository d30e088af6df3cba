#pragma once

// PNG files of images: 8 bits per channel, RGB (or RGBA for an image with an alpha channel),
// every row unfiltered, one zlib stream in IDAT chunks of at most 64 KB, and the image's
// resolution. For maps with large even areas this is as small as a file whose rows are
// filtered, and several times faster to make than with Qt's writer, whose libpng tries five
// filters on every row.

#include <QImage>

#include <string>

namespace kivo::draw {

inline constexpr int kPngOk = 0;
inline constexpr int kPngFailed = 1;  // nothing is left at the path; `error` says why

// zlib's level: 1 fastest .. 9 smallest; 6 is zlib's own default.
inline constexpr int kPngDefaultLevel = 6;

// Writes the image to `path`, replacing what was there.
int writePngFile(const QImage& image, const std::string& path, std::string& error, int level = kPngDefaultLevel);

}  // namespace kivo::draw
