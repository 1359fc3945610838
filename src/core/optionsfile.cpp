#include "core/optionsfile.h"

#include "core/filetext.h"

namespace optionsfile {

QByteArray scramble(const QByteArray& plain) {
  QByteArray out = plain;
  for (qsizetype i = 0; i < out.size(); ++i)
    out[i] =
        static_cast<char>(static_cast<uint8_t>(out[i]) ^ kScrambleKey[i % kScrambleKey.size()]);
  return out;
}

void Writer::word(uint16_t v) {
  out_.append(static_cast<char>(v & 0xFF));
  out_.append(static_cast<char>(v >> 8));
}

void Writer::string(const QString& s) {
  const QByteArray bytes = toFileText(s).left(kMaxStringBytes);
  out_.append(static_cast<char>(bytes.size()));
  out_.append(scramble(bytes));
}

void Writer::location(const QString& s) {
  const bool holds = s.size() <= kMaxStringBytes && fitsFileText(s);
  string(holds ? s : QString());
}

std::optional<uint16_t> Reader::word() {
  if (failed_ || in_.size() - pos_ < 2) {
    failed_ = true;
    return std::nullopt;
  }
  const auto lo = static_cast<uint8_t>(in_[pos_]);
  const auto hi = static_cast<uint8_t>(in_[pos_ + 1]);
  pos_ += 2;
  return static_cast<uint16_t>(lo | (hi << 8));
}

std::optional<QString> Reader::string() {
  if (failed_ || pos_ >= in_.size() || in_.size() - pos_ - 1 < static_cast<uint8_t>(in_[pos_])) {
    failed_ = true;
    return std::nullopt;
  }
  const int n = static_cast<uint8_t>(in_[pos_]);
  const QByteArray plain = scramble(in_.mid(pos_ + 1, n));
  pos_ += 1 + n;
  return fromFileText(plain);
}

QByteArray encode(const ProgramOptions& o) {
  Writer w;
  w.word(o.passwordMode);
  w.word(o.publicAccess);
  w.location(o.dataRootDir);
  w.word(o.usersCount);
  w.string(o.supervisorPassword);
  return w.bytes();
}

QByteArray encode(const UserOptions& o) {
  Writer w;
  for (uint16_t v :
       {o.menusAndSpeedBars, o.comPort, o.dialType, o.hintMessages, o.letterTabs, o.initialDataFile,
        o.reservedOption, o.dateFormat, o.speedBarLocation, o.deleteMode})
    w.word(v);
  w.location(o.tableName);
  w.location(o.databaseDir);
  w.word(o.bookModel);
  w.word(o.letterTabsLocation);
  return w.bytes();
}

std::optional<ProgramOptions> decodeProgram(const QByteArray& bytes) {
  Reader r(bytes);
  auto passwordMode = r.word();
  auto publicAccess = r.word();
  auto root = r.string();
  auto users = r.word();
  auto password = r.string();
  if (!password) return std::nullopt;  // every earlier field was read when the last one was
  return ProgramOptions{*passwordMode, *publicAccess, *root, *users, *password};
}

std::optional<UserOptions> decodeUser(const QByteArray& bytes) {
  Reader r(bytes);
  uint16_t words[10];
  for (uint16_t& w : words) {
    auto v = r.word();
    if (!v) return std::nullopt;
    w = *v;
  }
  auto table = r.string();
  auto dir = r.string();
  auto model = r.word();
  auto location = r.word();
  if (!location) return std::nullopt;
  return UserOptions{words[0], words[1], words[2], words[3], words[4], words[5], words[6],
                     words[7], words[8], words[9], *table,   *dir,     *model,   *location};
}

}  // namespace optionsfile
