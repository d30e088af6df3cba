#include "app/open_panel/file_list.h"

#include <algorithm>
#include <cstdio>

#include "product_model/catalogue.h"

namespace kivo::app {
namespace {

constexpr int kMapViewLimit = 10;
constexpr const char* kAutomaticTable = "[Automatic]";

// Display names that HDF output accepts.
bool hdfOutputLevel(const std::string& name) {
  return name == "AMSR2 Level 1B" || name == "AMSR2 Level 1R" || name == "AMSR2 Level 2";
}

bool familyAccepts(int family, const std::string& prefix) {
  return family == 0 ? prefix == "AMSR2" : (prefix == "AMSR-" || prefix == "AMSR ");
}

}  // namespace

std::string fileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int channelIndexOf(const std::string& name) {
  for (int c = 0; c < catalogue::kChnlCount; ++c) {
    if (name == catalogue::channelName(c)) return c;
  }
  return 0;
}

std::string fileListName(const std::tm& localTime) {
  char text[40];
  std::snprintf(text, sizeof text, "KIVOFileList_%02d%02d%02d%02d.txt", (localTime.tm_mon + 1) % 100,
                localTime.tm_mday % 100, localTime.tm_hour % 100, localTime.tm_min % 100);
  return text;
}

OpenFileList::OpenFileList(ComPrpCnfInfo& settings, std::array<model::ComPrdctMngmnt*, kProductObjectCount> products)
    : settings_(settings), products_(products) {}

int OpenFileList::init(int family, bool hdfOutput) {
  if (family != 0 && family != 1) return 1;
  for (const model::ComPrdctMngmnt* p : products_) {
    if (p == nullptr) return 1;
  }
  family_ = family;
  hdfOutput_ = hdfOutput;
  return 0;
}

int OpenFileList::maxFileCount() const {
  int value = kMaxFileEntries;
  settings_.ComGetVal(kIdNumReadFiles, &value);
  return std::clamp(value, 1, kMaxFileEntries);
}

std::vector<std::string> OpenFileList::paths() const {
  std::vector<std::string> list;
  for (int i = 0; i < count_; ++i) list.push_back(entries_[static_cast<std::size_t>(i)].path);
  return list;
}

std::string OpenFileList::productWord() const { return productName_.substr(0, productName_.find(' ')); }

std::string OpenFileList::levelWord() const {
  const auto blank = productName_.find(' ');
  return blank == std::string::npos ? std::string() : productName_.substr(blank + 1);
}

int OpenFileList::registerFile(int object, const std::string& path, int& slot, std::string& name, int& projection) {
  model::ComPrdctMngmnt& p = *products_[static_cast<std::size_t>(object)];
  bool held = false;
  std::string heldPath;
  for (int s = 0; s < model::kSlotCount && !held; ++s) held = p.ComGetFilePath(s, heldPath) == 0 && heldPath == path;
  bool known = false;
  const int rc = p.ComOpenPrdctFile(path, slot, name, projection, known);
  // A file whose projection the object already knows is found again without a new user;
  // adding one keeps every entry's release balanced, also when another panel holds the file.
  if (rc == 0 && held && known) p.ComAddRef(slot);
  return rc;
}

void OpenFileList::unregister(OpenFileEntry& entry) {
  for (std::size_t k = 0; k < entry.slots.size(); ++k) {
    if (entry.slots[k] >= 0) products_[k]->ComClosePrdct(entry.slots[k], false);
  }
  entry = OpenFileEntry{};
}

void OpenFileList::checkNewEntries() {
  const ComOutMsgBox box;
  wrongLevelForHdf_ = false;
  int previous = -1;  // the last entry before the current one that holds a file
  for (int i = 0; i < kMaxFileEntries; ++i) {
    OpenFileEntry& e = entries_[static_cast<std::size_t>(i)];
    if (e.registered()) {
      previous = i;
      continue;
    }
    if (e.path.empty()) continue;

    std::string name;
    int projection = -1;
    int rc = registerFile(0, e.path, e.slots[0], name, projection);
    if (rc != 0) {
      if (rc == -2) box.ComDspFileMsg(kMsgNotHdf, e.path);
      else box.ComDspMsg(kMsgMetadataFailed);
      e = OpenFileEntry{};
      continue;
    }
    for (std::size_t k = 1; k < e.slots.size() && rc == 0; ++k) {
      std::string otherName;
      int otherProjection = -1;
      rc = registerFile(static_cast<int>(k), e.path, e.slots[k], otherName, otherProjection);
      if (rc != 0) e.slots[k] = -1;
    }
    if (rc != 0) {
      box.ComDspMsg(kMsgMetadataFailed);
      unregister(e);
      continue;
    }
    const std::string prefix = name.substr(0, 5);
    e.projection = projection;
    if (name == kAmsr2Level3) {
      catalogue::ChannelMask mask{};
      products_[0]->ComGetChnlMask(e.slots[0], mask);
      e.level3Bt = mask[25] != 0 || mask[26] != 0;
    }

    if (followFamily_) {
      followFamily_ = false;
      family_ = prefix == "AMSR2" ? 0 : 1;
    }
    const bool familyOk = familyAccepts(family_, prefix);
    const bool wrongForHdf = familyOk && hdfOutput_ && !hdfOutputLevel(name);
    if (wrongForHdf) wrongLevelForHdf_ = true;

    MsgCode levelFailure = 0;
    if (familyOk && !name.empty()) {
      if (!productName_.empty() && name != productName_) {
        levelFailure = kMsgOtherLevel;
      } else if (catalogue::isLevel3(name) && previous >= 0) {
        const OpenFileEntry& p = entries_[static_cast<std::size_t>(previous)];
        if (e.projection != p.projection) levelFailure = kMsgOtherProjection;
        else if (e.level3Bt != p.level3Bt) levelFailure = kMsgOtherLevel;
      }
    }

    if (!familyOk) box.ComDspFileMsg(kMsgOtherFamily, e.path);
    else if (levelFailure == kMsgOtherProjection) box.ComDspMsg(kMsgOtherProjection);
    else if (levelFailure == kMsgOtherLevel) box.ComDspFileMsg(kMsgOtherLevel, e.path);
    else if (wrongForHdf) box.ComDspMsg(kMsgNotForHdfOutput);
    if (!familyOk || levelFailure != 0 || wrongForHdf) {
      unregister(e);
      continue;
    }

    // The list takes the level of its first accepted file.
    if (productName_.empty()) productName_ = name;
    mapMode_ = std::max(0, e.projection);
    products_[0]->ComGetObsDateTime(e.slots[0], e.startDate, e.startTime);
    products_[0]->ComGetObsEndDateTime(e.slots[0], e.endDate, e.endTime);
    previous = i;
  }
  followFamily_ = false;
}

void OpenFileList::compact(bool& fullShown) {
  std::vector<OpenFileEntry> kept;
  for (OpenFileEntry& e : entries_) {
    if (e.registered()) kept.push_back(e);
    e = OpenFileEntry{};
  }
  const std::size_t limit = static_cast<std::size_t>(maxFileCount());
  if (kept.size() > limit) {
    for (std::size_t i = limit; i < kept.size(); ++i) unregister(kept[i]);
    kept.resize(limit);
    if (!fullShown) ComOutMsgBox().ComDspMsg(kMsgListFull);
    fullShown = true;
  }
  std::copy(kept.begin(), kept.end(), entries_.begin());
  count_ = static_cast<int>(kept.size());
  if (count_ == 0) productName_.clear();
}

int OpenFileList::add(const std::vector<std::string>& paths) {
  const int before = count_;
  bool fullShown = false;
  int next = count_;
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    if (next >= kMaxFileEntries) {
      ComOutMsgBox().ComDspMsg(kMsgListFull);
      fullShown = true;
      break;
    }
    entries_[static_cast<std::size_t>(next)] = OpenFileEntry{};
    entries_[static_cast<std::size_t>(next)].path = path;
    ++next;
  }
  checkNewEntries();
  compact(fullShown);
  updateImageTitle();
  return std::max(0, count_ - before);
}

