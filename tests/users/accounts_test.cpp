#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/filetext.h"
#include "core/settings.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "users/useraccounts.h"

namespace {

using namespace users;

// The on-disk form of a string, from the key by hand rather than by the code under test.
QByteArray scrambled(const QByteArray& plain) {
  static const uint8_t key[] = {0x06, 0x0B, 0x02, 0x13, 0x08, 0x01, 0x0E, 0x03, 0x0A, 0x07};
  QByteArray b(1, char(plain.size()));
  for (int i = 0; i < plain.size(); ++i) b.append(char(plain[i] ^ key[i % 10]));
  return b;
}

QByteArray account(uint16_t number, const QByteArray& name, const QByteArray& id,
                   const QByteArray& password, const QByteArray& dir, char status, char access) {
  QByteArray b;
  b.append(char(number & 0xFF)).append(char(number >> 8));
  for (const QByteArray* s : {&name, &id, &password, &dir}) b += scrambled(*s);
  return b.append(status).append(access);
}

TEST(UsersFile, BytesOfTwoAccountsAsLaidDown) {
  const UserList list{{7, "Ann", "ann", "pw", "data0007", 0, 1},
                      {256, "", "", "", "data0256", 1, 2}};
  const QByteArray bytes = "\x01" + account(7, "Ann", "ann", "pw", "data0007", 0, 1) +
                           account(256, "", "", "", "data0256", 1, 2) + QByteArray(1, '\0');
  EXPECT_EQ(encode(list), bytes);
  // 256 starts with the byte of the end mark: more follows it, so it is an account.
  const Decoded d = decode(bytes);
  EXPECT_TRUE(d.error.isEmpty()) << d.error.toStdString();
  EXPECT_EQ(d.list, list);
}

TEST(UsersFile, EveryByteOfStringsFrom0To40CharactersComesBack) {
  UserList list;
  for (int n : {0, 1, 10, 39, 40}) {
    QByteArray raw;
    for (int i = 0; i < n; ++i) raw.append(char(0x20 + (i * 37 + n) % 224));  // 0x20..0xFF
    const QString text = fromFileText(raw);  // as the file's code page reads it
    list.push_back({uint16_t(n + 1), text, text.left(10), text.right(10), dataDirName(n + 1),
                    uint8_t(n % 2), uint8_t(n % 3)});
  }
  // Windows-1252 text: the euro sign and the five unassigned codes keep their byte.
  QByteArray cp("\x80\x81\x8D\x8F\x90\x9D\xE9\xFF", 8);
  const QByteArray bytes = "\x01" + account(9, cp, cp, cp, cp, 0, 0) + QByteArray(1, '\0');
  const Decoded fromCp = decode(bytes);
  ASSERT_TRUE(fromCp.error.isEmpty());
  EXPECT_EQ(encode(fromCp.list), bytes);

  SettingsSandbox box;
  ASSERT_TRUE(saveUsers(list));
  UserList back{{1, "stale", {}, {}, {}, 0, 0}};
  EXPECT_EQ(loadUsers(back).state, LoadState::Read);
  EXPECT_EQ(back, list);
  EXPECT_EQ(encode(back), SettingsSandbox::read(box.file("users.lst")));
}

TEST(UsersFile, DamagedFilesAreReportedAndGiveNoAccounts) {
  const QByteArray whole = "\x01" + account(1, "Ann", "ann", "pw", "data0001", 0, 0) +
                           account(2, "Bob", "bob", "", "data0002", 0, 0) + QByteArray(1, '\0');
  // Every cut short of the end mark, and bytes that are not a list.
  for (qsizetype n = 0; n < whole.size() - 1; ++n) {
    SCOPED_TRACE(n);
    const Decoded d = decode(whole.left(n));
    EXPECT_FALSE(d.error.isEmpty());
    EXPECT_TRUE(d.list.empty());
  }
  EXPECT_FALSE(decode(QByteArray(40, '\xEE')).error.isEmpty());
  EXPECT_FALSE(decode(whole + "\x05").error.isEmpty());  // something after the end

  SettingsSandbox box;
  UserList list{{1, "kept", {}, {}, {}, 0, 0}};
  EXPECT_EQ(loadUsers(list).state, LoadState::Missing);
  EXPECT_TRUE(list.empty());
  ASSERT_TRUE(SettingsSandbox::write(box.file("users.lst"), whole.left(20)));
  const LoadResult r = loadUsers(list);
  EXPECT_EQ(r.state, LoadState::Damaged);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(damagedFileMessage(r).contains("users.lst cannot be read"));
}

TEST(UsersFile, SavedForItsOwnerOnlyAndAFailedSaveKeepsTheOldFile) {
  SettingsSandbox box;
  const UserList list{{1, "Ann", "ann", "pw", "data0001", 0, 0}};
  ASSERT_TRUE(saveUsers(list));
  ASSERT_TRUE(saveProgramOptions());
  for (const char* f : {"users.lst", "options.dat"}) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(box.file(f)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << f;
  }
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only directory";
  const QByteArray before = SettingsSandbox::read(box.file("users.lst"));
  QFile::setPermissions(box.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  EXPECT_FALSE(saveUsers({}));
  QFile::setPermissions(box.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(SettingsSandbox::read(box.file("users.lst")), before);
}

TEST(UserList, NumbersNamesAndIds) {
  UserList list;
  EXPECT_EQ(addUser(list, "Ann", "ann", 1, 0, "pw"), AddResult::Added);
  EXPECT_EQ(addUser(list, "Bob", "bob", 0, 1, ""), AddResult::Added);
  EXPECT_EQ(addUser(list, "Ann", "ann2", 0, 0, ""), AddResult::NameTaken);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], (UserRec{1, "Ann", "ann", "pw", "data0001", 0, 1}));
  EXPECT_EQ(list[1].dataDir, QStringLiteral("data0002"));
  EXPECT_EQ(findUserByName(list, "Bob"), 1);
  EXPECT_EQ(findUserByName(list, "bob"), -1);  // case matters
  EXPECT_EQ(findUserById(list, "bob"), 1);
  EXPECT_EQ(findUserById(list, "BOB"), -1);
  deleteUser(list, 5);
  deleteUser(list, -1);
  deleteUser(list, 0);
  ASSERT_EQ(list.size(), 1u);
  // The lowest free number: account 1's is free again.
  EXPECT_EQ(addUser(list, "Cid", "cid", 0, 0, ""), AddResult::Added);
  EXPECT_EQ(list.back().number, 1);
  EXPECT_EQ(list.back().dataDir, QStringLiteral("data0001"));

  struct Case {
    std::vector<uint16_t> taken;
    std::optional<uint16_t> next;
  };
  std::vector<uint16_t> all(kMaxNumber);
  for (int n = 0; n < kMaxNumber; ++n) all[size_t(n)] = uint16_t(n + 1);
  std::vector<uint16_t> allBut77 = all;
  allBut77.erase(allBut77.begin() + 76);
  for (const Case& c : {Case{{}, 1}, Case{{1, 2, 4}, 3}, Case{{0, 60000, 1}, 2}, Case{allBut77, 77},
                        Case{all, std::nullopt}}) {
    UserList numbered;
    for (uint16_t n : c.taken) numbered.push_back({n, QString::number(n), {}, {}, {}, 0, 0});
    EXPECT_EQ(nextFreeNumber(numbered), c.next);
  }
  UserList full;
  for (uint16_t n : all) full.push_back({n, QString::number(n), {}, {}, {}, 0, 0});
  EXPECT_EQ(addUser(full, "One more", "x", 0, 0, ""), AddResult::NoFreeNumber);
  EXPECT_EQ(full.size(), size_t(kMaxNumber));
}

}  // namespace
