// Entry counts of index files kept in a file between runs (see countcache.h).
//
// One file per index, named after its device and inode: a header naming the
// index as it was (size, modification time, our change counter), then
// (page, count) pairs. Written whole under a temporary name and renamed.

#include "dbase/mdx_counts.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbase/coding.h"
#include "dbase/countcache.h"

namespace dbase {

namespace {

namespace fs = std::filesystem;

constexpr char kMagic[8] = {'T', 'K', 'C', 'O', 'U', 'N', 'T', '1'};
constexpr size_t kHeaderSize = 8 + 8 * 5;  // magic, dev, ino, size, mtime, counter + entries
constexpr size_t kEntrySize = 4 + 8;
constexpr size_t kFilesKept = 32;  // the oldest go beyond that

std::string& countDirectory() {
  static std::string dir;
  return dir;
}

void put64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint64_t get64(const char* p) {
  return static_cast<uint64_t>(decode32(p)) | (static_cast<uint64_t>(decode32(p + 4)) << 32);
}

fs::path countFile(const SavedCountsKey& key) {
  return fs::path(countDirectory()) /
         (std::to_string(key.dev) + "-" + std::to_string(key.ino) + ".counts");
}

// Keeps the directory to a few files, the most recently written.
void prune(const fs::path& dir) {
  std::error_code ec;
  std::vector<std::pair<fs::file_time_type, fs::path>> files;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.path().extension() == ".counts") files.emplace_back(e.last_write_time(ec), e.path());
  if (files.size() <= kFilesKept) return;
  std::sort(files.begin(), files.end());
  for (size_t i = 0; i + kFilesKept < files.size(); ++i) fs::remove(files[i].second, ec);
}

}  // namespace

void setIndexCountDirectory(const std::string& directory) { countDirectory() = directory; }

bool loadSavedCounts(const SavedCountsKey& key, uint32_t pageCount,
                     std::unordered_map<uint32_t, uint64_t>& counts) {
  if (countDirectory().empty()) return false;
  std::ifstream in(countFile(key), std::ios::binary);
  if (!in) return false;
  char h[kHeaderSize];
  if (!in.read(h, kHeaderSize) || std::memcmp(h, kMagic, 8) != 0) return false;
  if (get64(h + 8) != key.dev || get64(h + 16) != key.ino || get64(h + 24) != key.size ||
      get64(h + 32) != static_cast<uint64_t>(key.mtime) || decode32(h + 40) != key.counter)
    return false;
  const uint32_t entries = decode32(h + 44);
  if (entries > pageCount / 2) return false;
  std::string body(static_cast<size_t>(entries) * kEntrySize, '\0');
  if (!in.read(body.data(), static_cast<std::streamsize>(body.size()))) return false;
  std::unordered_map<uint32_t, uint64_t> loaded;
  loaded.reserve(entries);
  for (size_t i = 0; i < entries; ++i) {
    const char* e = body.data() + i * kEntrySize;
    const uint32_t page = decode32(e);
    if (page >= pageCount) return false;
    loaded.emplace(page, get64(e + 4));
  }
  counts = std::move(loaded);
  return true;
}

void saveCounts(const SavedCountsKey& key, const std::unordered_map<uint32_t, uint64_t>& counts) {
  if (countDirectory().empty() || counts.empty()) return;
  std::string out(kMagic, 8);
  put64(out, key.dev);
  put64(out, key.ino);
  put64(out, key.size);
  put64(out, static_cast<uint64_t>(key.mtime));
  char tail[8];
  encode32(tail, key.counter);
  encode32(tail + 4, static_cast<uint32_t>(counts.size()));
  out.append(tail, 8);
  out.reserve(out.size() + counts.size() * kEntrySize);
  for (const auto& [page, count] : counts) {
    char e[4];
    encode32(e, page);
    out.append(e, 4);
    put64(out, count);
  }
  // Nothing here may fail the caller: counts are only ever a shortcut.
  std::error_code ec;
  const fs::path dir(countDirectory());
  fs::create_directories(dir, ec);
  const fs::path target = countFile(key);
  fs::path tmp = target;
  tmp += ".tmp" + std::to_string(::getpid());
  {
    // A new file, never through a link planted at the name.
    fs::remove(tmp, ec);
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const bool written = ::write(fd, out.data(), out.size()) == static_cast<ssize_t>(out.size());
    ::close(fd);
    if (!written) {
      fs::remove(tmp, ec);
      return;
    }
  }
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    return;
  }
  prune(dir);
}

}  // namespace dbase
