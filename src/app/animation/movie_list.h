#pragma once

// The list of an animation panel without its widgets: product files of one family and level,
// registered with the three product objects in list order, the channel and table to draw them
// with, and Make, which loads the channel of every file and opens a map view that runs the
// animation writer. The panel adds, removes and moves files through it; the batch runner's
// OUTMOV drives it through ComBtchMake.

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

// Output kinds of Ref, in the order of the save dialog's filters.
inline constexpr int kMovieAvi = 0;
inline constexpr int kMovieKml = 1;
inline constexpr int kMovieKmz = 2;

struct MovFileEntry {
  int slot = -1;        // in product object 0
  std::array<int, 3> slots{-1, -1, -1};
  std::string path;
  std::string sortLabel;  // observation start date and time
};

// "KIVOMovFileList_MMDDhhmm.txt" of a local time.
std::string movieFileListName(const std::tm& localTime);
// The output path Ref delivers for the chosen filter: ".avi", ".kml" or ".kmz" appended unless
// the path already contains that text somewhere (case-sensitive).
std::string movieOutputPath(const std::string& chosen, int kind);

class MovieFileList {
 public:
  MovieFileList(CMainFrame& frame, int family);
  ~MovieFileList();
  MovieFileList(const MovieFileList&) = delete;
  MovieFileList& operator=(const MovieFileList&) = delete;

  int family() const { return family_; }
  void setFamily(int family) { family_ = family; }
  // Setting NumReadFiles; capped at the list's 30 places when `capped`.
  int readMaxFileCount(bool capped) const;

  // Checks and appends files in order, showing the message of each refusal: a path too long,
  // another family (only with `familyCheck`), an empty display name, another projection or
  // another level stops the operation; a file that cannot be registered is skipped. Files
  // beyond `maximum` are not added and message 32 is shown once. Returns the files added.
  int add(const std::vector<std::string>& paths, int maximum, bool familyCheck);
  // Unregisters entry `index`: 0, or 1 for no such entry.
  int remove(int index);
  // Swaps entry `index` with the one above (Up) or below (Dn); sorting stops until the list is
  // empty again. Returns the entry's new index (unchanged when it cannot move).
  int moveUp(int index);
  int moveDown(int index);
  bool sorting() const { return sorting_; }

  // The batch make of an OUTMOV request: 0 with the view Make opened, or a kMov result.
  int ComBtchMake(const BtchMovRec& request, ComPrdctMpDsp** view);

  // Make: loads the channel of every file into product object 0, opens a map view that runs
  // the animation into `outputPath` and records the OUTMOV line: 0, or the message shown.
  int make(const std::string& outputPath);
  ComPrdctMpDsp* lastView() const { return lastView_; }

  int count() const { return static_cast<int>(entries_.size()); }
  const std::vector<MovFileEntry>& entries() const { return entries_; }
  std::vector<std::string> paths() const;
  const std::string& productName() const { return productName_; }
  std::string productWord() const;
  std::string levelWord() const;
  int projection() const { return projection_; }
  // The channels the last added file offers, in index order.
  std::vector<std::string> channelItems() const;
  // The first file's name, with "_etc" when the list holds more than one file (setting 41).
  std::string animationTitle() const;
  // The output name Ref proposes: the first file's GranuleID, with "_etc" for two or more.
  std::string proposedOutputName() const;
  // KML and KMZ series are offered for equirectangular Level 3 lists.
  bool offersKml() const;

  void setChannel(const std::string& name) { channel_ = name; }
  void setTable(int position, const std::string& name) {
    tablePosition_ = position;
    tableName_ = name;
  }
  // Unregisters every file from the three product objects.
  void releaseAll();

 private:
  // Registers `path` with the three product objects into `entry`: the result of product
  // object 0's registration.
  int registerFile(const std::string& path, MovFileEntry& entry, std::string& name, int& projection, bool& known);
  void unregister(MovFileEntry& entry);
  // Checks and appends one file for the batch make: 0, -1 skipped (not registered), or
  // kMovOtherProduct.
  int append(const std::string& path, const std::string& expectedName);
  void emptied();
  void updateTitle();

  CMainFrame& frame_;
  int family_;
  std::vector<MovFileEntry> entries_;
  bool sorting_ = true;
  std::string productName_;
  int projection_ = -1;
  bool projectionKnown_ = false;
  int channelSlot_ = -1;  // the last added file's slot in product object 0
  std::string channel_;
  int tablePosition_ = 0;
  std::string tableName_;
  ComPrdctMpDsp* lastView_ = nullptr;
};

}  // namespace kivo::app
