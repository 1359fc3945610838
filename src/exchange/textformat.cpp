#include "exchange/textformat.h"

#include <algorithm>
#include <cstring>

namespace exchange {

// ---------------------------------------------------------------- writing

void TextLineWriter::open() {
  if (!first_ && format_.separator) out_.push_back(format_.separator);
  first_ = false;
  if (format_.delimiter) out_.push_back(format_.delimiter);
}

void TextLineWriter::close() {
  if (format_.delimiter) out_.push_back(format_.delimiter);
}

void TextLineWriter::value(std::string_view text) {
  open();
  const char d = format_.delimiter;
  if (!d || text.find(d) == std::string_view::npos) {
    out_.append(text);
  } else {
    // Doubled, as the reader and spreadsheets take it back.
    for (char c : text) {
      out_.push_back(c);
      if (c == d) out_.push_back(d);
    }
  }
  close();
}

void TextLineWriter::memo(std::string_view text) {
  open();
  out_.push_back(kMemoMark);
  out_.append(text);
  out_.push_back(kMemoMark);
  close();
}

void TextLineWriter::endLine() {
  out_.append("\r\n");
  first_ = true;
}

// ---------------------------------------------------------------- sources

size_t MemorySource::read(char* data, size_t size) {
  const size_t n = std::min(size, bytes_.size());
  std::memcpy(data, bytes_.data(), n);
  bytes_.remove_prefix(n);
  return n;
}

namespace {

// Code points of 0x80..0x9F in Windows-1252 (0: no character there).
constexpr char16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Length of the UTF-8 sequence starting at s (within n bytes) and its code
// point; 0 when invalid, -1 when cut short by the end.
int decodeUtf8(const unsigned char* s, size_t n, char32_t* cp) {
  const unsigned char b = s[0];
  int len = 0;
  char32_t c = 0;
  if (b < 0x80) {
    *cp = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    len = 2, c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, c = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, c = b & 0x07;
  } else {
    return 0;
  }
  for (int i = 1; i < len; ++i) {
    if (static_cast<size_t>(i) >= n) return -1;
    if ((s[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (s[i] & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are not UTF-8.
  if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
      (c >= 0xD800 && c <= 0xDFFF))
    return 0;
  *cp = c;
  return len;
}

}  // namespace

unsigned char to1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] && kHigh1252[i] == c) return static_cast<unsigned char>(0x80 + i);
  return 0;
}

std::string utf8Of1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    char32_t c = b;
    if (b >= 0x80 && b < 0xA0 && kHigh1252[b - 0x80]) c = kHigh1252[b - 0x80];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool looksLikeUtf8(std::string_view head, bool* bom) {
  const bool hasBom = head.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) *bom = hasBom;
  if (hasBom) return true;
  const auto* s = reinterpret_cast<const unsigned char*>(head.data());
  bool multi = false;
  for (size_t i = 0; i < head.size();) {
    char32_t c = 0;
    const int len = decodeUtf8(s + i, head.size() - i, &c);
    if (len < 0) break;
    if (len == 0) return false;
    multi = multi || len > 1;
    i += static_cast<size_t>(len);
  }
  return multi;
}

bool Utf8To1252Source::fill() {
  if (end_) return false;
  buf_.erase(0, pos_);
  pos_ = 0;
  const size_t have = buf_.size();
  buf_.resize(have + 65536);
  const size_t n = in_.read(buf_.data() + have, 65536);
  buf_.resize(have + n);
  if (n == 0) end_ = true;
  if (skipBom_ && buf_.size() >= 3) {
    if (buf_.compare(0, 3, "\xEF\xBB\xBF") == 0) buf_.erase(0, 3);
    skipBom_ = false;
  }
  return n > 0;
}

size_t Utf8To1252Source::read(char* data, size_t size) {
  size_t out = 0;
  while (out < size) {
    if (pos_ >= buf_.size() || (buf_.size() - pos_ < 4 && !end_)) {
      if (!fill() && pos_ >= buf_.size()) break;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(buf_.data()) + pos_;
    const size_t left = buf_.size() - pos_;
    if (left == 0) break;
    char32_t c = 0;
    int len = decodeUtf8(s, left, &c);
    if (len < 0 && !end_) {
      fill();  // the rest of a sequence cut by the chunk
      continue;
    }
    if (len <= 0) {
      // Not UTF-8: the byte is taken as a 1252 byte.
      data[out++] = static_cast<char>(s[0]);
      ++replaced_;
      ++pos_;
      continue;
    }
    const unsigned char b = to1252(c);
    if (!b && c != 0) ++replaced_;
    data[out++] = static_cast<char>(b || c == 0 ? b : '?');
    pos_ += static_cast<size_t>(len);
  }
  return out;
}

// ---------------------------------------------------------------- reading

TextRecordReader::TextRecordReader(ByteSource& in, TextFormat format, std::vector<bool> memo)
    : in_(in), format_(format), memo_(std::move(memo)), buf_(65536) {}

int TextRecordReader::peek() {
  if (pos_ == len_) {
    if (eof_) return -1;
    len_ = in_.read(buf_.data(), buf_.size());
    pos_ = 0;
    if (len_ == 0) {
      eof_ = true;
      return -1;
    }
  }
  return static_cast<unsigned char>(buf_[pos_]);
}

int TextRecordReader::get() {
  const int c = peek();
  if (c >= 0) {
    ++pos_;
    if ((++consumed_ & 0xFFFFF) == 0 && onMiB_) onMiB_();
  }
  return c;
}

void TextRecordReader::keep(FieldText& f, bool memo, char c) {
  std::string& b = f.text;
  if (b.size() < kFieldLimit) {
    b.push_back(c);
    return;
  }
  if (!memo) {
    f.cut = true;
    return;
  }
  size_t total = 0;
  for (const std::string& l : f.lines) total += l.size() + 2;
  if (total > kMemoLimit) {
    f.cut = true;
    return;
  }
  // A full line of a memo wraps after its last blank.
  const size_t blank = b.rfind(' ');
  if (blank == std::string::npos) {
    f.lines.push_back(std::move(b));
    b.clear();
  } else {
    f.lines.push_back(b.substr(0, blank + 1));
    b.erase(0, blank + 1);
  }
  b.push_back(c);
}

TextRecordReader::End TextRecordReader::readPlain(FieldText& f, bool memo, bool last,
                                                  bool inDelimiter) {
  const char sep = format_.separator, delim = format_.delimiter;
  bool memoOpen = false;
  for (;;) {
    // A run of plain characters that fits goes in at once.
    if (pos_ < len_ && f.text.size() < kFieldLimit) {
      const size_t stop = std::min(len_, pos_ + (kFieldLimit - f.text.size()));
      size_t end = pos_;
      while (end < stop) {
        const char u = buf_[end];
        if (static_cast<unsigned char>(u) < 32 || u == sep || (inDelimiter && u == delim) ||
            (memo && u == kMemoMark))
          break;
        ++end;
      }
      if (end > pos_) {
        f.text.append(buf_.data() + pos_, end - pos_);
        const uint64_t before = consumed_;
        consumed_ += end - pos_;
        pos_ = end;
        if ((before >> 20) != (consumed_ >> 20) && onMiB_) onMiB_();
        continue;
      }
    }
    const int c = get();
    if (c < 0) return End::EndOfFile;
    const char ch = static_cast<char>(c);
    if (memo && ch == kMemoMark) {
      if (!memoOpen) {
        memoOpen = true;
        continue;
      }
      f.lines.push_back(std::move(f.text));
      f.text.clear();
      if (inDelimiter && peek() == static_cast<unsigned char>(delim)) get();
      if (!last && peek() == static_cast<unsigned char>(sep)) get();
      return End::MemoClosed;
    }
    if (!memoOpen) {
      if (inDelimiter && ch == delim) {
        const int n = peek();
        if (n == static_cast<unsigned char>(delim)) {  // doubled: one delimiter
          get();
          keep(f, memo, ch);
          continue;
        }
        if (n < 0) return End::EndOfFile;
        if (n == static_cast<unsigned char>(sep)) {
          if (!last) get();
          return End::Delimiter;
        }
        if (n == '\r' || n == '\n') {
          if (get() == '\r' && peek() == '\n') get();
          return End::LineFeed;
        }
        keep(f, memo, ch);  // a stray delimiter is text
        continue;
      }
      if (!inDelimiter && ch == sep) return End::Separator;
    }
    if (ch == '\n') {
      if (memoOpen || (inDelimiter && memo)) {
        f.lines.push_back(std::move(f.text));
        f.text.clear();
        continue;
      }
      if (inDelimiter) {
        keep(f, memo, ' ');
        continue;
      }
      return End::LineFeed;
    }
    if (ch == '\r') continue;
    if (ch == '\t' || c >= 32) keep(f, memo, ch);
  }
}

TextRecordReader::End TextRecordReader::readField(FieldText& f, bool memo, bool last) {
  End end;
  if (format_.delimiter && peek() == static_cast<unsigned char>(format_.delimiter)) {
    get();
    end = readPlain(f, memo, last, true);
  } else {
    end = readPlain(f, memo, last, false);
  }
  if (memo && end != End::MemoClosed && (!f.text.empty() || !f.lines.empty())) {
    f.lines.push_back(std::move(f.text));
    f.text.clear();
  }
  return end;
}

void TextRecordReader::skipLine() {
  for (;;) {
    const int c = get();
    if (c < 0 || c == '\n') return;
    if (c == '\r') {
      if (peek() == '\n') get();
      return;
    }
  }
}

bool TextRecordReader::next(std::vector<FieldText>& fields) {
  if (memo_.empty() || !format_.separator || peek() < 0) return false;
  // Emptied in place: their buffers serve the next record.
  fields.resize(memo_.size());
  for (FieldText& f : fields) {
    f.text.clear();
    f.lines.clear();
    f.cut = false;
  }
  End end = End::LineFeed;
  for (size_t i = 0; i < memo_.size(); ++i) {
    end = readField(fields[i], memo_[i], i + 1 == memo_.size());
    if (end == End::EndOfFile) return true;
  }
  if (end != End::LineFeed) skipLine();
  return true;
}

bool TextRecordReader::blank(const std::vector<FieldText>& fields) {
  return std::all_of(fields.begin(), fields.end(), [](const FieldText& f) {
    return f.text.empty() &&
           std::all_of(f.lines.begin(), f.lines.end(), [](const auto& l) { return l.empty(); });
  });
}

}  // namespace exchange
