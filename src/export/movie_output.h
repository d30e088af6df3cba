#pragma once

// Animations of a list of product files: the observation points of each file are drawn in
// their stored order, and snapshots are taken at the frame rate while the drawing goes on, so
// the result replays the drawing. The snapshots become an AVI movie (820 x 550 frames with
// title, map, colour bar and file name) or a KML time series of transparent PNG overlays,
// plain or packed into a KMZ archive, that Google Earth plays with its time slider.
//
// Everything runs on the calling thread; the progress callback is the place to keep a window
// responsive. The writers read the settings from a plain struct the caller fills.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "colour/colour_bar.h"
#include "colour/colour_table.h"
#include "draw/surface.h"
#include "export/avi_writer.h"
#include "map/display_manager.h"
#include "map/projections.h"
#include "map/view_painter.h"
#include "product_model/product_object.h"

namespace kivo::out {

// The message number of a movie that could not be delivered ("動画の出力に失敗しました").
inline constexpr int kMsgMovieFailed = 16;
// The most files one animation holds.
inline constexpr int kMovieMaxFiles = 10;

// The AVI frame and what goes where on it (pixels from the top-left corner).
inline constexpr int kMovieFrameWidth = 820;
inline constexpr int kMovieFrameHeight = 550;
inline constexpr int kMovieSourceWidth = 800;   // the part of the view raster that is filmed,
inline constexpr int kMovieSourceHeight = 400;  // centred on the view's origin
inline constexpr int kMovieMapLeft = 8;
inline constexpr int kMovieMapWidth = 804;
inline constexpr int kMovieMapHeight = 406;
inline constexpr int kMovieMapTopUpper = 50;  // file name above the map
inline constexpr int kMovieMapTopLower = 40;  // file name under the colour bar
inline constexpr int kMovieTitleTop = 5;
inline constexpr int kMovieBarLeft = 155;
inline constexpr int kMovieBarBottom = 530;
inline constexpr int kMovieNameRight = 812;
inline constexpr int kMovieNameTopUpper = 36;
inline constexpr int kMovieNameTopLower = 536;

// The KML series' canvas: the whole world at half a degree per pixel when the view is the
// equirectangular one at magnification 1 centred on 180 degrees east.
inline constexpr int kSeriesWidth = 720;
inline constexpr int kSeriesHeight = 360;

// The settings an animation is made with (the app fills them from its settings store).
struct MovieSettings {
  int frameRate = 10;          // FrmRtNum: frames per second, 1..30
  bool titleShown = true;      // AnmOutTtlIndiFlg
  int titlePosition = 0;       // AnmOutTtlIndiPnt: 0 left, 1 centre, 2 right
  std::string title;           // the animation title text
  bool fileNameShown = false;  // AnmOutFileNameFlg
  int fileNamePosition = 1;    // AnmOutFileNamePnt: 0 above the map, 1 under the colour bar
  colour::ColourBarSettings colourBar;  // ExpIndiFlg (shown), ExpIndiRevFlg (flipped)
  // DrwSherLine: pixels of these layer colours in the view raster are not drawn over (the
  // movie keeps all three, the KML series the coastline only).
  bool protectLayers = true;
  colour::Colour coastColour = 0x00FFFFFF;    // ShrIndClr
  colour::Colour latLonColour = 0x00959595;   // LatLonIndiClr
  colour::Colour equatorColour = 0x000000FF;  // QuaIndiClr
};

// Milliseconds of a monotonic clock; the frame timing reads it.
using MovieClock = std::function<std::int64_t()>;
// Called after every frame with the file being drawn (0-based), the file count and the frames
// written so far. It may process pending events, but must not destroy the writer nor draw on
// or replace the rasters it draws on.
using MovieProgress = std::function<void(int fileIndex, int fileCount, int framesWritten)>;

struct MovieOptions {
  MovieClock clock;                 // empty: the steady clock
  MovieProgress progress;           // may be empty
  std::uint64_t aviRiffLimit = kAviRiffLimit;  // the size of one RIFF list of the movie
};

class ComOtptObsMov {
 public:
  explicit ComOtptObsMov(MovieOptions options = {});

  // The files of the animation (product slots in drawing order), the colour table, the product
  // object and the settings, kept for the one run that follows: 0, or 1 when the slot list,
  // table or product object is missing, the count is not 1..10 (nothing is stored then) or the
  // frame rate is not 1..30. `lookupMode` is the colour table's mode (always 0).
  int ComInitMov(int count, const int* slots, const colour::ComClrTblMng* table,
                 const model::ComPrdctMngmnt* product, int lookupMode, const MovieSettings& settings);

  // The movie of the files as drawn onto `viewRaster` (which holds the map the points go on)
  // with the view's projection, centre and magnification; the points of the channel
  // `display.chnl[0]`. The movie is made as "kivo_temp.avi" in the program's temporary folder
  // and copied to `path` + ".avi"; the temporary movie never survives. `background`, when
  // given, receives the view raster and every drawn point as well. 0, or kMsgMovieFailed when
  // the movie could not be delivered (nothing is then left under the name).
  int ComOutAviFile(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& path,
                    draw::Surface* background, const map::ChannelChoice& display);

  // The KML time series of base path P (the full path without extension): frames
  // P + "_%08d.png", the colour bar P + "_bar.png" and the document P + ".kml"; with `kmz` the
  // document and images go into the archive P + ".kmz" instead. kOutOk or the first failure;
  // a frame that could not be saved leaves a gap in the numbers and the document still counts
  // it.
  int ComOutKmlSeries(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& basePath, bool kmz,
                      const map::ChannelChoice& display);
  // The series packed as `basePath` + ".kmz"; its parts are made under the base name
  // "kivo_temp" in the program's temporary folder and removed.
  int ComOutKmzSeries(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& basePath,
                      const map::ChannelChoice& display);

  int fileCount() const { return static_cast<int>(slots_.size()); }
  int framesWritten() const { return frames_; }

 private:
  struct FileInfo;
  class Plotter;
  int series(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& basePath,
             const std::string& archivePath, bool kmz, const map::ChannelChoice& display);
  FileInfo fileInfo(int slot, int chnl) const;
  std::int64_t now() const;

  MovieOptions options_;
  const colour::ComClrTblMng* table_ = nullptr;
  const model::ComPrdctMngmnt* product_ = nullptr;
  MovieSettings settings_;
  int lookupMode_ = 0;
  std::vector<int> slots_;
  int frames_ = 0;
};

// Runs the writer that the path's extension names (".avi", ".kml" or ".kmz", in any letter
// case) with the path without its extension: the writer's result, or kOutBadRequest for any
// other extension.
int ComOutMovie(ComOtptObsMov& writer, draw::Surface* viewRaster, const map::ViewParams& view,
                const std::string& path, draw::Surface* background, const map::ChannelChoice& display);

// Paints the view raster of an animation: the map background, the coastline and the
// latitude/longitude lines of the view's request, without product, colour bar or selection. The
// movie films the middle kMovieSourceWidth x kMovieSourceHeight of it.
void paintMovieMap(draw::Surface& raster, const map::ViewPaintRequest& request, const map::ViewPaintSettings& settings);

}  // namespace kivo::out
