// The C heap on 2 MiB pages: see large_page_heap.h.
#include "platform/large_page_heap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define QM_HEAP_IS_REPLACED 1
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_HEAP_IS_REPLACED 1
#endif
#endif

namespace qm::platform {

#if defined(__GLIBC__) && !defined(QM_HEAP_IS_REPLACED)

namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
// The heap grows by this much at once, so the stretch of large pages is one piece of the heap.
constexpr int kHeapReserve = 16 << 20;
// Blocks the free space at the top cannot serve are mapped apart from 128 KiB up, glibc's
// default (set, it stays fixed). The spacer alone, up to 2 MiB, must come from the heap.
constexpr int kMapThreshold = 128 << 10;
constexpr int kSpacerMapThreshold = 4 << 20;
// Free space at the top of the heap is given back beyond this, so the large pages stay.
constexpr int kTrimThreshold = 32 << 20;
constexpr int kDefaultTopPad = 128 << 10;

// Never freed: its pages below the large-page boundary are never touched.
void* gSpacer = nullptr;

std::uintptr_t RoundUp(std::uintptr_t value, std::uintptr_t unit) { return (value + unit - 1) / unit * unit; }
std::uintptr_t RoundDown(std::uintptr_t value, std::uintptr_t unit) { return value / unit * unit; }

}  // namespace

void PlaceHeapOnLargePages() {
  static bool placed = false;
  if (placed) return;
  placed = true;
  mallopt(M_MMAP_THRESHOLD, kSpacerMapThreshold);
  mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  mallopt(M_TOP_PAD, kHeapReserve);

  // The free block at the top of the heap ends at the break. A spacer that takes it up to just
  // under the next large-page boundary leaves the following allocations at that boundary; its
  // own pages stay untouched (malloc writes only the two block headers).
  const auto heapEnd = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t topStart = heapEnd - mallinfo2().keepcost;
  const std::uintptr_t boundary = RoundUp(topStart + 8192, kLargePage);
  const std::uintptr_t spacerEnd = boundary - 2048;  // the next block's header lands below the boundary
  const std::size_t request = spacerEnd - topStart - 2 * sizeof(std::size_t);
  gSpacer = std::malloc(request);
  mallopt(M_TOP_PAD, kDefaultTopPad);
  mallopt(M_MMAP_THRESHOLD, kMapThreshold);
  if (gSpacer == nullptr) return;

  // Only when the spacer is the top block as expected, and the heap now reaches past the boundary.
  const auto spacer = reinterpret_cast<std::uintptr_t>(gSpacer);
  const auto grownEnd = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t largeEnd = RoundDown(grownEnd, kLargePage);
  if (spacer != topStart + 2 * sizeof(std::size_t) || largeEnd <= boundary) {
    std::free(gSpacer);
    return;
  }
  madvise(reinterpret_cast<void*>(boundary), largeEnd - boundary, MADV_HUGEPAGE);
}

#else

void PlaceHeapOnLargePages() {}

#endif

}  // namespace qm::platform
