#include "app/animation/movie_list.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/batch/batch_history.h"
#include "app/batch/batch_language.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "colour/table_chooser.h"
#include "export/movie_output.h"
#include "product_model/catalogue.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgMetadata = 23;
constexpr MsgCode kMsgLoadFailed = 40;
constexpr std::size_t kMaxPathBytes = 260;

std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isLevel3Name(const std::string& name) {
  return name == "AMSR-E Level 3" || name == "AMSR2 Level 3" || name == "AMSR Level 3";
}

}  // namespace

std::string movieFileListName(const std::tm& t) {
  char text[48];
  std::snprintf(text, sizeof text, "KIVOMovFileList_%02d%02d%02d%02d.txt", (t.tm_mon + 1) % 100, t.tm_mday % 100,
                t.tm_hour % 100, t.tm_min % 100);
  return text;
}

MovieFileList::MovieFileList(CMainFrame& frame, int family) : frame_(frame), family_(family) {}

MovieFileList::~MovieFileList() { releaseAll(); }

void MovieFileList::releaseAll() {
  const auto objects = frame_.productObjects();
  for (MovFileEntry& e : entries_) {
    for (std::size_t k = 0; k < 3; ++k) {
      if (e.slots[k] >= 0) objects[k]->ComClosePrdct(e.slots[k], false);
    }
  }
  entries_.clear();
  productName_.clear();
}

int MovieFileList::append(const std::string& path, const std::string& expectedName) {
  const auto objects = frame_.productObjects();
  MovFileEntry e;
  e.path = path;
  std::string name;
  int projection = -1;
  bool known = false;
  if (objects[0]->ComOpenPrdctFile(path, e.slots[0], name, projection, known) != 0) return -1;
  for (std::size_t k = 1; k < 3; ++k) {
    std::string other;
    int otherProjection = -1;
    bool otherKnown = false;
    if (objects[k]->ComOpenPrdctFile(path, e.slots[k], other, otherProjection, otherKnown) != 0) e.slots[k] = -1;
  }
  e.slot = e.slots[0];
  const bool otherProduct = name != expectedName || (!entries_.empty() && projection != projection_);
  std::string date, time;
  objects[0]->ComGetObsDateTime(e.slot, date, time);
  e.sortLabel = date + " " + time;
  entries_.push_back(e);  // released with the list, also when refused
  if (otherProduct) return kMovOtherProduct;
  if (entries_.size() == 1) {
    productName_ = name;
    projection_ = projection;
    projectionKnown_ = known;
  }
  return 0;
}

std::vector<std::string> MovieFileList::channelItems() const {
  std::vector<std::string> items;
  if (entries_.empty()) return items;
  catalogue::ChannelMask mask{};
  frame_.productObjects()[0]->ComGetChnlMask(entries_.back().slot, mask);
  for (int c = 0; c < catalogue::kChnlCount; ++c) {
    if (mask[static_cast<std::size_t>(c)] != 0) items.emplace_back(catalogue::channelName(c));
  }
  return items;
}

