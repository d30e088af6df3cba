#pragma once

// The batch command language as text: command lines parsed into request records, and records
// written back as the lines of the command history. Pure functions without windows, so that
// the runner, the history bar and the tests share one reading and one writing of every line.

#include <string>

#include "app/batch/batch_records.h"

namespace kivo::app {

// Line kinds of the history (and of parsed requests).
enum BtchKind : int {
  kBtchViewHdf = 0,
  kBtchOutImg = 1,
  kBtchOutMov = 2,
  kBtchOutCsv = 3,
  kBtchOutBin = 4,
  kBtchChangeMap = 5,
  kBtchOutHdf = 6,
  kBtchError = 99,
  kBtchUnknown = -1,
};

// Results of a command line.
inline constexpr int kBtchDone = 0;
inline constexpr int kBtchNoProduct = 1;  // no product shown yet; VIEWHDF: file list cannot be opened
inline constexpr int kBtchSyntax = 2;     // syntax error, missing option, unknown value, channel not found
inline constexpr int kBtchNoView = 3;     // no map view from the last VIEWHDF
inline constexpr int kBtchNoTable = 5;    // colour table requested but no table file found

// The keyword (text before the first space) and the arguments (text after it). A line without
// a space has an empty keyword.
struct BtchSplit {
  std::string keyword;
  std::string arguments;
};
BtchSplit splitCommandLine(const std::string& line);
// The kind of a keyword, compared ignoring case; kBtchUnknown for any other text.
int kindOfKeyword(const std::string& keyword);

// Channel codes ("89AH") and channel indices; -1 for a code that names no channel (ignoring
// case). The empty code for an unused index.
std::string channelCodeOf(int index);
int channelIndexOfCode(const std::string& code);
// A channel code's display name ("89.0GHz-A,H"), empty when unknown; a display name's code,
// empty when it has none.
std::string channelNameOfCode(const std::string& code);
std::string channelCodeOfName(const std::string& name);
// Level codes and level words ("L1B" and "Level 1B"), exact in both directions; empty when unknown.
std::string levelWordOfCode(const std::string& code);
std::string levelCodeOfWord(const std::string& word);
// The product family a product word names: 0 for "AMSR2" (ignoring case), 1 for any other.
int familyOfProductWord(const std::string& word);
// Projection names "EQR" 0, "PN" 1, "PS" 2, "PNS" 3, "ORTHO" 4, "MER" 5 (exact); -1 unknown.
int projectionOfName(const std::string& name);
std::string projectionNameOf(int projection);

// A parsed command line: its kind and the record of that kind (the others stay default).
struct BtchRequest {
  int kind = kBtchUnknown;
  BtchOpnRec open;  // VIEWHDF (channels as codes)
  BtchImgRec image;
  BtchMovRec movie;
  BtchCsvRec csv;
  BtchBinRec binary;
  BtchMapRec map;
  BtchHdfRec hdf;
};

// Parses the arguments of one kind: kBtchDone, or kBtchSyntax.
int parseViewHdf(const std::string& arguments, BtchOpnRec& request);
int parseOutImg(const std::string& arguments, BtchImgRec& request);
int parseOutMov(const std::string& arguments, BtchMovRec& request);
int parseOutCsv(const std::string& arguments, BtchCsvRec& request);
int parseOutBin(const std::string& arguments, BtchBinRec& request);
int parseChangeMap(const std::string& arguments, BtchMapRec& request);
int parseOutHdf(const std::string& arguments, BtchHdfRec& request);
// A whole line: kBtchDone with the request filled, or kBtchSyntax (an unknown keyword too).
int parseCommandLine(const std::string& line, BtchRequest& request);

// The history line of a record (without line end). Records carry channel display names, which
// become codes. Empty when the record's level word has no level code (the line is dropped).
std::string historyLine(const BtchOpnRec& record);
std::string historyLine(const BtchImgRec& record);  // format 0 JPEG, 1 BMP, 2 TIFF, 3 PNG
std::string historyLine(const BtchMovRec& record);
std::string historyLine(const BtchCsvRec& record);
std::string historyLine(const BtchBinRec& record);
std::string historyLine(const BtchMapRec& record);
std::string historyLine(const BtchHdfRec& record);
std::string errorLine(const std::string& text);  // "ERROR " and the text

// A request's channels (codes) turned into display names, as the history records carry them.
void channelsToNames(std::string (&channels)[3]);

// The longest command line the runner reads; a longer line fails as a whole.
inline constexpr std::size_t kMaxCommandLine = 64 * 1024;

}  // namespace kivo::app
