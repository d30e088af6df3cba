#include "export/movie_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "export/image_export.h"
#include "export/kml_file.h"
#include "export/output_file.h"
#include "export/temp_folder.h"

namespace kivo::out {
namespace {

constexpr int kMarkWidth = kMovieFrameWidth;    // the drawn-pixel marks cover the frame's
constexpr int kMarkHeight = kMovieFrameHeight;  // size around the view's origin
constexpr int kTitlePixels = 25;                // 19 points at 96 dots per inch
constexpr int kNamePixels = 13;                 // 10 points
constexpr int kBarWidth = 500;
constexpr int kBarHeight = 70;
constexpr std::size_t kCopyBuffer = std::size_t{1} << 20;

// The title face of saved pictures: a Japanese Gothic face.
QFont gothic(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic")});
  font.setPixelSize(pixels);
  return font;
}

std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void useRgb32(draw::Surface& surface) {
  surface.endPainting();
  QImage& image = surface.image();
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
    image = image.convertToFormat(QImage::Format_RGB32);
  }
}

// Copies a file over `to` (which appears only when complete): kOutOk or the failure.
int copyFile(const std::string& from, const std::string& to) {
  const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return outputResultOfErrno(errno);
  OutputFile target;
  int result = target.open(to);
  std::vector<char> buffer(kCopyBuffer);
  while (result == kOutOk) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = outputResultOfErrno(errno);
      break;
    }
    if (n == 0) break;
    result = target.write(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (result != kOutOk) {
    target.discard();
    return result;
  }
  return target.commit();
}

std::string localTimeName() {
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  ::localtime_r(&t, &now);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                now.tm_hour, now.tm_min, now.tm_sec);
  return text;
}

std::string numberedFrame(const std::string& base, int k) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "_%08d.png", k);
  return base + suffix;
}

}  // namespace

// What the writers need of one file.
struct ComOtptObsMov::FileInfo {
  bool drawable = false;  // its no-data interval is known
  float lo = 0;
  float hi = 0;
  const model::ObsPoint* points = nullptr;
  int count = 0;
  std::string caption;  // display name and channel title without unit
  std::string name;     // file name without folder
};

// Plots observation points one pixel at a time onto the view raster and a second raster at
// the same logical positions, each screen position at most once until the marks are cleared.
class ComOtptObsMov::Plotter {
 public:
  enum Outcome {
    kMarked,     // a point of this pixel was plotted before: no pixel, no clock check
    kNotDrawn,   // no data, no position on the view or no colour
    kDrawn,      // drawn, or left to a protected layer pixel
  };

  Plotter(draw::Surface& view, draw::Surface* second, const map::ViewParams& params, const colour::ComClrTblMng& table,
          int mode, std::vector<QRgb> protectedColours)
      : view_(view),
        second_(second),
        projector_(map::paintedView(params)),
        table_(table),
        mode_(mode),
        protected_(std::move(protectedColours)),
        marks_(static_cast<std::size_t>(kMarkWidth) * kMarkHeight, 0) {
    refresh();
  }

  // The rasters' pixels move when an image is detached; fetched again after every frame.
  void refresh() {
    useRgb32(view_);
    viewTarget_ = Target::of(view_.image());
    if (second_ != nullptr) {
      useRgb32(*second_);
      secondTarget_ = Target::of(second_->image());
    }
  }

  void clearMarks() { std::fill(marks_.begin(), marks_.end(), 0); }

  Outcome plot(const model::ObsPoint& p, float lo, float hi) {
    if (lo <= p.value && p.value <= hi) return kNotDrawn;
    int x = 0, y = 0;
    if (projector_.project(p.lon, p.lat, x, y) != map::kProjOk) return kNotDrawn;
    colour::Colour colour = 0;
    if (table_.ComGetColor(mode_, 0, p.value, &colour) != 0) return kNotDrawn;
    // Positions beyond the marks' area are plotted without a mark.
    if (x >= -kMarkWidth / 2 && x < kMarkWidth / 2 && y >= -kMarkHeight / 2 && y < kMarkHeight / 2) {
      std::uint8_t& mark = marks_[static_cast<std::size_t>(y + kMarkHeight / 2) * kMarkWidth +
                                  static_cast<std::size_t>(x + kMarkWidth / 2)];
      if (mark != 0) return kMarked;
      mark = 1;
    }
    QRgb* pixel = viewTarget_.at(x, y);
    if (pixel != nullptr && !protected_.empty()) {
      const QRgb shown = *pixel | 0xFF000000u;
      if (std::find(protected_.begin(), protected_.end(), shown) != protected_.end()) return kDrawn;
    }
    const QRgb value = draw::toQRgb(colour);
    if (pixel != nullptr) *pixel = value;
    if (QRgb* other = secondTarget_.at(x, y)) *other = value;
    return kDrawn;
  }

