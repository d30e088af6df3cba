#include "colour/table_chooser.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kivo::colour {
namespace {

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

std::string familyFolderOf(const std::string& displayName) {
  return displayName.find("AMSR2") != std::string::npos ? "AMSR2" : "AMSR_AMSR-E";
}

int ComClrCmbBar::ComSetCnfInfo(const std::string& baseFolder, int family, std::function<void(bool)> onReverse) {
  if (family != kFamilyAmsr2 && family != kFamilyAmsrE) return 2;
  base_ = baseFolder;
  family_ = family;
  onReverse_ = std::move(onReverse);
  table_ = nullptr;
  statistics_ = nullptr;
  selection_ = 0;
  return 0;
}

int ComClrCmbBar::ComSetTblMng(ComClrTblMng* table, const TableStatistics* statistics) {
  if (table == nullptr || statistics == nullptr) return 2;
  table_ = table;
  statistics_ = statistics;
  return 0;
}

std::string ComClrCmbBar::tableFolder() const {
  std::string folder = base_;
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  folder += kind_ == kKindLookupTable ? "/Sample_Table/Lookup_Table/" : "/Sample_Table/Color_Table/";
  folder += family_ == kFamilyAmsr2 ? "AMSR2/" : "AMSR_AMSR-E/";
  return folder;
}

int ComClrCmbBar::ComFillTblList(int kind) {
  if (kind != kKindColourTable && kind != kKindLookupTable) return 2;
  kind_ = kind;
  entries_.assign(1, kAutomaticEntry);
  selection_ = 0;
  label_ = kind == kKindLookupTable ? kLookupTableLabel : kColourTableLabel;
  const std::string extension = kind == kKindLookupTable ? ".lut" : ".clt";
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(tableFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const std::string name = it->path().filename().string();
    if (name.size() > extension.size() && equalsIgnoreCase(name.substr(name.size() - extension.size()), extension)) {
      names.push_back(name);
    }
  }
  if (ec) return 0;  // the folder cannot be listed: only "[Automatic]"
  std::sort(names.begin(), names.end());
  entries_.insert(entries_.end(), names.begin(), names.end());
  const std::string current = table_ != nullptr ? table_->ComGetTblName() : std::string();
  for (std::size_t i = 1; i < entries_.size() && !current.empty(); ++i) {
    if (equalsIgnoreCase(entries_[i], current)) {
      selection_ = static_cast<int>(i);
      break;
    }
  }
  return 0;
}

int ComClrCmbBar::select(int index, bool user) {
  if (table_ == nullptr || index < 0 || index >= static_cast<int>(entries_.size())) return 1;
  if (index == selection_) return 0;
  selection_ = index;
  if (index == 0) {
    if (statistics_ != nullptr) statistics_->ComSetAutoClrTbl(*table_);
    table_->ComSetTblName("");
  } else {
    label_ = kind_ == kKindLookupTable ? kLookupTableLabel : kColourTableLabel;
    const std::string path = tableFolder() + entries_[static_cast<std::size_t>(index)];
    extras_ = TableFileExtras{};
    const int rc = kind_ == kKindLookupTable ? readLookupTableFile(path, *table_, extras_)
                                             : readColourTableFile(path, *table_, extras_);
    if (rc == kFileOk) {
      table_->ComSetTblName(entries_[static_cast<std::size_t>(index)]);
      if (extras_.reverseRead && onReverse_) onReverse_(extras_.reverse);
    } else {
      table_->ComSetTblName("");
    }
  }
  if (user && onPreview_) onPreview_();
  return 0;
}

}  // namespace kivo::colour
