#pragma once

// Entry counts of index files kept between runs (mdx_counts.cpp).

#include <sys/types.h>

#include <cstdint>
#include <unordered_map>

namespace dbase {

// An index file as it was when its counts were taken.
struct SavedCountsKey {
  uint64_t dev = 0;
  uint64_t ino = 0;
  uint64_t size = 0;
  int64_t mtime = 0;  // nanoseconds
  uint32_t counter = 0;
};

// The counts kept for the file, when they were taken from it as it is now.
bool loadSavedCounts(const SavedCountsKey& key, uint32_t pageCount,
                     std::unordered_map<uint32_t, uint64_t>& counts);
// Keeps counts for the file (nothing when no directory is set; failures are quiet).
void saveCounts(const SavedCountsKey& key, const std::unordered_map<uint32_t, uint64_t>& counts);

}  // namespace dbase
