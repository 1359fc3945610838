#include "users/useraccounts.h"

#include <QFile>

#include "core/filetext.h"
#include "core/settings.h"

namespace users {

namespace {

constexpr char kListStart = 0x01;
constexpr char kListEnd = 0x00;
constexpr int kMaxStringBytes = 255;
// 9999 accounts of four 255-byte strings stay below this; more is not ours.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

QByteArray scramble(QByteArray bytes) {
  for (qsizetype i = 0; i < bytes.size(); ++i)
    bytes[i] =
        static_cast<char>(static_cast<uint8_t>(bytes[i]) ^ kScrambleKey[i % kScrambleKey.size()]);
  return bytes;
}

void putString(QByteArray& out, const QString& s) {
  const QByteArray bytes = toFileText(s).left(kMaxStringBytes);
  out.append(static_cast<char>(bytes.size()));
  out.append(scramble(bytes));
}

// A bounds-checked walk over the file's bytes.
class Reader {
 public:
  explicit Reader(const QByteArray& in) : in_(in) {}
  qsizetype left() const { return in_.size() - pos_; }
  qsizetype pos() const { return pos_; }
  uint8_t peek() const { return static_cast<uint8_t>(in_[pos_]); }
  std::optional<uint8_t> byte() {
    if (left() < 1) return std::nullopt;
    return static_cast<uint8_t>(in_[pos_++]);
  }
  std::optional<uint16_t> word() {
    if (left() < 2) return std::nullopt;
    const auto lo = static_cast<uint8_t>(in_[pos_]);
    const auto hi = static_cast<uint8_t>(in_[pos_ + 1]);
    pos_ += 2;
    return static_cast<uint16_t>(lo | (hi << 8));
  }
  std::optional<QString> string() {
    if (left() < 1 || left() - 1 < peek()) return std::nullopt;
    const int n = peek();
    const QByteArray plain = scramble(in_.mid(pos_ + 1, n));
    pos_ += 1 + n;
    return fromFileText(plain);
  }

 private:
  const QByteArray& in_;
  qsizetype pos_ = 0;
};

}  // namespace

QString dataDirName(int number) {
  return QStringLiteral("data%1").arg(number, 4, 10, QLatin1Char('0'));
}

std::optional<uint16_t> nextFreeNumber(const UserList& list) {
  std::vector<bool> taken(kMaxNumber + 1, false);
  for (const UserRec& u : list)
    if (u.number <= kMaxNumber) taken[u.number] = true;
  for (int n = 1; n <= kMaxNumber; ++n)
    if (!taken[n]) return static_cast<uint16_t>(n);
  return std::nullopt;
}

int findUserByName(const UserList& list, const QString& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].name == name) return static_cast<int>(i);
  return -1;
}

int findUserById(const UserList& list, const QString& id) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].userId == id) return static_cast<int>(i);
  return -1;
}

AddResult addUser(UserList& list, const QString& name, const QString& id, uint8_t access,
                  uint8_t status, const QString& password) {
  if (findUserByName(list, name) >= 0) return AddResult::NameTaken;
  const auto number = nextFreeNumber(list);
  if (!number) return AddResult::NoFreeNumber;
  list.push_back({*number, name, id, password, dataDirName(*number), status, access});
  return AddResult::Added;
}

void deleteUser(UserList& list, int index) {
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  list.erase(list.begin() + index);
}

QByteArray encode(const UserList& list) {
  QByteArray out;
  out.append(kListStart);
  for (const UserRec& u : list) {
    out.append(static_cast<char>(u.number & 0xFF));
    out.append(static_cast<char>(u.number >> 8));
    for (const QString* s : {&u.name, &u.userId, &u.password, &u.dataDir}) putString(out, *s);
    out.append(static_cast<char>(u.status));
    out.append(static_cast<char>(u.access));
  }
  out.append(kListEnd);
  return out;
}

Decoded decode(const QByteArray& bytes) {
  Decoded d;
  Reader r(bytes);
  auto fail = [&](const QString& why) {
    d.list.clear();
    d.error = why;
    return d;
  };
  const auto start = r.byte();
  if (!start) return fail(QStringLiteral("the file is empty"));
  if (*start != kListStart) return fail(QStringLiteral("it does not start with a list"));
  for (;;) {
    if (r.left() == 0) return fail(QStringLiteral("it ends before its list does"));
    // The end mark is the last byte. An account number whose low byte is 0
    // (256, 512, ...) starts with the same byte, but more follows it.
    if (r.peek() == kListEnd && r.left() == 1) break;
    const qsizetype at = r.pos();
    UserRec u;
    const auto number = r.word();
    auto name = r.string();
    auto id = name ? r.string() : std::nullopt;
    auto password = id ? r.string() : std::nullopt;
    auto dir = password ? r.string() : std::nullopt;
    const auto status = dir ? r.byte() : std::nullopt;
    const auto access = status ? r.byte() : std::nullopt;
    if (!number || !access)
      return fail(
          QStringLiteral("account %1 (at byte %2) is cut off").arg(d.list.size() + 1).arg(at));
    d.list.push_back({*number, *name, *id, *password, *dir, *status, *access});
  }
  return d;
}

QString usersFilePath() {
  return joinPath(appSettings().programDir, QString::fromLatin1(kFileName));
}

LoadResult loadUsers(UserList& list) {
  list.clear();
  QFile f(usersFilePath());
  if (!f.exists()) return {LoadState::Missing, {}};
  if (!f.open(QIODevice::ReadOnly)) return {LoadState::Damaged, f.errorString()};
  if (f.size() > kMaxFileSize) return {LoadState::Damaged, QStringLiteral("it is far too large")};
  const QByteArray bytes = f.readAll();
  Decoded d = decode(bytes);
  if (!d.error.isEmpty()) return {LoadState::Damaged, d.error};
  list = std::move(d.list);
  return {LoadState::Read, {}};
}

bool saveUsers(const UserList& list) { return writePrivateFile(usersFilePath(), encode(list)); }

QString damagedFileMessage(const LoadResult& result) {
  return QStringLiteral(
             "The user accounts file %1 cannot be read: %2.\rIt is left as it is; "
             "only the Supervisor can log in until it is replaced.")
      .arg(usersFilePath(), result.reason);
}

QString saveFailedMessage() {
  return QStringLiteral(
             "The user accounts could not be saved to %1.\rThe accounts file keeps "
             "its previous contents.")
      .arg(usersFilePath());
}

}  // namespace users
