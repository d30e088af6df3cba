#pragma once

// Where interactive operations record what they did as batch command lines. The history bar
// implements it; until it does, the main window keeps the records in memory.

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
};

// Keeps every record in order (the main window's history until the history bar writes lines,
// and the tests').
class RecordingBatchHistory final : public BatchHistory {
 public:
  void addOpen(const BtchOpnRec& record) override { opens.push_back(record); }
  void addMapChange(const BtchMapRec& record) override { mapChanges.push_back(record); }
  void addImage(const BtchImgRec& record) override { images.push_back(record); }
  void addCsv(const BtchCsvRec& record) override { csvs.push_back(record); }
  void addBinary(const BtchBinRec& record) override { binaries.push_back(record); }
  void addHdf(const BtchHdfRec& record) override { hdfs.push_back(record); }
  std::vector<BtchOpnRec> opens;
  std::vector<BtchMapRec> mapChanges;
  std::vector<BtchImgRec> images;
  std::vector<BtchCsvRec> csvs;
  std::vector<BtchBinRec> binaries;
  std::vector<BtchHdfRec> hdfs;
};

}  // namespace kivo::app
