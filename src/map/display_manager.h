#pragma once

// The product display manager of a view: the files and channels of the shown product, its
// colour-table statistics, a 0.1-degree display grid per colour channel, and the drawing
// pass that turns observations (or, magnified, the gap-filled grid) into pixels.

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "colour/colour_table.h"
#include "product_model/large_buffer.h"
#include "product_model/product_object.h"
#include "map/projections.h"
#include "draw/surface.h"
#include "colour/table_statistics.h"

namespace kivo::map {

inline constexpr int kMaxFiles = 30;
inline constexpr int kGridCopyStarted = 0x10000;
inline constexpr int kGridCopyDone = 0x1FFFF;

struct ChannelChoice {
  bool composite = false;
  int chnl[3] = {0, 0, 0};  // red, green, blue (single channel: the first)
};

// The file slots of each colour channel's product object, in display order. A composite of
// Level 3 products takes each colour from another file.
using ChannelSlots = std::array<std::vector<int>, 3>;

class ComPrdctDspMngmnt {
 public:
  explicit ComPrdctDspMngmnt(model::ProductEvents* events = nullptr) : events_(events) {}
  ~ComPrdctDspMngmnt();
  ComPrdctDspMngmnt(const ComPrdctDspMngmnt&) = delete;
  ComPrdctDspMngmnt& operator=(const ComPrdctDspMngmnt&) = delete;

  // Puts a product on the view: files (slots in display order), channels, the view's table
  // and the product objects (one, or one per colour channel). 1 for a missing table or
  // product, or a bad file count; runs the table statistics and the automatic table.
  int ComSetDspPrdct(const std::vector<int>& slots, const ChannelChoice& channels, colour::ComClrTblMng* table,
                     const std::array<const model::ComPrdctMngmnt*, 3>& objects) {
    return ComSetDspPrdct(ChannelSlots{slots, slots, slots}, channels, table, objects);
  }
  // The same with a slot list per colour channel (a single channel uses the first); the
  // lists of a composite must be equally long.
  int ComSetDspPrdct(const ChannelSlots& slots, const ChannelChoice& channels, colour::ComClrTblMng* table,
                     const std::array<const model::ComPrdctMngmnt*, 3>& objects);
  // Copies the gap-filled grids into the display grids on a worker once gap filling is done.
  void ComStartGridCopy();
  void stopGridCopy();
  void waitGridCopy();
  bool gridCopied() const { return copied_.load(std::memory_order_acquire); }
  // Display grid value of channel c at (column, row); empty until the copy is complete.
  float ComGetGridValue(int c, int col, int row) const;

  // Draws the product: 0, or a message number for the view to show.
  int ComDrawPrdct(draw::Surface& surface, const ViewParams& view);
  // Draws one file of the product only (index into the file list); from magnification 8, once
  // that file is gap-filled, its own grid.
  int ComDrawPrdctFile(draw::Surface& surface, const ViewParams& view, int file);

  const colour::TableStatistics& statistics() const { return statistics_; }
  bool lastGridMode() const { return lastGridMode_; }
  bool isLevel3() const;

 private:
  // The grids of one file that the copy reads, per colour channel.
  using CopySource = std::array<std::shared_ptr<const model::ChannelGrid>, 3>;
  int draw(draw::Surface& surface, const ViewParams& view, int onlyFile);
  void copyWorker(std::vector<CopySource> sources, int needed);

  model::ProductEvents* events_;
  colour::ComClrTblMng* table_ = nullptr;
  colour::TableStatistics statistics_;
  std::array<const model::ComPrdctMngmnt*, 3> objects_{};
  ChannelSlots slots_;
  ChannelChoice channels_;
  bool initialised_ = false;
  bool lastGridMode_ = false;
  std::array<model::LargeVector<float>, 3> grids_;
  std::thread copier_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> copied_{false};
};

}  // namespace kivo::map
