#pragma once

// Delimited text files of records, byte by byte: no Qt, so the reader can be
// fuzzed on its own. Values are table text (Windows-1252 bytes); a file in
// UTF-8 is turned into those bytes by Utf8To1252Source before the reader.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

inline constexpr char kMemoMark = 3;
inline constexpr size_t kFieldLimit = 255;  // characters kept of one value or memo line
// A memo stops growing here, so one endless line cannot take all memory.
inline constexpr size_t kMemoLimit = size_t{1} << 20;

struct TextFormat {
  char separator = '\t';  // 0: nothing is written or read
  char delimiter = 0;     // 0: none
};

// Writing: one value after the other, then endLine().
class TextLineWriter {
 public:
  TextLineWriter(std::string& out, TextFormat format) : out_(out), format_(format) {}
  void value(std::string_view text);
  // The memo's text as stored, its lines joined by CR LF.
  void memo(std::string_view text);
  void endLine();

 private:
  void open();
  void close();
  std::string& out_;
  TextFormat format_;
  bool first_ = true;
};

// Where the reader takes its bytes from, in chunks.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `data`; 0 at the end. Throws on a read error.
  virtual size_t read(char* data, size_t size) = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  size_t read(char* data, size_t size) override;

 private:
  std::string_view bytes_;
};

// Whether `head` (the start of a file) is UTF-8: a byte-order mark, or at
// least one multi-byte sequence and none that is invalid (a sequence cut by
// the end of `head` counts as valid).
bool looksLikeUtf8(std::string_view head, bool* bom = nullptr);

// UTF-8 in, Windows-1252 out. A character 1252 has no byte for becomes "?",
// a byte that is no valid UTF-8 passes as it is (a 1252 byte in a mostly
// UTF-8 file); both are counted.
class Utf8To1252Source : public ByteSource {
 public:
  explicit Utf8To1252Source(ByteSource& in, bool skipBom) : in_(in), skipBom_(skipBom) {}
  size_t read(char* data, size_t size) override;
  uint64_t replaced() const { return replaced_; }

 private:
  bool fill();
  ByteSource& in_;
  bool skipBom_;
  std::string buf_;
  size_t pos_ = 0;
  bool end_ = false;
  uint64_t replaced_ = 0;
};

// Windows-1252 byte of a Unicode code point; 0 when it has none.
unsigned char to1252(char32_t c);
// UTF-8 of a Windows-1252 byte.
std::string utf8Of1252(std::string_view bytes);

// One value read: text for a plain field, lines for a memo.
struct FieldText {
  std::string text;
  std::vector<std::string> lines;
  bool cut = false;  // characters past the limit were dropped
};

// Reads records field by field as the export writes them, and as
// spreadsheets write CSV: a value may or may not be enclosed in the
// delimiter; inside one, a doubled delimiter is one delimiter and a line end
// belongs to the value (a new memo line, or a blank in a plain field).
class TextRecordReader {
 public:
  // memo[i]: whether the i-th field of the list is a memo.
  TextRecordReader(ByteSource& in, TextFormat format, std::vector<bool> memo);
  // The next record; false at the end of the file. A record whose fields are
  // all empty is returned too (`blank()` says so).
  bool next(std::vector<FieldText>& fields);
  static bool blank(const std::vector<FieldText>& fields);
  // Bytes consumed so far.
  uint64_t position() const { return consumed_; }
  // Called after every MiB read, so one endless line still lets the
  // program show how far it got.
  void onEveryMiB(std::function<void()> call) { onMiB_ = std::move(call); }

 private:
  enum class End { Separator, LineFeed, Delimiter, MemoClosed, EndOfFile };
  int get();
  int peek();
  End readField(FieldText& f, bool memo, bool last);
  End readPlain(FieldText& f, bool memo, bool last, bool inDelimiter);
  void keep(FieldText& f, bool memo, char c);
  void skipLine();

  ByteSource& in_;
  TextFormat format_;
  std::vector<bool> memo_;
  std::vector<char> buf_;
  size_t pos_ = 0, len_ = 0;
  bool eof_ = false;
  uint64_t consumed_ = 0;
  std::function<void()> onMiB_;
};

}  // namespace exchange
