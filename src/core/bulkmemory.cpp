#include "core/bulkmemory.h"

#include <cstdlib>  // names the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
int g_depth = 0;
}  // namespace

BulkMemory::BulkMemory() {
  if (g_depth++ != 0) return;
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 16 << 20);
#endif
}

BulkMemory::~BulkMemory() {
  if (--g_depth != 0) return;
#if defined(__GLIBC__)
  // The library's starting trim and padding, then what is spare goes back
  // at once. Large blocks stay on the heap: the library's own sliding
  // threshold ends up there after the first large free anyway.
  mallopt(M_TOP_PAD, 128 << 10);
  mallopt(M_TRIM_THRESHOLD, 128 << 10);
  malloc_trim(0);
#endif
}
