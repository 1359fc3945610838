#include "dbase/lock.h"

#include <fcntl.h>
#include <time.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "dbase/error.h"

namespace dbase {

namespace {

bool setLock(int fd, uint64_t offset, uint64_t length, short type) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;  // required for OFD locks
  for (;;) {
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return false;
    throw Error("", std::string("lock failed: ") + std::strerror(errno));
  }
}

}  // namespace

bool tryLock(int fd, uint64_t offset, uint64_t length, LockKind kind) {
  return setLock(fd, offset, length, kind == LockKind::Write ? F_WRLCK : F_RDLCK);
}

bool waitLock(int fd, uint64_t offset, uint64_t length, LockKind kind, int timeoutMs) {
  int waited = 0;
  long delayUs = 50;
  while (!tryLock(fd, offset, length, kind)) {
    if (waited >= timeoutMs * 1000) return false;
    struct timespec ts {
      0, delayUs * 1000
    };
    ::nanosleep(&ts, nullptr);
    waited += static_cast<int>(delayUs);
    if (delayUs < 5000) delayUs *= 2;
  }
  return true;
}

void unlock(int fd, uint64_t offset, uint64_t length) { setLock(fd, offset, length, F_UNLCK); }

}  // namespace dbase