int OpenFileList::remove(int index) {
  if (index < 0 || index >= count_) return 1;
  unregister(entries_[static_cast<std::size_t>(index)]);
  bool fullShown = false;
  compact(fullShown);
  updateImageTitle();
  return 0;
}

void OpenFileList::releaseAll() {
  for (OpenFileEntry& e : entries_) unregister(e);
  count_ = 0;
  productName_.clear();
}

ChannelListKind OpenFileList::channelListKind() const {
  if (count_ == 0) return ChannelListKind::kEmpty;
  const OpenFileEntry& first = entries_[0];
  if (productName_ == kAmsr2Level3 && first.level3Bt) return ChannelListKind::kChannelAtFile;
  catalogue::ChannelMask mask{};
  products_[0]->ComGetChnlMask(first.slots[0], mask);
  const bool onlyZero = mask[0] != 0 && std::count(mask.begin() + 1, mask.end(), 0) == catalogue::kChnlCount - 1;
  return onlyZero ? ChannelListKind::kFiles : ChannelListKind::kChannels;
}

std::vector<std::string> OpenFileList::channelItems() const {
  std::vector<std::string> items;
  const ChannelListKind kind = channelListKind();
  if (kind == ChannelListKind::kEmpty) return items;
  catalogue::ChannelMask mask{};
  products_[0]->ComGetChnlMask(entries_[0].slots[0], mask);
  if (kind == ChannelListKind::kFiles) {
    for (int i = 0; i < count_; ++i) items.push_back(fileNameOf(entries_[static_cast<std::size_t>(i)].path));
  } else if (kind == ChannelListKind::kChannelAtFile) {
    for (int i = 0; i < count_; ++i) {
      const std::string file = fileNameOf(entries_[static_cast<std::size_t>(i)].path);
      for (int c = 0; c < catalogue::kChnlCount; ++c) {
        if (mask[static_cast<std::size_t>(c)] != 0) items.push_back(std::string(catalogue::channelName(c)) + "@" + file);
      }
    }
  } else {
    for (int c = 1; c < catalogue::kChnlCount; ++c) {
      if (mask[static_cast<std::size_t>(c)] != 0) items.emplace_back(catalogue::channelName(c));
    }
  }
  return items;
}

