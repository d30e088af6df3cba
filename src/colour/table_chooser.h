#pragma once

// The logic of the table chooser bar: the list of tables of the product family's sample
// folder, the current selection and loading the chosen table.

#include <functional>
#include <string>
#include <vector>

#include "colour/colour_table.h"
#include "colour/table_files.h"
#include "colour/table_statistics.h"

namespace kivo::colour {

inline constexpr const char* kAutomaticEntry = "[Automatic]";
inline constexpr const char* kColourTableLabel = "擬似カラーテーブル";
inline constexpr const char* kLookupTableLabel = "ルックアップテーブル";
inline constexpr int kFamilyAmsr2 = 0;
inline constexpr int kFamilyAmsrE = 1;
inline constexpr int kKindColourTable = 0;
inline constexpr int kKindLookupTable = 1;

// "AMSR2" when the display name contains it, "AMSR_AMSR-E" otherwise.
std::string familyFolderOf(const std::string& displayName);

class ComClrCmbBar {
 public:
  // The folder of the sample tables (setting DEF_FILE) and the product family (0 AMSR2,
  // 1 AMSR/AMSR-E); 2 for another family. Detaches the table and forgets the selection.
  // `onReverse` receives the colour bar direction a colour table file sets.
  int ComSetCnfInfo(const std::string& baseFolder, int family, std::function<void(bool)> onReverse = {});
  int ComSetTblMng(ComClrTblMng* table, const TableStatistics* statistics);  // 2 when either is missing
  int ComFillTblList(int kind);  // 0 colour tables, 1 look-up tables; 2 otherwise
  // Selects an entry as the user does, but asks for no redraw.
  int ComSelTbl(int index) { return select(index, false); }
  // A user's choice: loads the entry and asks the active view to redraw ("KIVO_PREVIEW").
  int choose(int index) { return select(index, true); }
  void setPreviewRequest(std::function<void()> onPreview) { onPreview_ = std::move(onPreview); }

  const std::vector<std::string>& entries() const { return entries_; }
  int selection() const { return selection_; }
  const std::string& label() const { return label_; }
  // Folder of the listed tables, with a trailing '/'.
  std::string tableFolder() const;
  // Title and direction the last loaded colour table file gave.
  const TableFileExtras& lastExtras() const { return extras_; }

 private:
  int select(int index, bool user);

  std::string base_;
  int family_ = kFamilyAmsr2;
  int kind_ = kKindColourTable;
  ComClrTblMng* table_ = nullptr;
  const TableStatistics* statistics_ = nullptr;
  std::vector<std::string> entries_;
  int selection_ = 0;
  std::string label_;
  TableFileExtras extras_;
  std::function<void(bool)> onReverse_;
  std::function<void()> onPreview_;
};

}  // namespace kivo::colour
