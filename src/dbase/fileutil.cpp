#include "dbase/fileutil.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <vector>

#include "dbase/error.h"

namespace dbase {

namespace {

[[noreturn]] void throwErrno(const std::string& path, const char* what) {
  throw Error(path, std::string(what) + ": " + std::strerror(errno));
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

File File::open(const std::string& path, int flags, int mode) {
  File f;
  f.fd_ = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  if (f.fd_ < 0) throwErrno(path, "cannot open");
  f.path_ = path;
  return f;
}

File File::createFresh(const std::string& path, int mode) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throwErrno(path, "cannot delete");
  return open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
}

void File::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint64_t File::size() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) throwErrno(path_, "cannot stat");
  return static_cast<uint64_t>(st.st_size);
}

size_t File::readAt(uint64_t offset, void* buf, size_t n) const {
  size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throwErrno(path_, "read failed");
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

void File::readExact(uint64_t offset, void* buf, size_t n) const {
  if (readAt(offset, buf, n) != n) throw FormatError(path_, "file is truncated");
}

void File::writeAt(uint64_t offset, const void* buf, size_t n) {
  size_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < n) {
    ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throwErrno(path_, "write failed");
    }
    done += static_cast<size_t>(r);
  }
}

void File::truncate(uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throwErrno(path_, "cannot truncate");
}

void File::sync() {
  if (::fdatasync(fd_) != 0) throwErrno(path_, "cannot sync");
}

std::string dirName(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string fileName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string baseName(const std::string& path) {
  std::string name = fileName(path);
  auto dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string readStream(std::istream& in) {
  std::string out;
  char buf[1 << 14];
  while (in.read(buf, sizeof buf) || in.gcount() > 0)
    out.append(buf, static_cast<size_t>(in.gcount()));
  return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string toUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::optional<std::string> resolveFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  if (fileExists(path)) return path;
  std::string dir = dirName(path);
  std::string name = fileName(path);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = ::readdir(d)) {
    if (equalsIgnoreCase(e->d_name, name)) {
      std::string candidate =
          path.find('/') == std::string::npos ? std::string(e->d_name) : joinPath(dir, e->d_name);
      if (fileExists(candidate)) {
        found = candidate;
        break;
      }
    }
  }
  ::closedir(d);
  return found;
}

std::string companionPath(const std::string& dbfPath, std::string_view ext, bool* exists) {
  std::string dir = dirName(dbfPath);
  std::string base = baseName(dbfPath);
  std::string wanted = base + std::string(ext);
  std::string full = dbfPath.find('/') == std::string::npos ? wanted : joinPath(dir, wanted);
  if (auto found = resolveFile(full)) {
    if (exists) *exists = true;
    return *found;
  }
  if (exists) *exists = false;
  // New companions follow the case of the table's own extension.
  std::string tableName = fileName(dbfPath);
  auto dot = tableName.rfind('.');
  bool upper = dot != std::string::npos && dot + 1 < tableName.size() &&
               tableName[dot + 1] >= 'A' && tableName[dot + 1] <= 'Z';
  std::string e(ext);
  if (upper) e = toUpper(e);
  std::string name = base + e;
  return dbfPath.find('/') == std::string::npos ? name : joinPath(dir, name);
}

void syncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

void replaceFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) throwErrno(to, "cannot replace");
  syncDirectory(dirName(to));
}

void removeFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throwErrno(path, "cannot delete");
}

void copyFile(const std::string& from, const std::string& to) {
  File in = File::open(from, O_RDONLY);
  File out = File::open(to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
  std::vector<char> buf(1 << 20);
  uint64_t offset = 0;
  for (;;) {
    size_t n = in.readAt(offset, buf.data(), buf.size());
    if (n == 0) break;
    out.writeAt(offset, buf.data(), n);
    offset += n;
  }
  out.sync();
}

}  // namespace dbase
