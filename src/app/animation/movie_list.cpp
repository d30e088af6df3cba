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
#include "app/open_panel/file_list.h"
#include "colour/table_chooser.h"
#include "export/movie_output.h"
#include "product_model/catalogue.h"

namespace kivo::app {
namespace {

constexpr std::size_t kMaxPathBytes = 260;

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

std::string movieOutputPath(const std::string& chosen, int kind) {
  const char* extension = kind == kMovieKml ? ".kml" : kind == kMovieKmz ? ".kmz" : ".avi";
  return chosen.find(extension) == std::string::npos ? chosen + extension : chosen;
}

MovieFileList::MovieFileList(CMainFrame& frame, int family) : frame_(frame), family_(family) {}

MovieFileList::~MovieFileList() { releaseAll(); }

int MovieFileList::readMaxFileCount(bool capped) const {
  int value = kMovieListPlaces;
  frame_.settings().ComGetVal(kIdNumReadFiles, &value);
  return capped ? std::min(value, kMovieListPlaces) : value;
}

std::vector<std::string> MovieFileList::paths() const {
  std::vector<std::string> list;
  for (const MovFileEntry& e : entries_) list.push_back(e.path);
  return list;
}

std::string MovieFileList::productWord() const { return productName_.substr(0, productName_.find(' ')); }

std::string MovieFileList::levelWord() const {
  const std::size_t space = productName_.find(' ');
  return space == std::string::npos ? std::string() : productName_.substr(space + 1);
}

int MovieFileList::registerFile(const std::string& path, MovFileEntry& entry, std::string& name, int& projection,
                                bool& known) {
  const auto objects = frame_.productObjects();
  int first = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    model::ComPrdctMngmnt& object = *objects[k];
    bool held = false;
    std::string heldPath;
    for (int s = 0; s < model::kSlotCount && !held; ++s) held = object.ComGetFilePath(s, heldPath) == 0 && heldPath == path;
    std::string otherName;
    int otherProjection = -1;
    bool otherKnown = false;
    const int rc = k == 0 ? object.ComOpenPrdctFile(path, entry.slots[k], name, projection, known)
                          : object.ComOpenPrdctFile(path, entry.slots[k], otherName, otherProjection, otherKnown);
    // A file whose projection the object already knows is found again without a new user;
    // adding one keeps every release balanced, also when a view or panel holds the file.
    const bool knownNow = k == 0 ? known : otherKnown;
    if (rc == 0 && held && knownNow) object.ComAddRef(entry.slots[k]);
    if (rc != 0) entry.slots[k] = -1;
    if (k == 0) {
      first = rc;
      if (rc != 0) return rc;
    }
  }
  entry.slot = entry.slots[0];
  return first;
}

void MovieFileList::unregister(MovFileEntry& entry) {
  const auto objects = frame_.productObjects();
  for (std::size_t k = 0; k < 3; ++k) {
    if (entry.slots[k] >= 0) objects[k]->ComClosePrdct(entry.slots[k], false);
  }
  entry = MovFileEntry{};
}

void MovieFileList::releaseAll() {
  for (MovFileEntry& e : entries_) unregister(e);
  entries_.clear();
  emptied();
}

void MovieFileList::emptied() {
  productName_.clear();
  projection_ = -1;
  projectionKnown_ = false;
  channelSlot_ = -1;
  sorting_ = true;
}

std::string MovieFileList::animationTitle() const {
  if (entries_.empty()) return {};
  std::string title = fileNameOf(entries_.front().path);
  if (entries_.size() > 1) title += "_etc";
  return title;
}

void MovieFileList::updateTitle() { frame_.settings().ComSetStr(kIdAnmTitle, animationTitle()); }

std::string MovieFileList::proposedOutputName() const {
  if (entries_.empty()) return {};
  std::string granule;
  frame_.productObjects()[0]->ComGetGranuleID(entries_.front().slot, granule);
  if (entries_.size() > 1) granule += "_etc";
  return granule;
}

bool MovieFileList::offersKml() const {
  return productName_.find("Level 3") != std::string::npos && projection_ == 0;
}

int MovieFileList::add(const std::vector<std::string>& paths, int maximum, bool familyCheck) {
  const ComOutMsgBox box;
  const int limit = std::min(maximum, kMovieListPlaces);
  const auto objects = frame_.productObjects();
  int added = 0;
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    if (count() >= limit) {
      box.ComDspMsg(kMsgListFull);
      break;
    }
    if (path.size() > kMaxPathBytes) {
      box.ComDspMsg(kMsgMetadataFailed);
      break;
    }
    MovFileEntry e;
    e.path = path;
    std::string name;
    int projection = -1;
    bool known = false;
    const int rc = registerFile(path, e, name, projection, known);
    if (rc != 0) {
      if (rc == -2) box.ComDspFileMsg(kMsgNotHdf, path);
      else box.ComDspMsg(kMsgMetadataFailed);
      unregister(e);
      continue;
    }
    const std::string prefix = name.substr(0, 5);
    MsgCode refusal = 0;
    bool withPath = true;
    if (familyCheck && (family_ == 0 ? (prefix == "AMSR-" || prefix == "AMSR ") : prefix == "AMSR2")) {
      refusal = kMsgOtherFamily;
    } else if (name.empty()) {
      refusal = kMsgNotHdf;
    } else if (!entries_.empty() && projection != projection_) {
      refusal = kMsgOtherProjection;
      withPath = false;
    } else if (!entries_.empty() && name != productName_) {
      refusal = kMsgOtherLevel;
    }
    if (refusal != 0) {
      if (withPath) box.ComDspFileMsg(refusal, path);
      else box.ComDspMsg(refusal);
      unregister(e);
      break;
    }
    if (entries_.empty()) {
      productName_ = name;
      projection_ = projection;
      projectionKnown_ = known;
    }
    std::string date, time;
    objects[0]->ComGetObsDateTime(e.slot, date, time);
    e.sortLabel = date + " " + time;
    channelSlot_ = e.slot;
    entries_.push_back(e);
    if (sorting_) {
      // By observation start, comparing UTF-16 code units; equal labels keep their order.
      std::stable_sort(entries_.begin(), entries_.end(), [](const MovFileEntry& a, const MovFileEntry& b) {
        return QString::fromStdString(a.sortLabel).compare(QString::fromStdString(b.sortLabel)) < 0;
      });
    }
    ++added;
    updateTitle();
  }
  return added;
}

