#pragma once

// KML 2.0 documents for Google Earth: ground overlays of PNG images with their box, the colour
// bar as a screen overlay, time spans and descriptions; with the images packed into a KMZ
// archive on request. The writer knows nothing of maps: it is given names, a box, counts and
// lists of texts. One ComKmlFile serves one write.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>

#include "colour/colour_bar.h"
#include "colour/colour_table.h"
#include "export/zip_writer.h"
#include "map/view_painter.h"

namespace kivo::out {

// What the document tells of the product; every field may be absent.
struct KmlDesc {
  std::optional<std::string> granuleId;    // not written by the document writer itself
  std::optional<std::string> name;         // document and overlay name ("GCOM-W1/AMSR2")
  std::optional<std::string> description;  // document description
  std::optional<std::string> begin;        // time span of every overlay
  std::optional<std::string> end;
};

// Per-overlay texts; a list that is not given is null. A list shorter than the overlay count
// counts as absent entries for the rest.
struct KmlOverlayLists {
  const std::vector<std::string>* names = nullptr;   // overlay names (else the descriptor's name)
  const std::vector<std::string>* hrefs = nullptr;   // image names; an empty entry writes no href
  const std::vector<std::string>* begins = nullptr;  // time span texts (an absent entry is empty)
  const std::vector<std::string>* ends = nullptr;
};

// The geographic box of the overlays, microdegrees.
struct KmlBox {
  std::int32_t west = 0;
  std::int32_t north = 0;
  std::int32_t east = 0;
  std::int32_t south = 0;
};

inline constexpr const char* kScreenOverlayName = "Color Scale Bar";

class ComKmlFile {
 public:
  explicit ComKmlFile(ZipLimits limits = {});

  // Names of one write: the default document name and description, the base path (the full
  // path without extension; the document is base + ".kml", the archive base + ".kmz") and the
  // image base (a file name without folder and extension). An empty base path or image base
  // changes nothing. Always 0.
  int ComSetKmlNames(const std::string& defaultName, const std::string& defaultDescription,
                     const std::string& basePath, const std::string& imageBase);
  // The archive goes to `path` instead of base + ".kmz".
  void ComSetArchivePath(const std::string& path) { archivePath_ = path; }
  // The local time the running clock of the time spans starts from (the present by default).
  void ComSetClock(const std::tm& localStart) { clock_ = localStart; }

  // Writes the document; with `kmz` it goes with its images into the archive instead, and
  // every file named for packing is removed afterwards, whether the archive succeeded or not.
  // `series` gives the overlays the fixed world box and numbered image names. `barName` is
  // the colour bar's file name ("" for the default). kOutOk, or the first failure; a failed
  // write leaves no document or archive.
  int ComWriteKml(bool kmz, const KmlBox& box, int count, bool series, const KmlOverlayLists& lists,
                  const std::string& barName, const KmlDesc* desc);

  // The document's text as ComWriteKml writes it.
  std::string ComMakeKmlText(bool kmz, const KmlBox& box, int count, bool series, const KmlOverlayLists& lists,
                             const std::string& barName, const KmlDesc* desc) const;

  const std::string& folder() const { return folder_; }
  const std::string& documentPath() const { return documentPath_; }
  const std::string& archivePath() const { return archivePath_; }
  const std::string& imageBase() const { return imageBase_; }
  const std::string& barImageName() const { return barImageName_; }
  const std::string& basePath() const { return basePath_; }

 private:
  // The image file of overlay i as packing finds it.
  std::string imagePath(int i, bool series, const KmlOverlayLists& lists) const;

  ZipLimits limits_;
  std::string folder_;
  std::string documentPath_;
  std::string archivePath_;
  std::string defaultName_;
  std::string defaultDescription_;
  std::string imageBase_;
  std::string barImageName_;
  std::string basePath_;
  std::optional<std::tm> clock_;
};

// Text for an XML element: '&', '<' and '>' as entities.
std::string xmlEscaped(const std::string& text);

// --- one map overlay --------------------------------------------------------------------

// One rendered overlay and what goes with it.
struct KmlOverlayRequest {
  const QImage* source = nullptr;  // the overlay raster; black becomes transparent
  int width = 0;                   // the top-left part of the raster that is saved
  int height = 0;
  // The output path: the document is written there, the images beside it (their names are
  // the local time). With `kmz` the archive goes to `archivePath` (default: the path with
  // ".kmz") and the document and images are packed and removed.
  std::string path;
  bool kmz = false;
  std::string archivePath;
  // The colour bar image: drawn when the settings show it and a table is given; otherwise the
  // bar image is fully transparent.
  colour::ColourBarSettings barSettings;
  const colour::ComClrTblMng* table = nullptr;
  std::string barCaption;
  KmlBox box;                      // the overlay's box as the map view stored it
  const KmlDesc* desc = nullptr;
  std::optional<std::tm> clock;    // the local time of the write (the present by default)
};

// Writes the overlay image, the colour-bar image and the document of one overlay: kOutOk,
// kOutBadRequest without a source or path, or the first failure (nothing is left then).
int ComOutKmlFile(const KmlOverlayRequest& request);

// How the overlay of a map is made: the equirectangular view of the 720 x 360 raster (half a
// degree per pixel at magnification 1), the part of it that becomes the overlay, and the box
// (west and east within -180..180 degrees, all four truncated to 0.05 degrees).
struct OverlayPlan {
  map::ViewParams view;
  QRect cut;
  KmlBox box;
};
inline constexpr int kOverlayWidth = 720;
inline constexpr int kOverlayHeight = 360;
// The whole world, or the selection magnified to fill the raster.
OverlayPlan planOverlay(const std::optional<map::SelectionOutline>& selection);

// What "Save as KML(KMZ)" writes of a view.
struct MapKmlRequest {
  map::ViewPaintRequest paint;      // the view's paint request: its product and colour bar
  map::ViewPaintSettings settings;  // the view's paint settings: the colour bar flags
  std::optional<map::SelectionOutline> selection;
  KmlDesc desc;
  std::optional<std::tm> clock;
};

// The overlay of the product alone (no coastline, grid or colour bar), as the plan says.
QImage renderOverlay(const MapKmlRequest& request, const OverlayPlan& plan);

// What the descriptor is made of, per product file of the view.
struct KmlFileMeta {
  std::string granuleId;  // GranuleID
  std::string platform;   // PlatformShortName
  std::string sensor;     // SensorShortName
  std::string start;      // ObservationStartDateTime
  std::string end;        // ObservationEndDateTime
};
// The data credit that follows the GranuleID in the description.
inline constexpr const char* kKmlDataCredit = "Made with KIVO Meriview from the product's data";
// The descriptor of a view's files: the name of the first file's platform and sensor, the
// earliest start and the latest end (the first file wins ties; unreadable times are passed
// over) and, when the first file has a GranuleID, the description naming it. Texts are cut
// to 1023 characters.
KmlDesc kmlDescOf(const std::vector<KmlFileMeta>& files);

// "Save as KML(KMZ)": the name's extension "kml" writes the document with its two images
// beside it, "kmz" one archive, compared exactly; any other extension writes nothing and gives
// kOutBadRequest. The images and document of an archive are made in the program's private
// temporary folder.
int ComOutMapKml(const MapKmlRequest& request, const std::string& path);

}  // namespace kivo::out
