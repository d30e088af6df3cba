#pragma once

// The list of an animation panel without its widgets: product files of one family and level,
// registered with the three product objects in list order, the channel and table to draw them
// with, and Make, which loads the channel of every file and opens a map view that runs the
// animation writer. The batch runner's OUTMOV drives it through ComBtchMake.

#include <array>
#include <ctime>
#include <string>
#include <vector>

#include "app/batch/batch_records.h"
#include "app/settings/settings_store.h"
#include "product_model/product_object.h"

namespace kivo::app {

class CMainFrame;
class ComPrdctMpDsp;

inline constexpr int kMovieListPlaces = 30;

// Results of ComBtchMake.
inline constexpr int kMovNoList = 1;       // file list unreadable, a path too long, or no file
inline constexpr int kMovOtherProduct = 2;  // a file of another product or projection
inline constexpr int kMovNoChannel = 3;    // the requested channel is missing
inline constexpr int kMovNoTable = 5;      // a colour table was requested but none exists

struct MovFileEntry {
  int slot = -1;        // in product object 0
  std::array<int, 3> slots{-1, -1, -1};
  std::string path;
  std::string sortLabel;  // observation start date and time
};

// "KIVOMovFileList_MMDDhhmm.txt" of a local time.
std::string movieFileListName(const std::tm& localTime);

class MovieFileList {
 public:
  MovieFileList(CMainFrame& frame, int family);
  ~MovieFileList();
  MovieFileList(const MovieFileList&) = delete;
  MovieFileList& operator=(const MovieFileList&) = delete;

  // The batch make of an OUTMOV request: 0 with the view Make opened, or a kMov result.
  int ComBtchMake(const BtchMovRec& request, ComPrdctMpDsp** view);

  // Make: loads the channel of every file into product object 0, opens a map view that runs
  // the animation into `outputPath` and records the OUTMOV line: 0, or the message shown.
  int make(const std::string& outputPath);

  const std::vector<MovFileEntry>& entries() const { return entries_; }
  const std::string& productName() const { return productName_; }
  std::vector<std::string> channelItems() const;
  void setChannel(const std::string& name) { channel_ = name; }
  void setTable(int position, const std::string& name) {
    tablePosition_ = position;
    tableName_ = name;
  }
  // Unregisters every file from the three product objects.
  void releaseAll();

 private:
  // Checks and appends one file: 0, -1 skipped (not registered), or kMovOtherProduct.
  int append(const std::string& path, const std::string& expectedName);

  CMainFrame& frame_;
  int family_;
  std::vector<MovFileEntry> entries_;
  std::string productName_;
  int projection_ = -1;
  bool projectionKnown_ = false;
  std::string channel_;
  int tablePosition_ = 0;
  std::string tableName_;
  ComPrdctMpDsp* lastView_ = nullptr;
};

}  // namespace kivo::app
