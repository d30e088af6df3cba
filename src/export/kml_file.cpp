#include "export/kml_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "draw/surface.h"
#include "export/image_export.h"
#include "export/temp_folder.h"
#include "map/view_state.h"

namespace kivo::out {
namespace {

constexpr const char* kKmlNamespace = "http://earth.google.com/kml/2.0";

// Degrees with three decimals from microdegrees, whatever the process's numeric locale.
std::string degrees3(std::int32_t micro) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(micro) / 1000000.0,
                                    std::chars_format::fixed, 3);
  return std::string(text, result.ptr);
}

std::string clockText(const std::tm& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00Z", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min);
  return text;
}

// One minute later, the calendar fields normalised (plain calendar arithmetic, no daylight
// saving jumps).
void advanceMinute(std::tm& t) {
  std::tm fields = t;
  fields.tm_sec = 0;
  const std::time_t next = ::timegm(&fields) + 60;
  ::gmtime_r(&next, &t);
}

// The text of a CDATA section: a "]]>" inside it is split across two sections.
std::string cdata(const std::string& text) {
  std::string out = "<![CDATA[";
  std::size_t from = 0;
  for (std::size_t at = text.find("]]>"); at != std::string::npos; at = text.find("]]>", from)) {
    out.append(text, from, at - from).append("]]]]><![CDATA[>");
    from = at + 3;
  }
  return out.append(text, from, std::string::npos).append("]]>");
}

const std::string* entry(const std::vector<std::string>* list, int i) {
  if (list == nullptr || i < 0 || static_cast<std::size_t>(i) >= list->size()) return nullptr;
  return &(*list)[static_cast<std::size_t>(i)];
}

std::string numbered(const std::string& base, int i) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "_%08d.png", i);
  return base + suffix;
}

class Lines {
 public:
  void add(int tabs, const std::string& line) {
    text_.append(static_cast<std::size_t>(tabs), '\t').append(line).push_back('\n');
  }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder of a path with its trailing '/' ("" for a bare name) and the path without the
// extension of its file name.
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string withoutExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

std::string extensionOf(const std::string& path) {
  const std::string base = withoutExtension(path);
  return base.size() < path.size() ? path.substr(base.size() + 1) : std::string();
}

constexpr std::int32_t k180 = 180000000;
constexpr std::int32_t k360 = 360000000;
constexpr std::int32_t kBoxStep = 50000;  // 0.05 degrees
constexpr int kBarWidth = 500;
constexpr int kBarHeight = 70;

}  // namespace

std::string xmlEscaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

ComKmlFile::ComKmlFile(ZipLimits limits) : limits_(limits) {}

int ComKmlFile::ComSetKmlNames(const std::string& defaultName, const std::string& defaultDescription,
                               const std::string& basePath, const std::string& imageBase) {
  if (basePath.empty() || imageBase.empty()) return 0;
  const std::size_t slash = basePath.rfind('/');
  folder_ = slash == std::string::npos ? std::string() : basePath.substr(0, slash + 1);
  documentPath_ = basePath + ".kml";
  archivePath_ = basePath + ".kmz";
  defaultName_ = defaultName;
  defaultDescription_ = defaultDescription;
  imageBase_ = imageBase;
  barImageName_ = imageBase + "_bar.png";
  basePath_ = basePath;
  return 0;
}

