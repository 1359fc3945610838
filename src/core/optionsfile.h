#pragma once

// Byte layouts of the two options.dat files: little-endian words and strings
// of one plain length byte followed by bytes XORed with a repeating key. The
// text is Windows-1252, one byte per character (core/filetext.h).

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "core/settings.h"

namespace optionsfile {

inline constexpr std::array<uint8_t, 10> kScrambleKey = {0x03, 0x0A, 0x11, 0x07, 0x0C,
                                                         0x04, 0x09, 0x02, 0x0D, 0x05};
inline constexpr int kMaxStringBytes = 255;
inline constexpr char kFileName[] = "options.dat";

QByteArray scramble(const QByteArray& plain);  // same operation both ways

// Sequential writer and bounds-checked reader of the stream.
class Writer {
 public:
  void word(uint16_t v);
  void string(const QString& s);  // cut to 255 characters
  // A directory or file name the file cannot hold (too long, or characters
  // without a code) is written empty: not remembered rather than remembered wrong.
  void location(const QString& s);
  const QByteArray& bytes() const { return out_; }

 private:
  QByteArray out_;
};

class Reader {
 public:
  explicit Reader(const QByteArray& in) : in_(in) {}
  std::optional<uint16_t> word();
  std::optional<QString> string();

 private:
  const QByteArray& in_;
  qsizetype pos_ = 0;
  bool failed_ = false;  // sticky: nothing after a short field is read
};

struct ProgramOptions {
  uint16_t passwordMode, publicAccess;
  QString dataRootDir;
  uint16_t usersCount;
  QString supervisorPassword;
};

struct UserOptions {
  uint16_t menusAndSpeedBars, comPort, dialType, hintMessages, letterTabs, initialDataFile,
      reservedOption, dateFormat, speedBarLocation, deleteMode;
  QString tableName, databaseDir;
  uint16_t bookModel, letterTabsLocation;
};

QByteArray encode(const ProgramOptions& o);
QByteArray encode(const UserOptions& o);
// Nothing when the bytes end before the layout does.
std::optional<ProgramOptions> decodeProgram(const QByteArray& bytes);
std::optional<UserOptions> decodeUser(const QByteArray& bytes);

}  // namespace optionsfile
