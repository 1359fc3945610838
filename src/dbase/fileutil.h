#pragma once

// POSIX file helpers shared by the DBF, DBT and MDX code: owned descriptors,
// full reads/writes at offsets, case-insensitive lookup and atomic replace.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace dbase {

// An owned file descriptor; every failure throws dbase::Error naming the file.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // flags as for open(2); O_CLOEXEC is added.
  static File open(const std::string& path, int flags, int mode = 0644);
  // A new, empty file at path (O_RDWR), never written through a link: whatever
  // is there (a leftover from a crash, a link someone planted) is unlinked
  // first, then the file is created with O_EXCL | O_NOFOLLOW.
  static File createFresh(const std::string& path, int mode = 0644);

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  void close();

  uint64_t size() const;
  // Reads up to n bytes at offset; returns how many were read (short at EOF).
  size_t readAt(uint64_t offset, void* buf, size_t n) const;
  // Reads exactly n bytes or throws FormatError ("truncated").
  void readExact(uint64_t offset, void* buf, size_t n) const;
  void writeAt(uint64_t offset, const void* buf, size_t n);
  void writeAt(uint64_t offset, std::string_view data) {
    writeAt(offset, data.data(), data.size());
  }
  void truncate(uint64_t size);
  void sync();

 private:
  int fd_ = -1;
  std::string path_;
};

// Splits "dir/name.ext": directory ("." when none), base name, extension with dot.
std::string dirName(const std::string& path);
std::string fileName(const std::string& path);
std::string baseName(const std::string& path);  // file name without extension
std::string joinPath(const std::string& dir, const std::string& name);

bool fileExists(const std::string& path);
// The path of the file as it exists on disk, matched case-insensitively in its
// directory, or nullopt.
std::optional<std::string> resolveFile(const std::string& path);
// The companion of a table ("DATA.DBF" + ".mdx" -> "DATA.MDX" when it exists, in
// any case); when absent, the name to create, with the extension in the table's case.
std::string companionPath(const std::string& dbfPath, std::string_view ext, bool* exists);

// Renames from over to and makes the rename durable (fsync of the directory).
void replaceFile(const std::string& from, const std::string& to);
void removeFile(const std::string& path);  // ignores a missing file
void syncDirectory(const std::string& dir);
void copyFile(const std::string& from, const std::string& to);  // to must not exist

// Everything left in a stream.
std::string readStream(std::istream& in);

bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string toUpper(std::string_view s);

}  // namespace dbase