 private:
  struct Target {
    QRgb* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;  // pixels per row
    static Target of(QImage& image) {
      Target t;
      t.bits = reinterpret_cast<QRgb*>(image.bits());
      t.width = image.width();
      t.height = image.height();
      t.stride = image.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(QRgb));
      return t;
    }
    QRgb* at(int x, int y) const {
      const int dx = x + width / 2;
      const int dy = height / 2 - y;
      if (bits == nullptr || dx < 0 || dy < 0 || dx >= width || dy >= height) return nullptr;
      return bits + dy * stride + dx;
    }
  };

  draw::Surface& view_;
  draw::Surface* second_;
  map::ViewProjector projector_;
  const colour::ComClrTblMng& table_;
  int mode_;
  std::vector<QRgb> protected_;
  std::vector<std::uint8_t> marks_;
  Target viewTarget_;
  Target secondTarget_;
};

ComOtptObsMov::ComOtptObsMov(MovieOptions options) : options_(std::move(options)) {}

std::int64_t ComOtptObsMov::now() const {
  if (options_.clock) return options_.clock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int ComOtptObsMov::ComInitMov(int count, const int* slots, const colour::ComClrTblMng* table,
                              const model::ComPrdctMngmnt* product, int lookupMode, const MovieSettings& settings) {
  if (slots == nullptr || table == nullptr || product == nullptr) return 1;
  if (count < 1 || count > kMovieMaxFiles || settings.frameRate < 1 || settings.frameRate > 30) return 1;
  table_ = table;
  product_ = product;
  lookupMode_ = lookupMode;
  settings_ = settings;
  slots_.assign(slots, slots + count);
  frames_ = 0;
  return 0;
}

ComOtptObsMov::FileInfo ComOtptObsMov::fileInfo(int slot, int chnl) const {
  FileInfo info;
  catalogue::ValueRange range;
  if (product_->ComGetValueRange(slot, range) == 0) {
    info.drawable = true;
    info.lo = std::min(range.invalid1, range.invalid2);
    info.hi = std::max(range.invalid1, range.invalid2);
  }
  if (product_->ComGetPointArray(slot, info.points, info.count, chnl) != 0) {
    info.points = nullptr;
    info.count = 0;
  }
  std::string displayName, title, path;
  product_->ComGetPrdctName(slot, displayName);
  product_->ComGetTitle(slot, chnl, title, false);
  product_->ComGetFilePath(slot, path);
  info.caption = displayName + " " + title;
  info.name = fileNameOf(path);
  return info;
}

int ComOtptObsMov::ComOutAviFile(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& path,
                                 draw::Surface* background, const map::ChannelChoice& display) {
  frames_ = 0;
  if (slots_.empty() || viewRaster == nullptr || path.empty()) return kMsgMovieFailed;
  useRgb32(*viewRaster);
  if (background != nullptr) {
    background->endPainting();
    background->image() = viewRaster->image().copy();
  }

  // The movie is made under the fixed temporary name and copied to its place when complete.
  TempFile temporary("kivo_temp.avi");
  if (!temporary.valid()) return kMsgMovieFailed;
  ComAviFile movie;
  const int rate = settings_.frameRate;
  if (movie.ComOpenAvi(temporary.path(), AviFormat{kMovieFrameWidth, kMovieFrameHeight, rate},
                       options_.aviRiffLimit) != kOutOk) {
    return kMsgMovieFailed;
  }

  const std::vector<QRgb> layers = settings_.protectLayers
                                       ? std::vector<QRgb>{draw::toQRgb(settings_.coastColour),
                                                           draw::toQRgb(settings_.latLonColour),
                                                           draw::toQRgb(settings_.equatorColour)}
                                       : std::vector<QRgb>{};
  Plotter plotter(*viewRaster, background, view, *table_, lookupMode_, layers);
  draw::Surface frame(kMovieFrameWidth, kMovieFrameHeight);
  std::vector<unsigned char> rows(movie.frameBytes());
  const QFont titleFont = gothic(kTitlePixels);
  const QFont nameFont = gothic(kNamePixels);
  const int fileCount = static_cast<int>(slots_.size());
  const int mapTop = settings_.fileNamePosition == 0 ? kMovieMapTopUpper : kMovieMapTopLower;
  const int nameTop = settings_.fileNamePosition == 0 ? kMovieNameTopUpper : kMovieNameTopLower;

  // One frame: white, the title, the filmed part of the view raster stretched onto the map
  // area without smoothing, the colour bar and the file name; rows bottom-up into the movie.
  const auto takeFrame = [&](const FileInfo& info, int file) {
    frame.endPainting();
    frame.clear(draw::rgb(255, 255, 255));
    QPainter& p = frame.painter();
    p.save();
    p.resetTransform();
    if (settings_.titleShown && !settings_.title.empty()) {
      p.setFont(titleFont);
      p.setPen(Qt::black);
      const QString text = QString::fromStdString(settings_.title);
      const int flags = Qt::AlignTop | Qt::TextSingleLine;
      switch (settings_.titlePosition) {
        case 1:
          p.drawText(QRect(0, kMovieTitleTop, kMovieFrameWidth, kMovieFrameHeight), flags | Qt::AlignHCenter, text);
          break;
        case 2:
          p.drawText(QRect(0, kMovieTitleTop, kMovieFrameWidth - kMovieMapLeft, kMovieFrameHeight),
                     flags | Qt::AlignRight, text);
          break;
        default:
          p.drawText(QRect(kMovieMapLeft, kMovieTitleTop, kMovieFrameWidth, kMovieFrameHeight), flags | Qt::AlignLeft,
                     text);
          break;
      }
    }
    const QImage& source = viewRaster->image();
    const QRect filmed(source.width() / 2 - kMovieSourceWidth / 2, source.height() / 2 - kMovieSourceHeight / 2,
                       kMovieSourceWidth, kMovieSourceHeight);
    const QRect target(kMovieMapLeft, mapTop, kMovieMapWidth, kMovieMapHeight);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (source.rect().contains(filmed)) {
      p.drawImage(target, source, filmed);
    } else {
      p.drawImage(target, source.copy(filmed));  // black beyond a small raster
    }
    p.restore();
    if (settings_.colourBar.show) {
      colour::ComDspClrBar bar;
      bar.ComSetClrBar(settings_.colourBar, table_);
      bar.ComDrawClrBar(&frame, kMovieBarLeft - kMovieFrameWidth / 2,
                        kMovieFrameHeight / 2 - (kMovieBarBottom - kBarHeight), false, info.caption);
    }
    if (settings_.fileNameShown && !info.name.empty()) {
      QPainter& q = frame.painter();
      q.save();
      q.resetTransform();
      q.setFont(nameFont);
      q.setPen(Qt::black);
      q.drawText(QRect(0, nameTop, kMovieNameRight, kMovieFrameHeight), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                 QString::fromStdString(info.name));
      q.restore();
    }
    frame.endPainting();
    const QImage& image = frame.image();
    const auto rowBytes = static_cast<std::size_t>(kMovieFrameWidth) * 4;
    for (int y = 0; y < kMovieFrameHeight; ++y) {
      std::memcpy(rows.data() + static_cast<std::size_t>(kMovieFrameHeight - 1 - y) * rowBytes, image.constScanLine(y),
                  rowBytes);
    }
    if (movie.ComAddFrame(rows.data(), rows.size()) != kOutOk) return false;
    ++frames_;
    if (options_.progress) options_.progress(file, fileCount, frames_);
    plotter.refresh();
    return true;
  };

  const std::int64_t interval = 1000 / rate;
  std::int64_t last = now();
  FileInfo info;
  for (int f = 0; f < fileCount; ++f) {
    info = fileInfo(slots_[static_cast<std::size_t>(f)], display.chnl[0]);
    const int count = info.drawable ? info.count : 0;
    for (int i = 0; i < count; ++i) {
      const Plotter::Outcome outcome = plotter.plot(info.points[i], info.lo, info.hi);
      if (outcome == Plotter::kMarked) continue;
      // Points that draw nothing read the clock only now and then: at the first point, at the
      // last one and at every interval-th point of a file.
      if (outcome == Plotter::kNotDrawn && !(f == 0 && i == 0) && !(f == fileCount - 1 && i == count - 1) &&
          (i + 1) % interval != 0) {
        continue;
      }
      const std::int64_t t = now();
      if (t - last > interval) {
        if (!takeFrame(info, f)) return kMsgMovieFailed;
        last = t;
      }
    }
  }
  // The final frame shows the whole drawing.
  if (!takeFrame(info, fileCount - 1)) return kMsgMovieFailed;
  if (movie.ComCloseAvi() != kOutOk) return kMsgMovieFailed;
  return copyFile(temporary.path(), path + ".avi") == kOutOk ? 0 : kMsgMovieFailed;
}

int ComOtptObsMov::series(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& basePath,
                          const std::string& archivePath, bool kmz, const map::ChannelChoice& display) {
  frames_ = 0;
  if (slots_.empty() || viewRaster == nullptr || basePath.empty() || basePath.back() == '/') return kOutBadRequest;
  std::string imageBase = fileNameOf(basePath);
  if (imageBase.empty()) imageBase = localTimeName();
  ComKmlFile kml;
  kml.ComSetKmlNames("Aqua/AMSR-E", "Description", basePath, imageBase);
  if (!archivePath.empty()) kml.ComSetArchivePath(archivePath);

  // The canvas has the view's logical mapping: one unit per pixel, origin in the middle.
  draw::Surface canvas(kSeriesWidth, kSeriesHeight);
  canvas.clear(0);
  const std::vector<QRgb> layers =
      settings_.protectLayers ? std::vector<QRgb>{draw::toQRgb(settings_.coastColour)} : std::vector<QRgb>{};
  Plotter plotter(*viewRaster, &canvas, view, *table_, lookupMode_, layers);
  const int fileCount = static_cast<int>(slots_.size());
  int result = kOutOk;
  const auto saveFrame = [&](int file) {
    canvas.endPainting();
    const int saved = ComOutImgFile(canvas.image(), kImgTransparentPng, numberedFrame(basePath, frames_), kSeriesWidth,
                                    kSeriesHeight);
    if (saved != kOutOk && result == kOutOk) result = saved;
    ++frames_;
    if (options_.progress) options_.progress(file, fileCount, frames_);
    plotter.refresh();
  };

  const std::int64_t interval = 1000 / settings_.frameRate;
  std::int64_t last = now();
  for (int f = 0; f < fileCount; ++f) {
    const FileInfo info = fileInfo(slots_[static_cast<std::size_t>(f)], display.chnl[0]);
    const int count = info.drawable ? info.count : 0;
    for (int i = 0; i < count; ++i) {
      if (plotter.plot(info.points[i], info.lo, info.hi) != Plotter::kDrawn) continue;
      const std::int64_t t = now();
      if (t - last > interval) {
        saveFrame(f);
        last = t;
      }
    }
    // Each file ends with its whole drawing; the next file's frames show that file alone.
    saveFrame(f);
    canvas.clear(0);
    plotter.clearMarks();
    plotter.refresh();
  }

  // The colour bar of the first file; a transparent image when the bar is not shown.
  const FileInfo first = fileInfo(slots_.front(), display.chnl[0]);
  draw::Surface bar(kBarWidth, kBarHeight);
  if (settings_.colourBar.show) {
    colour::ComDspClrBar drawer;
    drawer.ComSetClrBar(settings_.colourBar, table_);
    drawer.ComDrawClrBar(&bar, -kBarWidth / 2, kBarHeight / 2, false, first.caption);
    bar.endPainting();
  }
  const int barSaved = ComOutImgFile(bar.image(), settings_.colourBar.show ? kImgPng : kImgTransparentPng,
                                     basePath + "_bar.png", kBarWidth, kBarHeight);
  if (barSaved != kOutOk && result == kOutOk) result = barSaved;

  KmlFileMeta meta;
  const int slot = slots_.front();
  product_->ComGetMetaValue(slot, "PlatformShortName", meta.platform);
  product_->ComGetMetaValue(slot, "SensorShortName", meta.sensor);
  product_->ComGetGranuleID(slot, meta.granuleId);
  const KmlDesc desc = kmlDescOf({meta});
  const int written = kml.ComWriteKml(kmz, KmlBox{}, frames_, true, KmlOverlayLists{}, imageBase + "_bar.png", &desc);
  return result != kOutOk ? result : written;
}

int ComOtptObsMov::ComOutKmlSeries(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& basePath,
                                   bool kmz, const map::ChannelChoice& display) {
  return series(viewRaster, view, basePath, std::string(), kmz, display);
}

int ComOtptObsMov::ComOutKmzSeries(draw::Surface* viewRaster, const map::ViewParams& view, const std::string& basePath,
                                   const map::ChannelChoice& display) {
  if (basePath.empty() || basePath.back() == '/') return kOutBadRequest;
  if (privateTempFolder().empty()) return kOutNoTempFolder;
  // The archive itself appears under its name only when complete.
  return series(viewRaster, view, privateTempFolder() + "kivo_temp", basePath + ".kmz", true, display);
}

int ComOutMovie(ComOtptObsMov& writer, draw::Surface* viewRaster, const map::ViewParams& view, const std::string& path,
                draw::Surface* background, const map::ChannelChoice& display) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kOutBadRequest;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string base = path.substr(0, dot);
  if (extension == "avi") return writer.ComOutAviFile(viewRaster, view, base, background, display);
  if (extension == "kml") return writer.ComOutKmlSeries(viewRaster, view, base, false, display);
  if (extension == "kmz") return writer.ComOutKmzSeries(viewRaster, view, base, display);
  return kOutBadRequest;
}

void paintMovieMap(draw::Surface& raster, const map::ViewPaintRequest& request, const map::ViewPaintSettings& settings) {
  map::ViewPaintRequest layers = request;
  layers.product = nullptr;
  layers.table = nullptr;
  layers.selection = nullptr;
  layers.oneFile = -1;
  // The coastline goes under the points; protected layer colours keep it in front.
  map::ViewPaintSettings under = settings;
  under.coastInFront = false;
  map::paintView(raster, layers, under);
}

}  // namespace kivo::out
