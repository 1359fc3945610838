#pragma once

// The typed value stream of our own small files (header.dat, *.hdr, the
// template lists, the filter file): a type byte, then that value's data,
// little-endian, with no header or version.
//
// Text is stored as Windows-1252 bytes (core/filetext.h), like the table
// engine stores it, so a caption written here compares equal to the same text
// read from a table.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>

#include "dbase/error.h"

namespace valuestream {

// Type bytes.
inline constexpr uint8_t kListEnd = 0x00;
inline constexpr uint8_t kListStart = 0x01;
inline constexpr uint8_t kInt8 = 0x02;
inline constexpr uint8_t kInt16 = 0x03;
inline constexpr uint8_t kInt32 = 0x04;
inline constexpr uint8_t kString = 0x06;      // 1-byte length
inline constexpr uint8_t kLongString = 0x0C;  // 4-byte length

inline constexpr int kShortStringMax = 255;
// Our files are a few kilobytes; anything beyond this is not one of them, and
// reading stops there with a stream error.
inline constexpr qsizetype kMaxFileBytes = 16 * 1024 * 1024;

// A damaged stream: unknown type byte, a value that crosses the end.
using StreamError = dbase::FormatError;

class ValueWriter {
 public:
  void listStart();
  void listEnd();
  void integer(int32_t v);              // smallest of the three forms
  void string(const QString& s);        // Windows-1252
  void bytes(QByteArrayView raw);       // string value of raw bytes
  void rawByte(uint8_t b) { byte(b); }  // a bare byte, no type byte before it
  // Bare values with no type byte (report.dat, label.dat): a 4-byte integer;
  // a length byte and at most 255 bytes of Windows-1252 text.
  void rawInt32(int32_t v) { le(static_cast<uint32_t>(v), 4); }
  void rawString(const QString& s);
  const QByteArray& data() const { return out_; }

 private:
  void byte(uint8_t b) { out_.append(static_cast<char>(b)); }
  void le(uint32_t v, int size);

  QByteArray out_;
};

// Reads values from a (shared, not copied) buffer; every read checks the
// bytes left and throws TStreamError (naming `source`) rather than run past them.
class ValueReader {
 public:
  explicit ValueReader(QByteArray in, QString source = {});

  void listStart();
  // True, and the marker consumed, when the next value is the list end.
  bool atListEnd();
  int32_t integer();
  QString string();
  QByteArray bytes();                                        // a string value as its raw bytes
  uint8_t rawByte() { return static_cast<uint8_t>(le(1)); }  // a bare byte
  int32_t rawInt32() { return static_cast<int32_t>(le(4)); }
  QString rawString();

  bool atEnd() const { return pos_ >= in_.size(); }
  qsizetype position() const { return pos_; }

 private:
  uint8_t typeByte();
  uint8_t peekType();
  // Little-endian unsigned of `size` bytes.
  uint32_t le(int size);
  [[noreturn]] void fail(const std::string& reason) const;

  QByteArray in_;
  qsizetype pos_ = 0;
  QString source_;
};

// At most the first kMaxFileBytes of a file: a longer one then lacks its
// list end and reading it stops with a stream error. Nothing when the file
// cannot be opened.
std::optional<QByteArray> readFileBounded(const QString& path);
// Writes the whole file anew; throws dbase::Error naming the file when it
// cannot be created or written.
void writeFileOrThrow(const QString& path, const QByteArray& bytes);

}  // namespace valuestream
