#pragma once

// Pictures of a map view as files and clipboard bitmaps: the encoders (JPEG at quality 80,
// BMP, TIFF with LZW, PNG, and the PNG whose black is transparent that overlays use), and the
// "Save as Image" picture: the map, zoomed to the selection when there is one, under a title
// and over the colour bar on a white canvas. Every map in these pictures is painted by the
// view painter from the request the view fills.

#include <QImage>
#include <QPoint>

#include <cstdio>
#include <optional>
#include <string>

#include "export/export_codes.h"
#include "export/output_file.h"
#include "map/view_painter.h"

namespace kivo::out {

// Image format codes of every image save.
enum ImgFmt : int {
  kImgJpeg = 1,
  kImgBmp = 2,
  kImgTiff = 3,
  kImgPng = 4,
  kImgTransparentPng = 5,  // pure black becomes fully transparent
};

// The format "Save as Image" writes under a chosen name: "jpg" gives JPEG, "bmp" BMP, "tiff"
// TIFF and "png" PNG, compared exactly; "tif", "tiff", "jpg" and "jpeg" in any letter case
// give TIFF and JPEG as their names say; any other extension gives the transparent PNG.
int imageFormatOfName(const std::string& path);

// The top-left width x height of `source` encoded as `fmt` (24 bits per pixel, or 32 with
// alpha for the transparent PNG): kOutOk, kOutBadRequest or kOutEncodeFailed.
int encodeImage(const QImage& source, int fmt, int width, int height, QByteArray& bytes);

// The top-left width x height of `source` saved to `path` as `fmt`: kOutOk, or the reason it
// failed (nothing is then left under `path`). Writes a trace line ("成功", or "失敗(0x..)"
// with the result) to the trace stream.
int ComOutImgFile(const QImage& source, int fmt, const std::string& path, int width, int height);
// The stream of those trace lines: standard output unless set; null writes none.
void setImageTrace(std::FILE* stream);

// The title over a saved picture.
struct ImageTitle {
  bool shown = true;  // OutTtlIndiFlg
  int position = 0;   // 0 left, 1 centre, 2 right
  std::string text;
};

// What a picture of a view shows: the view's paint request and settings, its client size and
// its selection.
struct MapPictureRequest {
  map::ViewPaintRequest paint;
  map::ViewPaintSettings settings;
  int width = 0;   // the client area of the view
  int height = 0;
  std::optional<map::SelectionOutline> selection;
  ImageTitle title;
};

// Canvas of "Save as Image" for a client area of cw x ch pixels, and where the map goes on it.
inline int canvasWidth(int cw) { return cw + 32 > 600 ? cw + 32 : 600; }
inline int canvasHeight(int ch) { return ch + 133; }
inline constexpr int kMapTop = 60;
inline constexpr int kTitleTop = 5;
inline constexpr int kTitleMargin = 19;
inline constexpr int kTitlePixelHeight = 25;  // 19 points at 96 dots per inch

// The view zoomed to a selection: centred on it and magnified so that it fills a w x h area,
// by a factor of at least 1 and to at most the largest magnification.
map::ViewParams viewOfSelection(const map::ViewParams& view, const map::SelectionOutline& selection, int w, int h);

// The map of a picture: the view's product, coastline and grid without colour bar and
// selection outline, at the view's size, zoomed to the selection when there is one.
QImage renderMapPicture(const MapPictureRequest& request);
// The whole "Save as Image" canvas.
QImage ComMakeMapImage(const MapPictureRequest& request);
// "Save as Image": the canvas saved to `path` as `fmt`.
int ComOutMapImg(const MapPictureRequest& request, const std::string& path, int fmt);

// "Copy (Selected Area)": the map drawn at the view's scale centred on the selection, cut to
// the selection's rectangle; a null image when the selection does not lie on the map.
QImage selectedAreaPicture(const MapPictureRequest& request);

// Puts `source` on the clipboard: `part` 0 the whole picture, 1 the rectangle spanned by the
// two corners (either order). 0, or 1 when a corner is missing or the clipboard is not there.
int ComCpyClpBrd(const QImage& source, int part, const QPoint* corner1, const QPoint* corner2);

}  // namespace kivo::out
