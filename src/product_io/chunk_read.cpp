#include "product_io/chunk_read.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#if KIVO_HAVE_LIBDEFLATE
#include <libdeflate.h>
#else
#include <zlib.h>
#endif

#include "product_io/allocation.h"

namespace kivo::io::detail {

#if H5_VERSION_GE(1, 10, 3)

namespace {

// A chunk larger than this is left to HDF5 (the products' chunks are a few hundred KB).
constexpr hsize_t kMaxChunkBytes = hsize_t{64} << 20;
constexpr unsigned kDeflateSkipped = 1u;  // bit of the one filter in a chunk's filter mask

// One stored chunk: its offset in elements (in the reader's three axes, and in the dataset's
// own axes for HDF5) and its bytes as stored.
struct StoredChunk {
  hsize_t offset[3] = {0, 0, 0};
  hsize_t datasetOffset[3] = {0, 0, 0};
  std::unique_ptr<unsigned char[]> bytes;
  std::size_t size = 0;
  std::uint32_t filterMask = 0;
};

// Inflates zlib streams; one per thread.
class Inflater {
 public:
#if KIVO_HAVE_LIBDEFLATE
  Inflater() : d_(libdeflate_alloc_decompressor()) {}
  ~Inflater() {
    if (d_ != nullptr) libdeflate_free_decompressor(d_);
  }
  bool inflate(const unsigned char* in, std::size_t inSize, unsigned char* out, std::size_t outSize) {
    std::size_t actual = 0;
    return d_ != nullptr && libdeflate_zlib_decompress(d_, in, inSize, out, outSize, &actual) == LIBDEFLATE_SUCCESS &&
           actual == outSize;
  }

