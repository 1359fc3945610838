#pragma once

// Shared by the fuzz targets: a scratch directory per process and small
// builders for the fixed files a target pairs with the fuzzed one.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline const std::filesystem::path& scratch() {
  static const std::filesystem::path dir = [] {
    // Memory-backed when there is no TMPDIR: the write path syncs often.
    std::error_code ec;
    const std::filesystem::path base =
        !std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", ec)
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    auto d = base / ("tomes_fuzz_" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] { std::filesystem::remove_all(scratch()); });
    return d;
  }();
  return dir;
}

inline std::string writeFile(const std::string& name, std::string_view bytes) {
  const auto path = (scratch() / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

inline void removeFile(const std::string& name) {
  std::error_code ec;
  std::filesystem::remove(scratch() / name, ec);
}

struct Field {
  std::string name;
  char type;
  int length;
  int decimals;
};

inline std::string padRight(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

inline std::string padLeft(const std::string& s, size_t n) {
  return s.size() >= n ? s.substr(0, n) : std::string(n - s.size(), ' ') + s;
}

// A well-formed table of the given fields; each record starts with its
// deletion flag (' ' or '*').
inline std::string makeDbf(uint8_t version, bool production, const std::vector<Field>& fields,
                           const std::vector<std::string>& records) {
  int recordLength = 1;
  for (const auto& f : fields) recordLength += f.length;
  const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1;
  std::string h(32, '\0');
  h[0] = static_cast<char>(version);
  h[1] = 124;
  h[2] = 1;
  h[3] = 1;
  const auto n = static_cast<uint32_t>(records.size());
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>(n >> (8 * i));
  h[8] = static_cast<char>(headerLength & 0xFF);
  h[9] = static_cast<char>(headerLength >> 8);
  h[10] = static_cast<char>(recordLength & 0xFF);
  h[11] = static_cast<char>(recordLength >> 8);
  h[28] = production ? 1 : 0;
  h[29] = 0x57;
  for (const auto& f : fields) {
    std::string d(32, '\0');
    d.replace(0, f.name.size(), f.name);
    d[11] = f.type;
    d[16] = static_cast<char>(f.length);
    d[17] = static_cast<char>(f.decimals);
    h += d;
  }
  h += '\x0D';
  for (const auto& r : records) {
    std::string rec = r;
    rec.resize(static_cast<size_t>(recordLength), ' ');
    h += rec;
  }
  h += '\x1A';
  return h;
}

}  // namespace fuzz
