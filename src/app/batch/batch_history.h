#pragma once

// Where interactive and batch operations record what they did as batch command lines. The
// history bar writes them as lines; tests keep the records.

#include <string>
#include <vector>

#include "app/batch/batch_records.h"

namespace kivo::app {

class BatchHistory {
 public:
  virtual ~BatchHistory() = default;
  virtual void addOpen(const BtchOpnRec& record) = 0;       // VIEWHDF
  virtual void addMapChange(const BtchMapRec& record) = 0;  // CHANGEMAP
  virtual void addImage(const BtchImgRec& record) = 0;      // OUTIMG
  virtual void addCsv(const BtchCsvRec& record) = 0;        // OUTCSV
  virtual void addBinary(const BtchBinRec& record) = 0;     // OUTBIN
  virtual void addHdf(const BtchHdfRec& record) = 0;        // OUTHDF
  virtual void addMovie(const BtchMovRec& record) = 0;      // OUTMOV
  virtual void addError(const std::string& line) = 0;       // ERROR and the failed line
};

// Keeps every record (the tests').
class RecordingBatchHistory final : public BatchHistory {
 public:
  void addOpen(const BtchOpnRec& record) override { opens.push_back(record); }
  void addMapChange(const BtchMapRec& record) override { mapChanges.push_back(record); }
  void addImage(const BtchImgRec& record) override { images.push_back(record); }
  void addCsv(const BtchCsvRec& record) override { csvs.push_back(record); }
  void addBinary(const BtchBinRec& record) override { binaries.push_back(record); }
  void addHdf(const BtchHdfRec& record) override { hdfs.push_back(record); }
  void addMovie(const BtchMovRec& record) override { movies.push_back(record); }
  void addError(const std::string& line) override { errors.push_back(line); }
  std::vector<BtchOpnRec> opens;
  std::vector<BtchMapRec> mapChanges;
  std::vector<BtchImgRec> images;
  std::vector<BtchCsvRec> csvs;
  std::vector<BtchBinRec> binaries;
  std::vector<BtchHdfRec> hdfs;
  std::vector<BtchMovRec> movies;
  std::vector<std::string> errors;
};

}  // namespace kivo::app
