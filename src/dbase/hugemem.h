#pragma once

// Memory for the engine's large working sets, in 2 MiB chunks the kernel may
// back with huge pages. A large import makes a hundred thousand index nodes
// and a hundred megabytes of keys: with a fault for every 4 KiB page, the
// faults cost more than the work done on the memory.

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace dbase {

constexpr size_t kHugeChunk = size_t{2} << 20;

// Asks for huge pages on the whole 2 MiB stretches inside [p, p + bytes).
// Only advice: where the system has none, nothing changes.
void adviseHuge(void* p, size_t bytes);

// Room in a string or vector for n elements, new room advised for huge pages
// before anything is copied into it.
template <class C>
void reserveHuge(C& c, size_t n) {
  if (n <= c.capacity()) return;
  C bigger;
  bigger.reserve(n);
  adviseHuge(bigger.data(), n * sizeof(typename C::value_type));
  bigger.insert(bigger.end(), c.begin(), c.end());
  c.swap(bigger);
}

// Objects of up to one size, carved from 2 MiB chunks, reused through a free
// list. Not thread-safe: each pool serves one file's objects, used from one
// thread.
class FixedPool {
 public:
  explicit FixedPool(size_t objectBytes);
  ~FixedPool();
  FixedPool(const FixedPool&) = delete;
  FixedPool& operator=(const FixedPool&) = delete;

  size_t objectBytes() const { return size_; }
  void* take();
  void give(void* p) noexcept;

 private:
  struct Free {
    Free* next;
  };
  size_t size_;
  std::vector<void*> chunks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  Free* free_ = nullptr;
};

// An allocator for std::allocate_shared: single objects that fit the pool's
// size come from the pool, anything else from the heap. The pool lives as long as
// the last object taken from it.
template <class T>
struct PoolAllocator {
  using value_type = T;
  std::shared_ptr<FixedPool> pool;

  explicit PoolAllocator(std::shared_ptr<FixedPool> p) : pool(std::move(p)) {}
  template <class U>
  PoolAllocator(const PoolAllocator<U>& o) : pool(o.pool) {}

  T* allocate(size_t n) {
    if (fromPool(n)) return static_cast<T*>(pool->take());
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, size_t n) noexcept {
    if (fromPool(n))
      pool->give(p);
    else
      std::allocator<T>().deallocate(p, n);
  }
  bool fromPool(size_t n) const {
    return n == 1 && sizeof(T) <= pool->objectBytes() && alignof(T) <= alignof(std::max_align_t);
  }
  template <class U>
  bool operator==(const PoolAllocator<U>& o) const {
    return pool == o.pool;
  }
};

}  // namespace dbase