std::string OpenFileList::imageTitle() const {
  if (count_ == 0) return {};
  std::string title = fileNameOf(entries_[0].path);
  if (count_ > 1) title += " etc";
  return title;
}

void OpenFileList::updateImageTitle() { settings_.ComSetStr(kIdImgTitle, imageTitle()); }

int OpenFileList::checkOpen(int mapViewCount) {
  const ComOutMsgBox box;
  const int limit = maxFileCount();
  settings_.ComWriteCnf();
  settings_.ComReadCnf();
  MsgCode refusal = 0;
  if (count_ > limit) refusal = kMsgListFull;
  else if (hdfOutput_ && wrongLevelForHdf_) refusal = kMsgNotForHdfOutput;
  else if (mapViewCount >= kMapViewLimit) refusal = kMsgTooManyViews;
  if (refusal != 0) box.ComDspMsg(refusal);
  return static_cast<int>(refusal);
}

int OpenFileList::entryOfFile(const std::string& fileName) const {
  for (int i = 0; i < count_; ++i) {
    if (fileNameOf(entries_[static_cast<std::size_t>(i)].path) == fileName) return i;
  }
  return -1;
}

int OpenFileList::loadChannels(const ChannelSelection& selection, OpenedProduct& product) {
  const ComOutMsgBox box;
  product = OpenedProduct{};
  if (count_ == 0) return 1;
  const int objects = selection.composite ? kProductObjectCount : 1;
  product.composite = selection.composite;
  product.level3 = catalogue::isLevel3(productName_);
  product.level3Bt = entries_[0].level3Bt;
  product.mapMode = mapMode_;

  if (product.level3) {
    // Level 3: each colour shows one file, named by the selected item.
    std::string title;
    for (int k = 0; k < objects; ++k) {
      const std::string& text = selection.texts[static_cast<std::size_t>(k)];
      int chnl = 0;
      std::string file = text;
      if (product.level3Bt) {
        const auto at = text.find('@');
        chnl = at == std::string::npos ? 0 : channelIndexOf(text.substr(0, at));
        file = at == std::string::npos ? std::string() : text.substr(at + 1);
      }
      const int index = entryOfFile(file);
      if (index < 0 || (product.level3Bt && chnl == 0)) {
        box.ComDspMsg(kMsgMetadataFailed);
        return static_cast<int>(kMsgMetadataFailed);
      }
      OpenFileEntry& e = entries_[static_cast<std::size_t>(index)];
      if (!product.level3Bt) e.channels = {0, 0, 0};
      const int slot = e.slots[static_cast<std::size_t>(k)];
      if (products_[static_cast<std::size_t>(k)]->ComLoadChnl(slot, chnl) != 0) {
        box.ComDspMsg(kMsgMetadataFailed);
        return static_cast<int>(kMsgMetadataFailed);
      }
      e.channels[static_cast<std::size_t>(k)] = chnl;
      product.slots[static_cast<std::size_t>(k)].push_back(slot);
      product.channels[static_cast<std::size_t>(k)] = chnl;
      if (k == 0) title = fileNameOf(e.path);
    }
    if (!product.level3Bt) settings_.ComSetStr(kIdImgTitle, selection.composite ? title + " etc" : title);
    return 0;
  }

  std::array<int, kProductObjectCount> chnl{0, 0, 0};
  for (int k = 0; k < objects; ++k) {
    chnl[static_cast<std::size_t>(k)] = channelIndexOf(selection.texts[static_cast<std::size_t>(k)]);
  }
  for (int i = 0; i < count_; ++i) {
    OpenFileEntry& e = entries_[static_cast<std::size_t>(i)];
    std::array<bool, kProductObjectCount> loadedNow{false, false, false};
    for (int k = 0; k < objects; ++k) {
      const auto ku = static_cast<std::size_t>(k);
      model::ComPrdctMngmnt& p = *products_[ku];
      const bool present = p.ComGetPointCount(e.slots[ku], chnl[ku]) >= 0;
      if (p.ComLoadChnl(e.slots[ku], chnl[ku]) != 0) {
        box.ComDspMsg(kMsgLoadFailed);
        // Only what this Open loaded is let go: an earlier view may show the rest.
        for (int j = 0; j < k; ++j) {
          const auto ju = static_cast<std::size_t>(j);
          if (loadedNow[ju]) products_[ju]->ComResetGrid(e.slots[ju], chnl[ju]);
        }
        return static_cast<int>(kMsgLoadFailed);
      }
      loadedNow[ku] = !present;
      e.channels[ku] = chnl[ku];
      product.slots[ku].push_back(e.slots[ku]);
    }
  }
  product.channels = chnl;
  return 0;
}

void OpenFileList::startMesh(bool composite) {
  const int objects = composite ? kProductObjectCount : 1;
  for (int k = 0; k < objects; ++k) products_[static_cast<std::size_t>(k)]->ComStartMesh();
}

BtchOpnRec OpenFileList::openRecord(const ChannelSelection& selection, const std::tm& localTime) const {
  BtchOpnRec record;
  record.productWord = productWord();
  record.levelWord = levelWord();
  record.composite = selection.composite ? 1 : 0;
  const int used = selection.composite ? kProductObjectCount : 1;
  for (int k = 0; k < used; ++k) record.channels[k] = selection.texts[static_cast<std::size_t>(k)];
  record.tableGiven = !selection.tableText.empty() && selection.tableText != kAutomaticTable;
  if (record.tableGiven) record.tableName = selection.tableText;
  record.fileListName = fileListName(localTime);
  for (int i = 0; i < count_; ++i) record.fileListText += entries_[static_cast<std::size_t>(i)].path + "\r\n";
  record.view = viewFlag_;
  return record;
}

}  // namespace kivo::app
