#include "dbase/hugemem.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

namespace dbase {

void adviseHuge(void* p, size_t bytes) {
#ifdef MADV_HUGEPAGE
  const auto from = (reinterpret_cast<uintptr_t>(p) + kHugeChunk - 1) & ~(kHugeChunk - 1);
  const auto to = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kHugeChunk - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

namespace {

// A 2 MiB chunk on a 2 MiB boundary, so that all of it can be one huge page.
void* mapChunk() {
  void* raw =
      ::mmap(nullptr, 2 * kHugeChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto at = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (at + kHugeChunk - 1) & ~(kHugeChunk - 1);
  if (aligned > at) ::munmap(raw, aligned - at);
  if (const uintptr_t tail = at + 2 * kHugeChunk - (aligned + kHugeChunk); tail > 0)
    ::munmap(reinterpret_cast<void*>(aligned + kHugeChunk), tail);
  adviseHuge(reinterpret_cast<void*>(aligned), kHugeChunk);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

FixedPool::FixedPool(size_t objectBytes)
    : size_((std::max(objectBytes, sizeof(Free)) + alignof(std::max_align_t) - 1) /
            alignof(std::max_align_t) * alignof(std::max_align_t)) {}

FixedPool::~FixedPool() {
  for (void* c : chunks_) ::munmap(c, kHugeChunk);
}

void* FixedPool::take() {
  if (free_) {
    Free* f = free_;
    free_ = f->next;
    return f;
  }
  if (next_ == end_) {
    chunks_.reserve(chunks_.size() + 1);
    next_ = static_cast<char*>(mapChunk());
    end_ = next_ + kHugeChunk / size_ * size_;
    chunks_.push_back(next_);
  }
  void* p = next_;
  next_ += size_;
  return p;
}

void FixedPool::give(void* p) noexcept {
  auto* f = static_cast<Free*>(p);
  f->next = free_;
  free_ = f;
}

}  // namespace dbase
