#pragma once

// An allocator for the large per-channel buffers (value grids, point lists). Blocks of 2 MiB
// and more are mapped starting on 2 MiB boundaries and offered to the kernel for huge pages, which
// cuts the cost of first touching a 26 MB grid roughly tenfold; smaller blocks come from the
// usual heap.

#include <sys/mman.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace kivo::model {

// Bytes currently mapped by the allocator (for measurements).
inline std::atomic<std::size_t> g_largeBufferBytes{0};

template <typename T>
class LargeBufferAllocator {
 public:
  using value_type = T;
  LargeBufferAllocator() noexcept = default;
  template <typename U>
  LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kHuge) return std::allocator<T>().allocate(n);
    const std::size_t length = rounded(bytes);
    // Map a little more than needed and trim both ends to an aligned block of `length`.
    void* raw = ::mmap(nullptr, length + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (base + kHuge - 1) & ~static_cast<std::uintptr_t>(kHuge - 1);
    if (aligned > base) ::munmap(raw, aligned - base);
    const std::uintptr_t end = base + length + kHuge;
    if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    g_largeBufferBytes.fetch_add(length, std::memory_order_relaxed);
    return reinterpret_cast<T*>(aligned);
  }

  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kHuge) {
      std::allocator<T>().deallocate(p, n);
      return;
    }
    ::munmap(p, rounded(bytes));
    g_largeBufferBytes.fetch_sub(rounded(bytes), std::memory_order_relaxed);
  }

  template <typename U>
  bool operator==(const LargeBufferAllocator<U>&) const noexcept {
    return true;
  }

 private:
  static constexpr std::size_t kHuge = std::size_t{2} << 20;
  static constexpr std::size_t kPage = 4096;
  // Whole pages only: the block starts on a huge-page boundary, and its tail beyond the last
  // whole huge page simply stays on small pages.
  static std::size_t rounded(std::size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }
};

template <typename T>
using LargeVector = std::vector<T, LargeBufferAllocator<T>>;

}  // namespace kivo::model
