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
};

// Keeps every record in order (the main window's history until the history bar writes lines,
// and the tests').
class RecordingBatchHistory final : public BatchHistory {
 public:
  void addOpen(const BtchOpnRec& record) override { opens.push_back(record); }
  void addMapChange(const BtchMapRec& record) override { mapChanges.push_back(record); }
  std::vector<BtchOpnRec> opens;
  std::vector<BtchMapRec> mapChanges;
};

}  // namespace kivo::app
