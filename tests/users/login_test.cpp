#include <gtest/gtest.h>

#include <QDir>
#include <deque>

#include "core/settings.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "users/logincheck.h"
#include "users/passwords.h"
#include "users/useraccounts.h"

namespace {

using namespace users;

const UserList kAccounts{
    {1, "Ann", "ann", "pw1", "data0001", 0, 0}, {2, "Rita", "rita", "Pw2", "data0002", 0, 1},
    {3, "Ned", "ned", "", "data0003", 0, 2},    {4, "Bob", "bob", "pw4", "data0004", 1, 0},
    {5, "Eve", "eve", "x", "../../etc", 0, 0},  {6, "Pub", "pub", "x", "data", 0, 0}};

UsersLoader fileOf(const UserList& list, LoadState state = LoadState::Read) {
  return [list, state](UserList& out) {
    out = state == LoadState::Read ? list : UserList{};
    return LoadResult{state, {}};
  };
}

// Every login case: 1-user and multi-user, password required or not, the
// public access override, a disabled account, unknown IDs and a missing or
// damaged accounts file.
TEST(Login, EveryCase) {
  struct Case {
    const char* what;
    uint16_t usersCount, passwordMode, publicAccess;
    QString id, password;
    LoadState file;
    LoginResult result;
    bool supervisor;
    QString userId, dataDir;
    uint16_t rights;
  };
  const QString S = AppSettings::supervisorName;
  const LoadState R = LoadState::Read;
  const LoginResult ok = LoginResult::Passed, no = LoginResult::Failed,
                    off = LoginResult::AccountDisabled;
  const Case cases[] = {
      {"1-user, right supervisor password", 0, 0, 0, S, "boss", R, ok, true, "", "DATA", 1},
      {"1-user, wrong case", 0, 0, 0, S, "Boss", R, no, false, "", "DATA", 1},
      {"supervisor, no password required", 1, 1, 0, S, "anything", R, ok, true, "", "DATA", 1},
      {"supervisor ID is exact", 1, 1, 0, "supervisor", "", R, no, false, "", "DATA", 1},
      {"user, right password", 1, 0, 0, "ann", "pw1", R, ok, false, "ann", "data0001", 1},
      {"user, wrong password", 1, 0, 0, "ann", "PW1", R, no, false, "", "DATA", 1},
      {"user, empty password", 1, 0, 0, "ned", "", R, ok, false, "ned", "data0003", 3},
      {"user, no password required", 1, 1, 0, "rita", "", R, ok, false, "rita", "data0002", 2},
      {"user ID is exact", 1, 1, 0, "Ann", "", R, no, false, "", "DATA", 1},
      {"unknown ID", 1, 0, 0, "zed", "pw1", R, no, false, "", "DATA", 1},
      {"public access overrides", 1, 0, 2, "ann", "pw1", R, ok, false, "ann", "data0001", 2},
      {"public access none", 1, 1, 3, "rita", "", R, ok, false, "rita", "data0002", 3},
      {"disabled, right password", 1, 0, 0, "bob", "pw4", R, off, false, "bob", "data0004", 1},
      {"disabled, wrong password", 1, 0, 0, "bob", "x", R, no, false, "", "DATA", 1},
      {"folder outside the root", 1, 1, 0, "eve", "", R, ok, false, "eve", "data0005", 1},
      {"folder of the public data", 1, 1, 0, "pub", "", R, ok, false, "pub", "data0006", 1},
      {"missing file: users fail", 1, 1, 0, "ann", "", LoadState::Missing, no, false, "", "DATA",
       1},
      {"damaged file: users fail", 1, 1, 0, "ann", "", LoadState::Damaged, no, false, "", "DATA",
       1},
      {"damaged file: supervisor in", 1, 0, 0, S, "boss", LoadState::Damaged, ok, true, "", "DATA",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AppSettings s;
    s.dataRootDir = "/root";
    s.usersCount = c.usersCount;
    s.passwordMode = c.passwordMode;
    s.publicAccess = c.publicAccess;
    s.supervisorPassword = "boss";
    const LoginOutcome o = checkLogin({c.id, c.password}, s, fileOf(kAccounts, c.file));
    EXPECT_EQ(o.result, c.result);
    if (c.result == no) continue;  // the program ends: nothing else counts
    EXPECT_EQ(o.isSupervisor, c.supervisor);
    EXPECT_EQ(o.userId, c.userId);
    EXPECT_EQ(o.databaseDir, joinPath("/root", c.dataDir));
    EXPECT_EQ(o.accessRights, c.rights);

    s.userId = "before";
    applyLogin(o, s);
    EXPECT_EQ(s.isSupervisor, c.supervisor);
    EXPECT_EQ(s.userId, c.supervisor ? QStringLiteral("before") : c.userId);
    EXPECT_EQ(s.databaseDir, o.databaseDir);
    EXPECT_EQ(s.accessRights, c.rights);
  }
}

TEST(Login, SecurityCheckOnlyWithARequiredSupervisorPassword) {
  AppSettings s;
  for (const auto& [mode, password, needed] :
       {std::tuple{0, "", false}, std::tuple{1, "boss", false}, std::tuple{0, "boss", true}}) {
    s.passwordMode = uint16_t(mode);
    s.supervisorPassword = password;
    EXPECT_EQ(securityCheckNeeded(s), needed);
  }
}

// The password dialog answers from a script: each entry is one dialog, or
// nothing for its cancel.
struct Answers {
  std::deque<std::optional<QString>> queue;
  QStringList labels;
  PasswordAsker asker() {
    return [this](const QString& label) -> std::optional<QString> {
      labels << label;
      if (queue.empty()) return std::nullopt;
      auto a = queue.front();
      queue.pop_front();
      return a;
    };
  }
};

TEST(ChangePassword, EveryWay) {
  using Q = std::optional<QString>;
  struct Case {
    const char* what;
    QString old;
    std::deque<Q> typed;
    uint16_t passwordMode;
    MsgResult activate;
    bool changed;
    QString result;
    QStringList labels, messages;
    uint16_t modeAfter;
  };
  const QString O = kOldPasswordLabel, N = kNewPasswordLabel, R = kReenterPasswordLabel;
  const QString ok = "New Password accepted!",
                ask =
                    "Do you want to activate the Password System next time you start the program?";
  const Case cases[] = {
      {"first password, activated",
       "",
       {Q("new"), Q("new")},
       1,
       MsgResult::Yes,
       true,
       "new",
       {N, R},
       {ok, ask},
       0},
      {"first password, not activated",
       "",
       {Q("new"), Q("new")},
       1,
       MsgResult::No,
       true,
       "new",
       {N, R},
       {ok, ask},
       1},
      {"change, system active",
       "old",
       {Q("old"), Q("n2"), Q("n2")},
       0,
       MsgResult::No,
       true,
       "n2",
       {O, N, R},
       {ok},
       0},
      {"empty new password",
       "old",
       {Q("old"), Q(""), Q("")},
       0,
       MsgResult::No,
       true,
       "",
       {O, N, R},
       {ok},
       0},
      {"cut to 20",
       "",
       {Q(QString(25, 'a')), Q(QString(20, 'a'))},
       0,
       MsgResult::No,
       true,
       QString(20, 'a'),
       {N, R},
       {ok},
       0},
      {"wrong old", "old", {Q("OLD")}, 0, MsgResult::No, false, "old", {O}, {"Wrong Password!"}, 0},
      {"different",
       "",
       {Q("a"), Q("b")},
       1,
       MsgResult::Yes,
       false,
       "",
       {N, R},
       {"Reentered Password is different!"},
       1},
      {"cancel old", "old", {Q()}, 0, MsgResult::No, false, "old", {O}, {}, 0},
      {"cancel new", "old", {Q("old"), Q()}, 0, MsgResult::No, false, "old", {O, N}, {}, 0},
      {"cancel again", "", {Q("a"), Q()}, 0, MsgResult::No, false, "", {N, R}, {}, 0},
      {"no code",
       "",
       {Q(u"Č"_qs), Q(u"Č"_qs)},
       0,
       MsgResult::No,
       false,
       "",
       {N, R},
       {"The character Č cannot be stored - please type others."},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SettingsSandbox box;
    appSettings().passwordMode = c.passwordMode;
    ScriptedPrompter p;
    p.answers = {MsgResult::Ok, c.activate};
    Answers a{c.typed, {}};
    QString password = c.old;
    EXPECT_EQ(changePassword(password, a.asker()), c.changed);
    EXPECT_EQ(password, c.result);
    EXPECT_EQ(a.labels, c.labels);
    EXPECT_EQ(p.texts(), c.messages);
    EXPECT_EQ(appSettings().passwordMode, c.modeAfter);
  }
}

TEST(ChangePassword, MyOwnGoesToTheSupervisorOrToUsersLstAtOnce) {
  SettingsSandbox box;
  ScriptedPrompter p;
  ASSERT_TRUE(saveUsers(kAccounts));
  appSettings().passwordMode = 0;
  appSettings().userId = "rita";
  Answers a{{QString("Pw2"), QString("fresh"), QString("fresh")}, {}};
  changeMyPassword(a.asker());
  UserList back;
  loadUsers(back);
  EXPECT_EQ(back[1].password, QStringLiteral("fresh"));
  back[1].password = "Pw2";
  EXPECT_EQ(back, kAccounts);

  appSettings().userId = "gone";  // not in the file: nothing is asked
  a = {{QString("x")}, {}};
  changeMyPassword(a.asker());
  EXPECT_TRUE(a.labels.isEmpty());

  appSettings().isSupervisor = true;
  appSettings().supervisorPassword = "boss";
  a = {{QString("boss"), QString("chief"), QString("chief")}, {}};
  changeMyPassword(a.asker());
  EXPECT_EQ(appSettings().supervisorPassword, QStringLiteral("chief"));
  loadUsers(back);
  EXPECT_EQ(back[1].password, QStringLiteral("fresh"));
}

TEST(AccountDirectories, MadeAndRemovedOnlyBelowTheRoot) {
  SettingsSandbox box;
  const QDir root(box.path());
  EXPECT_TRUE(createAccountDirectories("data0007"));
  EXPECT_TRUE(root.exists("data0007/BACKUP"));
  ASSERT_TRUE(SettingsSandbox::write(box.file("data0007/data.dbf"), "x"));
  ASSERT_TRUE(SettingsSandbox::write(box.file("data0007/BACKUP/data.dbf"), "y"));
  for (const char* refused : {"../x", "", "DATA", "data"})
    EXPECT_FALSE(createAccountDirectories(refused));
  ASSERT_TRUE(root.mkpath("DATA/BACKUP"));
  ASSERT_TRUE(SettingsSandbox::write(box.file("DATA/data.dbf"), "public"));
  removeAccountData("DATA");
  removeAccountData("..");
  EXPECT_TRUE(root.exists("DATA/data.dbf"));
  removeAccountData("data0007");
  EXPECT_FALSE(root.exists("data0007"));
}

}  // namespace
