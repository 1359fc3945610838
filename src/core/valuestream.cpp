#include "core/valuestream.h"

#include <QFile>
#include <QSaveFile>
#include <limits>

#include "core/filetext.h"

namespace valuestream {

void ValueWriter::le(uint32_t v, int size) {
  for (int i = 0; i < size; ++i) byte(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void ValueWriter::listStart() { byte(kListStart); }
void ValueWriter::listEnd() { byte(kListEnd); }

void ValueWriter::integer(int32_t v) {
  if (v >= std::numeric_limits<int8_t>::min() && v <= std::numeric_limits<int8_t>::max()) {
    byte(kInt8);
    le(static_cast<uint32_t>(v), 1);
  } else if (v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max()) {
    byte(kInt16);
    le(static_cast<uint32_t>(v), 2);
  } else {
    byte(kInt32);
    le(static_cast<uint32_t>(v), 4);
  }
}

void ValueWriter::string(const QString& s) { bytes(toFileText(s)); }

void ValueWriter::bytes(QByteArrayView raw) {
  if (raw.size() <= kShortStringMax) {
    byte(kString);
    le(static_cast<uint32_t>(raw.size()), 1);
  } else {
    byte(kLongString);
    le(static_cast<uint32_t>(raw.size()), 4);
  }
  out_.append(raw);
}

void ValueWriter::rawString(const QString& s) {
  const QByteArray raw = toFileText(s).left(kShortStringMax);
  byte(static_cast<uint8_t>(raw.size()));
  out_.append(raw);
}

ValueReader::ValueReader(QByteArray in, QString source)
    : in_(std::move(in)), source_(std::move(source)) {}

void ValueReader::fail(const std::string& reason) const {
  throw StreamError(source_.toStdString(), reason + " at offset " + std::to_string(pos_));
}

uint8_t ValueReader::peekType() {
  if (atEnd()) fail("stream ends before its list end");
  return static_cast<uint8_t>(in_.at(pos_));
}

uint8_t ValueReader::typeByte() {
  const uint8_t t = peekType();
  ++pos_;
  return t;
}

uint32_t ValueReader::le(int size) {
  if (in_.size() - pos_ < size) fail("value crosses the end of the stream");
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(in_.at(pos_ + i));
  pos_ += size;
  return v;
}

void ValueReader::listStart() {
  if (typeByte() != kListStart) {
    --pos_;
    fail("list start expected");
  }
}

bool ValueReader::atListEnd() {
  if (peekType() != kListEnd) return false;
  ++pos_;
  return true;
}

int32_t ValueReader::integer() {
  switch (typeByte()) {
    case kInt8:
      return static_cast<int8_t>(le(1));
    case kInt16:
      return static_cast<int16_t>(le(2));
    case kInt32:
      return static_cast<int32_t>(le(4));
    default:
      --pos_;
      fail("integer expected");
  }
}

QByteArray ValueReader::bytes() {
  qsizetype n = 0;
  switch (typeByte()) {
    case kString:
      n = le(1);
      break;
    case kLongString:
      n = le(4);
      break;
    default:
      --pos_;
      fail("string expected");
  }
  // The length is checked against the bytes present before anything is allocated.
  if (in_.size() - pos_ < n) fail("string crosses the end of the stream");
  QByteArray out = in_.mid(pos_, n);
  pos_ += n;
  return out;
}

QString ValueReader::string() { return fromFileText(bytes()); }

QString ValueReader::rawString() {
  const qsizetype n = le(1);
  if (in_.size() - pos_ < n) fail("string crosses the end of the stream");
  const QByteArray out = in_.mid(pos_, n);
  pos_ += n;
  return fromFileText(out);
}

std::optional<QByteArray> readFileBounded(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  return f.read(kMaxFileBytes);
}

void writeFileOrThrow(const QString& path, const QByteArray& bytes) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
    throw dbase::Error(path.toStdString(),
                       "cannot write the file: " + f.errorString().toStdString());
}

}  // namespace valuestream
