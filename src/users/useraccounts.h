#pragma once

// The accounts of a multi-user system and their file, users.lst in the
// program directory (docs/formats/users.md). Widget-free.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace users {

inline constexpr std::array<uint8_t, 10> kScrambleKey = {0x06, 0x0B, 0x02, 0x13, 0x08,
                                                         0x01, 0x0E, 0x03, 0x0A, 0x07};
inline constexpr char kFileName[] = "users.lst";
inline constexpr int kMaxNumber = 9999;
inline constexpr int kNameLength = 40;
inline constexpr int kUserIdLength = 10;
inline constexpr int kPasswordLength = 10;     // as typed in the account dialog
inline constexpr int kNewPasswordLength = 20;  // as the password dialog gives it

enum class AccountStatus : uint8_t { Active = 0, NotActive = 1 };
enum class PublicAccess : uint8_t { ReadWrite = 0, ReadOnly = 1, None = 2 };

struct UserRec {
  uint16_t number = 0;  // 1..9999, names the data directory
  QString name;
  QString userId;
  QString password;
  QString dataDir;  // "data" + number in 4 digits, below DataRootDir
  uint8_t status = 0;
  uint8_t access = 0;

  bool operator==(const UserRec&) const = default;
};

// In file order.
using UserList = std::vector<UserRec>;

// "data0007" for account 7.
QString dataDirName(int number);

// The lowest number 1..9999 no account has; nothing when all are taken.
std::optional<uint16_t> nextFreeNumber(const UserList& list);

// Index of the first account with that name or ID (exact, case matters), or -1.
int findUserByName(const UserList& list, const QString& name);
int findUserById(const UserList& list, const QString& id);

enum class AddResult { Added, NameTaken, NoFreeNumber };
AddResult addUser(UserList& list, const QString& name, const QString& id, uint8_t access,
                  uint8_t status, const QString& password);
// Out-of-range indexes are ignored.
void deleteUser(UserList& list, int index);

// The bytes of users.lst and back. Decoding fails with a reason rather than
// guess at a damaged file.
QByteArray encode(const UserList& list);
struct Decoded {
  UserList list;
  QString error;  // empty when the whole file was read
};
Decoded decode(const QByteArray& bytes);

// users.lst of ProgramDir.
QString usersFilePath();

enum class LoadState { Read, Missing, Damaged };
struct LoadResult {
  LoadState state = LoadState::Missing;
  QString reason;  // why a damaged file could not be read
};
// Clears the list, then reads the file. A damaged file leaves the list empty
// and is never written over by the program (see saveUsers' callers).
LoadResult loadUsers(UserList& list);
// Writes the file whole, beside and renamed over, readable by its owner only.
bool saveUsers(const UserList& list);

// The warning for a damaged users.lst, naming the file and the reason.
QString damagedFileMessage(const LoadResult& result);
// The error for a save that failed.
QString saveFailedMessage();

}  // namespace users