 private:
  libdeflate_decompressor* d_;
#else
  bool inflate(const unsigned char* in, std::size_t inSize, unsigned char* out, std::size_t outSize) {
    uLongf actual = static_cast<uLongf>(outSize);
    return ::uncompress(out, &actual, in, static_cast<uLong>(inSize)) == Z_OK && actual == outSize;
  }
#endif
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
};

// The dataset seen as three axes: rows, middle, innermost. A dataset of rank 2 has its
// columns on the innermost axis and a middle axis of 1, so that a chunk's part of a row is
// copied in one piece.
struct Geometry {
  int rank = 0;
  hsize_t dims[3] = {1, 1, 1};
  hsize_t chunk[3] = {1, 1, 1};
  std::size_t element = 0;
  hsize_t first = 0;
  hsize_t after = 0;  // rows [first, after)
  std::size_t chunkBytes = 0;
};

// Copies the part of a decompressed chunk that lies in the selected rows into the output.
void scatter(const Geometry& g, const hsize_t* offset, const unsigned char* chunk, unsigned char* out) {
  const hsize_t r0 = std::max(g.first, offset[0]);
  const hsize_t r1 = std::min(g.after, offset[0] + g.chunk[0]);
  const hsize_t j1 = std::min(g.dims[1], offset[1] + g.chunk[1]);
  const hsize_t k1 = std::min(g.dims[2], offset[2] + g.chunk[2]);
  const std::size_t run = static_cast<std::size_t>(k1 - offset[2]) * g.element;
  for (hsize_t r = r0; r < r1; ++r) {
    for (hsize_t j = offset[1]; j < j1; ++j) {
      const hsize_t from = ((r - offset[0]) * g.chunk[1] + (j - offset[1])) * g.chunk[2];
      const hsize_t to = ((r - g.first) * g.dims[1] + j) * g.dims[2] + offset[2];
      std::memcpy(out + to * g.element, chunk + from * g.element, run);
    }
  }
}

// Decompresses and places chunks taken from a shared counter until none is left or one fails.
void work(const Geometry& g, std::vector<StoredChunk>& chunks, std::atomic<std::size_t>& next,
          std::atomic<bool>& failed, unsigned char* out) {
  Inflater inflater;
  std::unique_ptr<unsigned char[]> plain;
  if (!tryAllocate([&] { plain = std::make_unique_for_overwrite<unsigned char[]>(g.chunkBytes); })) {
    failed.store(true);
    return;
  }
  for (std::size_t i = next.fetch_add(1); i < chunks.size() && !failed.load(std::memory_order_relaxed);
       i = next.fetch_add(1)) {
    StoredChunk& c = chunks[i];
    const unsigned char* data = c.bytes.get();
    if ((c.filterMask & kDeflateSkipped) != 0) {
      if (c.size != g.chunkBytes) failed.store(true);
    } else if (inflater.inflate(c.bytes.get(), c.size, plain.get(), g.chunkBytes)) {
      data = plain.get();
    } else {
      failed.store(true);
    }
    if (failed.load()) return;
    scatter(g, c.offset, data, out);
    c.bytes.reset();
  }
}

// The reader's axis of dataset axis i.
int axisOf(int rank, int i) { return rank == 2 && i == 1 ? 2 : i; }

// The dataset's chunk layout when it is one this reader handles.
bool geometryOf(const CheckedDataset& ds, hid_t memType, hsize_t first, hsize_t count, Geometry& g) {
  H5Plist dcpl(H5Dget_create_plist(ds.dataset.get()));
  if (!dcpl || H5Pget_layout(dcpl.get()) != H5D_CHUNKED || H5Pget_nfilters(dcpl.get()) != 1) return false;
  unsigned flags = 0, config = 0;
  std::size_t values = 0;
  if (H5Pget_filter2(dcpl.get(), 0, &flags, &values, nullptr, 0, nullptr, &config) != H5Z_FILTER_DEFLATE) return false;
  unsigned options = 0;
  if (H5Pget_chunk_opts(dcpl.get(), &options) < 0 || (options & H5D_CHUNK_DONT_FILTER_PARTIAL_CHUNKS) != 0) return false;
  H5Type stored(H5Dget_type(ds.dataset.get()));
  if (!stored || H5Tequal(stored.get(), memType) <= 0) return false;
  g.element = H5Tget_size(memType);
  g.rank = ds.rank;
  if (g.element == 0 || g.element > 8 || g.rank < 1 || g.rank > 3) return false;
  hsize_t chunk[3] = {0, 0, 0};
  if (H5Pget_chunk(dcpl.get(), 3, chunk) != g.rank) return false;
  hsize_t chunkElements = 1;
  for (int i = 0; i < g.rank; ++i) {
    if (chunk[i] == 0 || ds.dims[i] == 0) return false;
    const int axis = axisOf(g.rank, i);
    g.chunk[axis] = chunk[i];
    g.dims[axis] = ds.dims[i];
    chunkElements *= chunk[i];
    if (chunkElements * g.element > kMaxChunkBytes) return false;
  }
  if (count == 0 || first >= g.dims[0] || count > g.dims[0] - first) return false;
  g.first = first;
  g.after = first + count;
  g.chunkBytes = static_cast<std::size_t>(chunkElements * g.element);
  return true;
}

}  // namespace

bool readRowsDirect(const CheckedDataset& ds, hsize_t first, hsize_t count, hid_t memType, void* out) {
  Geometry g;
  if (out == nullptr || !geometryOf(ds, memType, first, count, g)) return false;
  // Every chunk that holds a selected row, read as stored.
  std::vector<StoredChunk> chunks;
  const hsize_t along1 = (g.dims[1] + g.chunk[1] - 1) / g.chunk[1];
  const hsize_t along2 = (g.dims[2] + g.chunk[2] - 1) / g.chunk[2];
  const bool stored = tryAllocate([&] {
    for (hsize_t c0 = g.first / g.chunk[0]; c0 * g.chunk[0] < g.after; ++c0) {
      for (hsize_t c1 = 0; c1 < along1; ++c1) {
        for (hsize_t c2 = 0; c2 < along2; ++c2) {
          StoredChunk& c = chunks.emplace_back();
          c.offset[0] = c0 * g.chunk[0];
          c.offset[1] = c1 * g.chunk[1];
          c.offset[2] = c2 * g.chunk[2];
          for (int i = 0; i < g.rank; ++i) c.datasetOffset[i] = c.offset[axisOf(g.rank, i)];
        }
      }
    }
  });
  if (!stored) return false;
  const hid_t dataset = ds.dataset.get();
  for (StoredChunk& c : chunks) {
    hsize_t size = 0;
    if (H5Dget_chunk_storage_size(dataset, c.datasetOffset, &size) < 0 || size == 0 || size > kMaxChunkBytes) return false;
    c.size = static_cast<std::size_t>(size);
    if (!tryAllocate([&] { c.bytes = std::make_unique_for_overwrite<unsigned char[]>(c.size); })) return false;
    if (H5Dread_chunk(dataset, H5P_DEFAULT, c.datasetOffset, &c.filterMask, c.bytes.get()) < 0) return false;
  }

  // Decompression on this thread and, with more than one chunk and processor, one more.
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  auto* target = static_cast<unsigned char*>(out);
  std::thread helper;
  if (chunks.size() > 1 && std::thread::hardware_concurrency() > 1) {
    try {
      helper = std::thread([&] { work(g, chunks, next, failed, target); });
    } catch (const std::system_error&) {
      // No second thread: this one does all the work.
    }
  }
  work(g, chunks, next, failed, target);
  if (helper.joinable()) helper.join();
  return !failed.load();
}

#else

bool readRowsDirect(const CheckedDataset&, hsize_t, hsize_t, hid_t, void*) { return false; }

#endif

}  // namespace kivo::io::detail
