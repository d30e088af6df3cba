#pragma once

// The list of a file open panel without its widgets: the files of one family and level
// registered with the three product objects, the checks that refuse files that do not fit,
// the items of the channel lists, the image title, and the steps of Open that load the
// channels and describe the product and the open record.

#include <array>
#include <ctime>
#include <string>
#include <vector>

#include "app/batch/batch_records.h"
#include "app/messages.h"
#include "app/settings/settings_store.h"
#include "product_model/product_object.h"

namespace kivo::app {

inline constexpr int kMaxFileEntries = 30;
inline constexpr int kProductObjectCount = 3;

// Messages of the list and of Open.
inline constexpr MsgCode kMsgNotHdf = 2;             // with the path
inline constexpr MsgCode kMsgOtherLevel = 3;         // with the path
inline constexpr MsgCode kMsgOtherFamily = 4;        // with the path
inline constexpr MsgCode kMsgMetadataFailed = 23;
inline constexpr MsgCode kMsgNoMapView = 26;
inline constexpr MsgCode kMsgTooManyViews = 31;
inline constexpr MsgCode kMsgListFull = 32;
inline constexpr MsgCode kMsgNotForHdfOutput = 36;
inline constexpr MsgCode kMsgOtherProjection = 39;
inline constexpr MsgCode kMsgLoadFailed = 40;

inline constexpr const char* kAmsr2Level3 = "AMSR2 Level 3";

struct OpenFileEntry {
  std::array<int, kProductObjectCount> slots{-1, -1, -1};  // per product object; -1: entry free
  std::string path;
  std::array<int, kProductObjectCount> channels{0, 0, 0};  // channel loaded per product object
  int projection = -1;
  bool level3Bt = false;  // an AMSR2 Level 3 brightness-temperature product
  std::string startDate, startTime, endDate, endTime;

  bool registered() const { return slots[0] >= 0; }
};

// How the channel lists are filled.
enum class ChannelListKind {
  kEmpty,          // no file
  kChannels,       // the channel names the products offer
  kFiles,          // products without channel choice: one file name per file
  kChannelAtFile,  // AMSR2 Level 3 brightness temperature: "channel@file" per file and channel
};

// What the user chose in the panel's lists.
struct ChannelSelection {
  bool composite = false;
  std::array<std::string, kProductObjectCount> texts;  // single: [0]; composite: red, green, blue
  std::string tableText;                                // the colour-table list's item
};

// What Open loaded, for the map view.
struct OpenedProduct {
  std::array<std::vector<int>, kProductObjectCount> slots;  // per product object, display order
  std::array<int, kProductObjectCount> channels{0, 0, 0};
  bool composite = false;
  bool level3 = false;
  bool level3Bt = false;
  int mapMode = 0;
};

// The file name of a path (the text after its last '/').
std::string fileNameOf(const std::string& path);
// The index of a channel name, 0 for a text that names no channel (the empty text among them).
int channelIndexOf(const std::string& name);
// "KIVOFileList_MMDDhhmm.txt" of a local time.
std::string fileListName(const std::tm& localTime);

class OpenFileList {
 public:
  OpenFileList(ComPrpCnfInfo& settings, std::array<model::ComPrdctMngmnt*, kProductObjectCount> products);
  OpenFileList(const OpenFileList&) = delete;
  OpenFileList& operator=(const OpenFileList&) = delete;

  // Family 0 AMSR2 or 1 AMSR/AMSR-E and the HDF output mode: 0, or 1 for another family or
  // missing product objects.
  int init(int family, bool hdfOutput);
  int family() const { return family_; }
  bool hdfOutput() const { return hdfOutput_; }
  // The next checked file that registers decides the family (files given on the command line).
  void followFamilyOfFirstFile() { followFamily_ = true; }

  // Setting NumReadFiles, read again on every call.
  int maxFileCount() const;
  int count() const { return count_; }
  bool full() const { return count_ >= maxFileCount(); }

  // Appends the paths to the free entries, checks the new entries and compacts the list;
  // refused files are reported and dropped. Message 32 is shown at most once per call.
  // Returns the number of files accepted.
  int add(const std::vector<std::string>& paths);
  // Unregisters entry `index` and compacts the list: 0, or 1 for no such entry.
  int remove(int index);
  // Unregisters every entry from the three product objects and empties the list.
  void releaseAll();

  const OpenFileEntry& entry(int index) const { return entries_[static_cast<std::size_t>(index)]; }
  std::vector<std::string> paths() const;
  // The display name shared by the files ("AMSR2 Level 1B"), split at its first blank.
  const std::string& productName() const { return productName_; }
  std::string productWord() const;
  std::string levelWord() const;
  bool wrongLevelForHdf() const { return wrongLevelForHdf_; }
  int mapMode() const { return mapMode_; }
  void setMapMode(int mode) { mapMode_ = mode; }
  bool viewFlag() const { return viewFlag_; }
  void setViewFlag(bool view) { viewFlag_ = view; }

  ChannelListKind channelListKind() const;
  // The items of the single list and of each of the red, green and blue lists.
  std::vector<std::string> channelItems() const;
  // The first file's name, with " etc" when the list holds more than one file.
  std::string imageTitle() const;
  // Writes the image title into setting 42.
  void updateImageTitle();

  // The refusals of Open, after writing and reading back the settings: 32, 36 or 31 shown
  // and returned, or 0.
  int checkOpen(int mapViewCount);
  // Loads the chosen channels: 0, or the message shown (40 swath products, 23 Level 3).
  int loadChannels(const ChannelSelection& selection, OpenedProduct& product);
  // Starts the gap filling of the product objects a product uses.
  void startMesh(bool composite);
  BtchOpnRec openRecord(const ChannelSelection& selection, const std::tm& localTime) const;

 private:
  int registerFile(int object, const std::string& path, int& slot, std::string& name, int& projection);
  void unregister(OpenFileEntry& entry);
  void checkNewEntries();
  void compact(bool& fullShown);
  int entryOfFile(const std::string& fileName) const;

  ComPrpCnfInfo& settings_;
  std::array<model::ComPrdctMngmnt*, kProductObjectCount> products_;
  int family_ = 0;
  bool hdfOutput_ = false;
  bool followFamily_ = false;
  std::array<OpenFileEntry, kMaxFileEntries> entries_{};
  int count_ = 0;
  std::string productName_;
  bool wrongLevelForHdf_ = false;
  int mapMode_ = 0;
  bool viewFlag_ = true;
};

}  // namespace kivo::app