std::string ComKmlFile::ComMakeKmlText(bool kmz, const KmlBox& box, int count, bool series,
                                       const KmlOverlayLists& lists, const std::string& barName,
                                       const KmlDesc* desc) const {
  const auto href = [kmz](const std::string& name) {
    return (kmz ? "<href>" : "<href>./") + xmlEscaped(name) + "</href>";
  };
  const auto has = [](const std::optional<std::string>& s) { return s.has_value(); };
  std::tm clock{};
  if (clock_) {
    clock = *clock_;
  } else {
    const std::time_t now = std::time(nullptr);
    ::localtime_r(&now, &clock);
  }

  Lines out;
  out.add(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  out.add(0, std::string("<kml xmlns=\"") + kKmlNamespace + "\">");
  out.add(0, "<Document>");
  const std::string documentName = desc != nullptr && has(desc->name) ? *desc->name : defaultName_;
  out.add(1, "<name>" + xmlEscaped(documentName) + "</name>");
  out.add(1, "<description>");
  if (desc != nullptr && has(desc->description)) {
    out.add(2, xmlEscaped(*desc->description));
  } else {
    out.add(2, cdata("GranuleID:" + defaultDescription_));
  }
  out.add(1, "</description>");

  for (int i = 0; i < count; ++i) {
    out.add(1, "<GroundOverlay>");
    std::string name;
    if (lists.names != nullptr) {
      if (const std::string* n = entry(lists.names, i)) name = *n;
    } else if (desc != nullptr && has(desc->name)) {
      name = *desc->name;
    }
    out.add(2, "<name>" + xmlEscaped(name) + "</name>");
    out.add(2, "<visibility>1</visibility>");
    out.add(2, "<Icon>");
    if (lists.hrefs != nullptr) {
      const std::string* h = entry(lists.hrefs, i);
      if (h != nullptr && !h->empty()) out.add(3, href(*h));
    } else {
      out.add(3, href(series ? numbered(imageBase_, i) : imageBase_ + ".png"));
    }
    out.add(2, "</Icon>");
    out.add(2, "<LatLonBox>");
    if (series) {
      out.add(3, "<north>90</north>");
      out.add(3, "<south>-90</south>");
      out.add(3, "<east>0</east>");
      out.add(3, "<west>-360</west>");
    } else {
      out.add(3, "<north>" + degrees3(box.north) + "</north>");
      out.add(3, "<south>" + degrees3(box.south) + "</south>");
      out.add(3, "<east>" + degrees3(box.east) + "</east>");
      out.add(3, "<west>" + degrees3(box.west) + "</west>");
    }
    out.add(2, "</LatLonBox>");
    out.add(2, "<LookAt>");
    for (const char* line : {"<heading>0</heading>", "<latitude>0</latitude>", "<longitude>140</longitude>",
                             "<tilt>0</tilt>", "<range>18000000</range>"}) {
      out.add(3, line);
    }
    out.add(2, "</LookAt>");
    // Overlays without times of their own get consecutive one-minute spans.
    std::string begin;
    if (lists.begins != nullptr) {
      if (const std::string* b = entry(lists.begins, i)) begin = *b;
    } else if (desc != nullptr && has(desc->begin)) {
      begin = *desc->begin;
    } else {
      begin = clockText(clock);
    }
    std::string end;
    if (lists.ends != nullptr) {
      if (const std::string* e = entry(lists.ends, i)) end = *e;
    } else if (desc != nullptr && has(desc->end)) {
      end = *desc->end;
    } else {
      advanceMinute(clock);
      end = clockText(clock);
    }
    if (!begin.empty() && !end.empty()) {
      out.add(2, "<TimeSpan><begin>" + xmlEscaped(begin) + "</begin><end>" + xmlEscaped(end) + "</end></TimeSpan>");
    }
    out.add(1, "</GroundOverlay>");
  }

  out.add(1, "<ScreenOverlay>");
  out.add(2, std::string("<name>") + kScreenOverlayName + "</name>");
  out.add(2, "<Icon>");
  out.add(3, href(barName.empty() ? barImageName_ : barName));
  out.add(2, "</Icon>");
  out.add(2, "<overlayXY x=\"0.5\" y=\"0\" xunits=\"fraction\" yunits=\"fraction\"/>");
  out.add(2, "<screenXY x=\"0.5\" y=\"18\" xunits=\"fraction\" yunits=\"pixels\"/>");
  out.add(2, "<size x=\"0\" y=\"0\" xunits=\"fraction\" yunits=\"fraction\"/>");
  if (desc != nullptr && has(desc->begin) && has(desc->end)) {
    out.add(2, "<TimeSpan><begin>" + xmlEscaped(*desc->begin) + "</begin><end>" + xmlEscaped(*desc->end) +
                   "</end></TimeSpan>");
  }
  out.add(1, "</ScreenOverlay>");
  out.add(1, "<LookAt>");
  for (const char* line : {"<heading>0</heading>", "<latitude>0</latitude>", "<longitude>140</longitude>",
                           "<tilt>0</tilt>", "<range>18000000</range>"}) {
    out.add(2, line);
  }
  out.add(1, "</LookAt>");
  out.add(0, "</Document>");
  out.add(0, "</kml>");
  return std::move(out.text());
}

// The images are packed from the folder under the names the document gives them.
std::string ComKmlFile::imagePath(int i, bool series, const KmlOverlayLists& lists) const {
  if (lists.hrefs != nullptr) {
    const std::string* h = entry(lists.hrefs, i);
    return h == nullptr || h->empty() ? std::string() : folder_ + *h;
  }
  return folder_ + (series ? numbered(imageBase_, i) : imageBase_ + ".png");
}

int ComKmlFile::ComWriteKml(bool kmz, const KmlBox& box, int count, bool series, const KmlOverlayLists& lists,
                            const std::string& barName, const KmlDesc* desc) {
  if (basePath_.empty() || count < 0) return kOutBadRequest;
  const std::string text = ComMakeKmlText(kmz, box, count, series, lists, barName, desc);
  if (!kmz) {
    OutputFile document;
    if (const int opened = document.open(documentPath_); opened != kOutOk) return opened;
    document.write(text);
    return document.commit();
  }

  // The files packed into the archive are intermediates: they go whatever the outcome.
  std::vector<std::string> packed;
  for (int i = 0; i < count; ++i) {
    if (std::string path = imagePath(i, series, lists); !path.empty()) packed.push_back(std::move(path));
  }
  const std::string barPath = folder_ + (barName.empty() ? barImageName_ : barName);
  const auto removePacked = [&] {
    for (const std::string& path : packed) ::unlink(path.c_str());
    ::unlink(barPath.c_str());
  };

  ComZipFile zip(limits_);
  // The document, the overlays and the colour bar.
  const long long entriesNeeded = static_cast<long long>(count) + 2;
  int result = entriesNeeded > limits_.maxEntries ? kOutTooLarge : zip.ComInitZip(static_cast<int>(entriesNeeded));
  if (result == kOutOk) result = zip.ComOpenZip(archivePath_);
  if (result == kOutOk) {
    const std::size_t slash = documentPath_.rfind('/');
    const std::string documentName = slash == std::string::npos ? documentPath_ : documentPath_.substr(slash + 1);
    result = zip.ComAddZipEntry(documentName, text.data(), text.size(), std::time(nullptr));
  }
  for (std::size_t i = 0; i < packed.size() && result == kOutOk; ++i) result = zip.ComAddZipEntry(packed[i]);
  // A colour bar that was not made leaves the archive without it.
  if (result == kOutOk && isRegularFile(barPath)) result = zip.ComAddZipEntry(barPath);
  if (result == kOutOk) {
    result = zip.ComWriteZipDir();
  } else {
    zip.ComAbandonZip();
  }
  removePacked();
  return result;
}

// --- one map overlay --------------------------------------------------------------------

int ComOutKmlFile(const KmlOverlayRequest& r) {
  if (r.source == nullptr || r.source->isNull() || r.path.empty() || r.width <= 0 || r.height <= 0) {
    return kOutBadRequest;
  }
  if (isFolder(r.path) || (r.kmz && isFolder(r.archivePath))) return kOutPathIsFolder;
  std::tm now{};
  if (r.clock) {
    now = *r.clock;
  } else {
    const std::time_t t = std::time(nullptr);
    ::localtime_r(&t, &now);
  }
  char imageBase[32];
  std::snprintf(imageBase, sizeof imageBase, "%04d%02d%02d%02d%02d%02d", now.tm_year + 1900, now.tm_mon + 1,
                now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
  const std::string basePath = withoutExtension(r.path);
  const std::string imagePath = folderOf(r.path) + imageBase;
  const std::string overlayPath = imagePath + ".png";
  const std::string barPath = imagePath + "_bar.png";

  int result = ComOutImgFile(*r.source, kImgTransparentPng, overlayPath, r.width, r.height);
  if (result != kOutOk) return result;
  // Without a colour bar to show, the bar image is left fully transparent.
  draw::Surface bar(kBarWidth, kBarHeight);
  const bool barShown = r.barSettings.show && r.table != nullptr;
  if (barShown) {
    colour::ComDspClrBar drawer;
    drawer.ComSetClrBar(r.barSettings, r.table);
    drawer.ComDrawClrBar(&bar, -kBarWidth / 2, kBarHeight / 2, false, r.barCaption);
    bar.endPainting();
  }
  result = ComOutImgFile(bar.image(), barShown ? kImgPng : kImgTransparentPng, barPath, kBarWidth, kBarHeight);
  if (result != kOutOk) {
    ::unlink(overlayPath.c_str());
    return result;
  }

  KmlBox box = r.box;
  if (box.west < 0) box.west += k360;
  if (box.east < 0) box.east += k360;
  ComKmlFile kml;
  kml.ComSetKmlNames("Aqua/AMSR-E", "Description", basePath, imageBase);
  if (r.kmz && !r.archivePath.empty()) kml.ComSetArchivePath(r.archivePath);
  kml.ComSetClock(now);
  result = kml.ComWriteKml(r.kmz, box, 1, false, KmlOverlayLists{}, std::string(), r.desc);
  if (result != kOutOk && !r.kmz) {
    // A document that failed takes its images with it.
    ::unlink(overlayPath.c_str());
    ::unlink(barPath.c_str());
  }
  return result;
}

OverlayPlan planOverlay(const std::optional<map::SelectionOutline>& selection) {
  OverlayPlan plan;
  plan.view.projection = map::kProjEqr;
  plan.view.cx = k180;
  plan.view.cy = 0;
  plan.view.s = 1.0;
  plan.cut = QRect(0, 0, kOverlayWidth, kOverlayHeight);
  std::int64_t west = 0, east = k360, north = 90000000, south = -90000000;
  if (selection) {
    const std::int64_t w = selection->upperLeft.x;
    const std::int64_t e = selection->lowerRight.x;
    const std::int64_t n = selection->upperLeft.y;
    const std::int64_t s = selection->lowerRight.y;
    // A selection across the edge of the map runs from its west corner a turn back.
    const std::int64_t span = w > e ? e - (w - k360) : e - w;
    const std::int64_t height = std::abs(n - s);
    if (span > 0 && height > 0) {
      const double scale = std::min(kOverlayWidth * map::unitsPerPixel(1.0) / static_cast<double>(span),
                                    kOverlayHeight * map::unitsPerPixel(1.0) / static_cast<double>(height));
      plan.view.s = std::min(scale, map::kMaxMagnification);
      const double K = map::unitsPerPixel(plan.view.s);
      std::int64_t middle = (w > e ? w - k360 : w) + span / 2;
      if (middle > k180) middle -= k360;
      if (middle < -k180) middle += k360;
      plan.view.cx = static_cast<std::int32_t>(middle);
      plan.view.cy = static_cast<std::int32_t>((n + s) / 2);
      const int cutW = std::clamp(static_cast<int>(std::lround(static_cast<double>(span) / K)), 1, kOverlayWidth);
      const int cutH = std::clamp(static_cast<int>(std::lround(static_cast<double>(height) / K)), 1, kOverlayHeight);
      plan.cut = QRect((kOverlayWidth - cutW) / 2, (kOverlayHeight - cutH) / 2, cutW, cutH);
      west = w;
      east = e;
      north = n;
      south = s;
    }
  }
  const auto normalised = [](std::int64_t lon) {
    if (lon > k180) lon -= k360;
    if (lon < -k180) lon += k360;
    return lon;
  };
  const auto truncated = [](std::int64_t v) { return static_cast<std::int32_t>(v - v % kBoxStep); };
  plan.box.west = truncated(normalised(west));
  plan.box.east = truncated(normalised(east));
  plan.box.north = truncated(north);
  plan.box.south = truncated(south);
  if (plan.box.west == plan.box.east) plan.box.east += k360;
  return plan;
}

QImage renderOverlay(const MapKmlRequest& request, const OverlayPlan& plan) {
  draw::Surface surface(kOverlayWidth, kOverlayHeight);
  map::ViewPaintRequest paint = request.paint;
  paint.view = plan.view;
  paint.world = nullptr;
  paint.table = nullptr;
  paint.selection = nullptr;
  map::paintView(surface, paint, request.settings);
  return surface.image().copy(plan.cut);
}

namespace {

// Date and time fields of an observation time ("2012-07-03T19:05:42.123Z"); false when the
// text cannot be read.
bool timeFields(const std::string& text, std::array<long, 7>& fields) {
  short f[7] = {0, 0, 0, 0, 0, 0, 0};
  const std::size_t t = text.find('T');
  if (t == std::string::npos) return false;
  if (std::sscanf(text.c_str(), "%hd-%hd-%hd", &f[0], &f[1], &f[2]) != 3) return false;
  if (std::sscanf(text.c_str() + t + 1, "%hd:%hd:%hd.%hd", &f[3], &f[4], &f[5], &f[6]) < 3) return false;
  for (std::size_t i = 0; i < 7; ++i) fields[i] = f[i];
  return true;
}

std::string cut(const std::string& text) { return text.size() > 1023 ? text.substr(0, 1023) : text; }

}  // namespace

KmlDesc kmlDescOf(const std::vector<KmlFileMeta>& files) {
  KmlDesc desc;
  if (files.empty()) return desc;
  const KmlFileMeta& first = files.front();
  if (!first.platform.empty() || !first.sensor.empty()) desc.name = cut(first.platform + "/" + first.sensor);
  if (!first.granuleId.empty()) {
    desc.granuleId = cut(first.granuleId);
    desc.description = cut("GranuleID:\"" + first.granuleId + "\" : " + kKmlDataCredit);
  }
  std::array<long, 7> earliest{}, latest{}, fields{};
  for (const KmlFileMeta& f : files) {
    if (timeFields(f.start, fields) && (!desc.begin || fields < earliest)) {
      earliest = fields;
      desc.begin = cut(f.start);
    }
    if (timeFields(f.end, fields) && (!desc.end || fields > latest)) {
      latest = fields;
      desc.end = cut(f.end);
    }
  }
  return desc;
}

int ComOutMapKml(const MapKmlRequest& request, const std::string& path) {
  const std::string ext = extensionOf(path);
  if (ext != "kml" && ext != "kmz") return kOutBadRequest;
  const bool kmz = ext == "kmz";
  if (isFolder(path)) return kOutPathIsFolder;
  const OverlayPlan plan = planOverlay(request.selection);
  const QImage overlay = renderOverlay(request, plan);
  KmlOverlayRequest o;
  o.source = &overlay;
  o.width = overlay.width();
  o.height = overlay.height();
  o.barSettings = request.settings.colourBar;
  o.table = request.paint.composite ? nullptr : request.paint.table;
  o.barCaption = request.paint.colourBar.caption;
  o.box = plan.box;
  o.desc = &request.desc;
  o.clock = request.clock;
  if (kmz) {
    // The parts of the archive are made in the private folder; the archive goes to the path.
    if (privateTempFolder().empty()) return kOutNoTempFolder;
    o.path = privateTempFolder() + "kivo_temp.kmz";
    o.kmz = true;
    o.archivePath = path;
  } else {
    o.path = path;
  }
  return ComOutKmlFile(o);
}

}  // namespace kivo::out