int MovieFileList::ComBtchMake(const BtchMovRec& request, ComPrdctMpDsp** view) {
  if (view != nullptr) *view = nullptr;
  releaseAll();
  std::string listPath = request.fileListName;
  if (listPath.empty() || listPath.front() != '/') listPath = frame_.programFolder() + "Batch/" + listPath;
  std::error_code ec;
  if (std::filesystem::is_directory(listPath, ec)) return kMovNoList;
  std::ifstream in(listPath, std::ios::binary);
  if (!in) return kMovNoList;

  const std::string channel = request.composite == 0 ? channelNameOfCode(request.channels[0]) : std::string();
  const std::string expected = request.productWord + " " + request.levelWord;
  std::string line;
  // The writer draws at most 10 files; a longer list is refused rather than cut short.
  for (int n = 0; n < 4 * kMovieListPlaces && std::getline(in, line); ++n) {
    const std::size_t cr = line.find('\r');
    if (cr != std::string::npos) line.resize(cr);
    if (line.empty()) continue;
    if (line.size() > kMaxPathBytes) {
      ComOutMsgBox().ComDspMsg(kMsgMetadata);
      return kMovNoList;
    }
    if (static_cast<int>(entries_.size()) >= out::kMovieMaxFiles) return kMovOtherProduct;
    const int rc = append(line, expected);
    if (rc < 0) continue;
    if (rc != 0) return rc;
    if (request.composite == 0) {
      const std::vector<std::string> items = channelItems();
      if (std::find(items.begin(), items.end(), channel) == items.end()) return kMovNoChannel;
      channel_ = channel;
    }
  }
  if (entries_.empty()) return kMovNoList;
  frame_.settings().ComSetStr(kIdAnmTitle, fileNameOf(entries_.front().path));

  tablePosition_ = 0;
  tableName_.clear();
  if (request.tableGiven) {
    std::string base;
    frame_.settings().ComGetStr(kIdDefFile, &base);
    const bool amsr2 = QString::fromStdString(request.productWord).compare(QStringLiteral("AMSR2"), Qt::CaseInsensitive) == 0;
    colour::ComClrCmbBar tables;
    tables.ComSetCnfInfo(base, amsr2 ? 0 : 1);
    tables.ComFillTblList(colour::kKindColourTable);
    const std::vector<std::string>& list = tables.entries();
    if (list.size() <= 1) return kMovNoTable;
    const auto found = std::find(list.begin() + 1, list.end(), request.tableName);
    if (found != list.end()) {
      tablePosition_ = static_cast<int>(found - list.begin());
      tableName_ = request.tableName;
    }
  }

  std::string folder;
  frame_.settings().ComGetStr(kIdOutputDirMovie, &folder);
  if (folder.empty() || folder.front() != '/') folder = frame_.programFolder() + folder;
  std::string output = request.path;
  if (output.empty() || output.front() != '/') output = folder + "/" + request.path;
  std::filesystem::create_directories(std::filesystem::path(output).parent_path(), ec);
  const int made = make(output);
  if (made != 0) return made;
  if (view != nullptr) *view = lastView_;
  return 0;
}

int MovieFileList::make(const std::string& outputPath) {
  lastView_ = nullptr;
  if (frame_.mapViewCount() >= kMaxMapViews || entries_.empty()) return kMovNoList;
  model::ComPrdctMngmnt& object = *frame_.productObjects()[0];
  const int chnl = [this] {
    for (int c = 0; c < catalogue::kChnlCount; ++c) {
      if (!channel_.empty() && channel_ == catalogue::channelName(c)) return c;
    }
    return 0;
  }();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (object.ComLoadChnl(entries_[i].slot, chnl) != 0) {
      ComOutMsgBox().ComDspMsg(kMsgLoadFailed);
      for (std::size_t j = i + 1; j-- > 0;) object.ComResetGrid(entries_[j].slot, chnl);
      return static_cast<int>(kMsgLoadFailed);
    }
  }
  if (!isLevel3Name(productName_)) object.ComStartMesh();

  std::string title;
  frame_.settings().ComGetStr(kIdAnmTitle, &title);
  ComPrdctMpDsp* view = frame_.openMapView(QString::fromStdString(title), true);
  if (view == nullptr) return static_cast<int>(kMsgLoadFailed);
  ComPrdctMpDsp::ViewProduct product;
  for (const MovFileEntry& e : entries_) product.slots[0].push_back(e.slot);
  product.channels[0] = chnl;
  product.mapMode = projection_ >= 0 ? projection_ : 0;
  product.fixedProjection = isLevel3Name(productName_);
  product.tableChoice = tablePosition_;
  if (view->ComSetViewPrdct(product) != 0) return static_cast<int>(kMsgLoadFailed);
  view->ComSetAnimation(outputPath);
  lastView_ = view;

  BtchMovRec record;
  const std::size_t space = productName_.find(' ');
  record.productWord = productName_.substr(0, space);
  record.levelWord = space == std::string::npos ? std::string() : productName_.substr(space + 1);
  const std::string ext = std::filesystem::path(outputPath).extension().string();
  record.format = ext == ".kml" ? 1 : ext == ".kmz" ? 2 : 0;
  record.channels[0] = channel_;
  record.tableGiven = tablePosition_ != 0;
  record.tableName = record.tableGiven ? tableName_ : std::string();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  record.fileListName = movieFileListName(local);
  for (const MovFileEntry& e : entries_) record.fileListText += e.path + "\r\n";
  record.path = fileNameOf(outputPath);
  frame_.batchHistory().addMovie(record);
  return 0;
}

}  // namespace kivo::app
