#pragma once

// The 0.1-degree global value grid: 1801 rows of latitude (-90 + 0.1 r) by 3601 columns of
// longitude (-180 + 0.1 c), stored column by column, with an empty marker.

#include <cstddef>

namespace kivo::model {

inline constexpr int kGridRows = 1801;  // latitude -90 + 0.1 r
inline constexpr int kGridCols = 3601;  // longitude -180 + 0.1 c
inline constexpr std::size_t kGridCells = static_cast<std::size_t>(kGridRows) * kGridCols;
inline constexpr float kEmptyValue = -3.4028235e38f;  // an empty grid cell
// Cell numbers of ComGetPoint mode 1 (rows of 3600 cells; 1801 rows).
inline constexpr int kCellNumbers = 3600 * kGridRows;

// Index of cell (row, column) in a grid.
constexpr std::size_t cellIndex(int row, int col) {
  return static_cast<std::size_t>(col) * kGridRows + static_cast<std::size_t>(row);
}

}  // namespace kivo::model