int MovieFileList::remove(int index) {
  if (index < 0 || index >= count()) return 1;
  unregister(entries_[static_cast<std::size_t>(index)]);
  entries_.erase(entries_.begin() + index);
  if (entries_.empty()) emptied();
  updateTitle();
  return 0;
}

int MovieFileList::moveUp(int index) {
  sorting_ = false;
  if (count() < 2 || index <= 0 || index >= count()) return index;
  std::swap(entries_[static_cast<std::size_t>(index)], entries_[static_cast<std::size_t>(index - 1)]);
  updateTitle();
  return index - 1;
}

int MovieFileList::moveDown(int index) {
  sorting_ = false;
  if (count() < 2 || index < 0 || index >= count() - 1) return index;
  std::swap(entries_[static_cast<std::size_t>(index)], entries_[static_cast<std::size_t>(index + 1)]);
  updateTitle();
  return index + 1;
}

int MovieFileList::append(const std::string& path, const std::string& expectedName) {
  const auto objects = frame_.productObjects();
  MovFileEntry e;
  e.path = path;
  std::string name;
  int projection = -1;
  bool known = false;
  if (registerFile(path, e, name, projection, known) != 0) {
    unregister(e);
    return -1;
  }
  const bool otherProduct = name != expectedName || (!entries_.empty() && projection != projection_);
  std::string date, time;
  objects[0]->ComGetObsDateTime(e.slot, date, time);
  e.sortLabel = date + " " + time;
  entries_.push_back(e);  // released with the list, also when refused
  if (otherProduct) return kMovOtherProduct;
  channelSlot_ = e.slot;
  if (entries_.size() == 1) {
    productName_ = name;
    projection_ = projection;
    projectionKnown_ = known;
  }
  return 0;
}

std::vector<std::string> MovieFileList::channelItems() const {
  std::vector<std::string> items;
  if (entries_.empty() || channelSlot_ < 0) return items;
  catalogue::ChannelMask mask{};
  frame_.productObjects()[0]->ComGetChnlMask(channelSlot_, mask);
  for (int c = 0; c < catalogue::kChnlCount; ++c) {
    if (mask[static_cast<std::size_t>(c)] != 0) items.emplace_back(catalogue::channelName(c));
  }
  return items;
}

int MovieFileList::ComBtchMake(const BtchMovRec& request, ComPrdctMpDsp** view) {
  if (view != nullptr) *view = nullptr;
  releaseAll();
  sorting_ = false;
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
      ComOutMsgBox().ComDspMsg(kMsgMetadataFailed);
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
    colour::ComClrCmbBar tables;
    tables.ComSetCnfInfo(base, familyOfProductWord(request.productWord));
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
