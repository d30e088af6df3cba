#pragma once

// The colour table (.clt) and look-up table (.lut) text files.

#include <string>

#include "colour/colour_table.h"

namespace kivo::colour {

// What a file carries beside the table itself.
struct TableFileExtras {
  std::string title;      // "TITLE_NAME =": colour bar title / unit text
  bool titleRead = false;
  bool reverse = false;   // "REVERS_MODE =" (colour tables): the colour bar is flipped
  bool reverseRead = false;
  int pointChoice = -1;   // the editor's "No of Point" index for the last N read (0..3), -1 none
};

inline constexpr int kFileOk = 0;
inline constexpr int kFileCannotOpen = 1;
inline constexpr int kFileWriteFailed = 2;

// Writers produce CR LF lines; the file is replaced only once it is completely written.
int writeColourTableFile(const std::string& path, const ComClrTblMng& table, const std::string& title, bool reverse);
int writeLookupTableFile(const std::string& path, const ComClrTblMng& table);

// Readers set what the file holds and keep the rest of the table as it is.
int readColourTableFile(const std::string& path, ComClrTblMng& table, TableFileExtras& extras);
int readLookupTableFile(const std::string& path, ComClrTblMng& table, TableFileExtras& extras);

}  // namespace kivo::colour
