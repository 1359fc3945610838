#pragma once

// Open-file-description locks at the byte offsets dBASE programs use, so two
// cursors of one process exclude each other just like two programs do.

#include <cstdint>

namespace dbase {

// .dbf: record n locks 1 byte at kRecordLockBase - n; appends lock kAppendLockOffset.
constexpr uint64_t kRecordLockBase = 0xEFFFFFFEull;
constexpr uint64_t kAppendLockOffset = 0xEFFFFFFFull;
// .dbf: every open holds a read lock here, exclusive use a write lock (our own byte,
// outside the dBASE record range).
constexpr uint64_t kOpenLockOffset = 0xF0000000ull;
// .mdx: 1 byte; .dbt: 2 bytes.
constexpr uint64_t kMdxLockOffset = 0xEFFFFFFEull;
constexpr uint64_t kMemoLockOffset = 0xEFFFFFFEull;
constexpr uint64_t kMemoLockLength = 2;

inline uint64_t recordLockOffset(uint32_t recno) { return kRecordLockBase - recno; }

enum class LockKind { Read, Write };

// Tries once; false when another open file description holds a conflicting lock.
bool tryLock(int fd, uint64_t offset, uint64_t length, LockKind kind);
// Retries for up to timeoutMs; false when the lock never came free.
bool waitLock(int fd, uint64_t offset, uint64_t length, LockKind kind, int timeoutMs);
void unlock(int fd, uint64_t offset, uint64_t length);

// Holds a short lock (append, memo, index update) for a scope; a no-op with fd < 0.
class ScopedLock {
 public:
  ScopedLock() = default;
  ScopedLock(int fd, uint64_t offset, uint64_t length)
      : fd_(fd), offset_(offset), length_(length) {}
  ~ScopedLock() { release(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  // Adopts a lock already taken.
  void hold(int fd, uint64_t offset, uint64_t length) {
    release();
    fd_ = fd;
    offset_ = offset;
    length_ = length;
  }
  void release() {
    if (fd_ >= 0) unlock(fd_, offset_, length_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  uint64_t offset_ = 0;
  uint64_t length_ = 0;
};

}  // namespace dbase
