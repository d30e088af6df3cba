#include "app/view_settings.h"

namespace kivo::app {
namespace {

bool flag(const ComPrpCnfInfo& s, int id) {
  bool v = false;
  s.ComGetFlg(id, &v);
  return v;
}
int value(const ComPrpCnfInfo& s, int id) {
  int v = 0;
  s.ComGetVal(id, &v);
  return v;
}

}  // namespace

map::MapLayerSettings mapLayerSettings(const ComPrpCnfInfo& s) {
  map::MapLayerSettings m;
  m.coast = flag(s, kIdShrIndiFlg);
  m.coastColour = static_cast<colour::Colour>(value(s, kIdShrIndClr));
  m.coastPenWidth = value(s, kIdPenWidth);
  m.background = flag(s, kIdBckIndiFlg);
  m.backgroundColour = static_cast<colour::Colour>(value(s, kIdBckIndiClr));
  m.latLon = flag(s, kIdLatLonIndiFlg);
  m.latLonColour = static_cast<colour::Colour>(value(s, kIdLatLonIndiClr));
  m.latLonPenWidth = value(s, kIdPenWidth2);
  m.latLonMode = flag(s, kIdLatLonMode);
  m.latWidth = value(s, kIdLatWidth);
  m.lonWidth = value(s, kIdLonWidth);
  m.equator = flag(s, kIdQuaIndiFlg);
  m.equatorColour = static_cast<colour::Colour>(value(s, kIdQuaIndiClr));
  m.mapMode = value(s, kIdMapMode);
  return m;
}

colour::ColourBarSettings colourBarSettings(const ComPrpCnfInfo& s) {
  return colour::ColourBarSettings{flag(s, kIdExpIndiFlg), flag(s, kIdExpIndiRevFlg)};
}

bool coastlineInFront(const ComPrpCnfInfo& s) { return flag(s, kIdDrwSherLine); }

std::string mapFile(const ComPrpCnfInfo& s, int id) {
  std::string path;
  s.ComGetStr(id, &path);
  return path;
}

out::MovieSettings movieSettings(const ComPrpCnfInfo& s) {
  out::MovieSettings m;
  m.frameRate = value(s, kIdFrmRtNum);
  m.titleShown = flag(s, kIdAnmOutTtlIndiFlg);
  m.titlePosition = value(s, kIdAnmOutTtlIndiPnt);
  s.ComGetStr(kIdAnmTitle, &m.title);
  m.fileNameShown = flag(s, kIdAnmOutFileNameFlg);
  m.fileNamePosition = value(s, kIdAnmOutFileNamePnt);
  m.colourBar = colourBarSettings(s);
  m.protectLayers = coastlineInFront(s);
  m.coastColour = static_cast<colour::Colour>(value(s, kIdShrIndClr));
  m.latLonColour = static_cast<colour::Colour>(value(s, kIdLatLonIndiClr));
  m.equatorColour = static_cast<colour::Colour>(value(s, kIdQuaIndiClr));
  return m;
}

map::ViewPaintSettings viewPaintSettings(const ComPrpCnfInfo& s) {
  return map::ViewPaintSettings{mapLayerSettings(s), coastlineInFront(s), colourBarSettings(s)};
}

}  // namespace kivo::app
