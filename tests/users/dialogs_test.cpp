#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/settings.h"
#include "core/startup.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "users/logindialog.h"
#include "users/passworddialog.h"
#include "users/userdialog.h"
#include "users/userlistdialog.h"

namespace {

using namespace users;

// Runs `act` on the next modal dialog of type D once it is up.
template <class D>
void whenOpen(std::function<void(D*)> act) {
  QTimer::singleShot(0, [act] {
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    act(d);
  });
}

void typeLogin(const QString& id, const QString& password) {
  whenOpen<LoginDialog>([id, password](LoginDialog* d) {
    if (d->userIdEdit->isVisible()) QTest::keyClicks(d->userIdEdit, id);
    if (d->passwordEdit->isVisible()) QTest::keyClicks(d->passwordEdit, password);
    QTest::mouseClick(d->okButton, Qt::LeftButton);
  });
}

const UserList kAccounts{{1, "Ann", "ann", "pw1", "data0001", 0, 1},
                         {2, "Bob", "bob", "pw2", "data0002", 1, 0}};

class UsersWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings& s = appSettings();
    s.usersCount = 1;
    s.passwordMode = 0;
    s.supervisorPassword = "boss";
    ASSERT_TRUE(saveUsers(kAccounts));
  }
  SettingsSandbox box_;
  ScriptedPrompter prompter_;
};

TEST_F(UsersWindows, LoginFormsFollowTheSystemKindAndPasswordMode) {
  struct Case {
    uint16_t usersCount, passwordMode;
    bool idShown, passwordShown;
  };
  for (const Case& c : {Case{0, 0, false, true}, Case{1, 0, true, true}, Case{1, 1, true, false}}) {
    appSettings().usersCount = c.usersCount;
    appSettings().passwordMode = c.passwordMode;
    LoginDialog d(LoginDialog::Purpose::Login);
    d.show();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Login"));
    EXPECT_EQ(d.userIdEdit->isVisible(), c.idShown);
    EXPECT_EQ(d.userIdLabel->isVisible(), c.idShown);
    EXPECT_EQ(d.passwordEdit->isVisible(), c.passwordShown);
    EXPECT_EQ(d.passwordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.userIdEdit->maxLength(), 10);
    EXPECT_EQ(d.passwordEdit->maxLength(), 20);  // as long as a changed password may be
    if (!c.idShown) {
      EXPECT_EQ(d.userIdEdit->text(), AppSettings::supervisorName);
    }
    QTRY_COMPARE(QApplication::focusWidget(), c.idShown ? d.userIdEdit : d.passwordEdit);
  }
}

TEST_F(UsersWindows, GateAppliesTheAccountAndMakesItsFolder) {
  installLoginGate();
  struct Case {
    QString id, password;
    LoginResult result;
  };
  for (const Case& c :
       {Case{"ann", "PW1", LoginResult::Failed}, Case{"bob", "pw2", LoginResult::AccountDisabled},
        Case{"ann", "pw1", LoginResult::Passed}}) {
    typeLogin(c.id, c.password);
    EXPECT_EQ(runLoginGate(), c.result);
  }
  const AppSettings& s = appSettings();
  EXPECT_EQ(s.userId, QStringLiteral("ann"));
  EXPECT_EQ(s.accessRights, 2);
  EXPECT_FALSE(s.isSupervisor);
  EXPECT_EQ(s.databaseDir, box_.file("data0001"));
  EXPECT_TRUE(QDir(box_.path()).exists("data0001/BACKUP"));
  setLoginGate({});
}

TEST_F(UsersWindows, SecurityCheckAcceptsAnAccountButChangesNoOne) {
  AppSettings& s = appSettings();
  s.userId = "ann";
  s.accessRights = 2;
  s.databaseDir = box_.file("DATA");
  const AppSettings before = s;
  auto same = [&] {
    EXPECT_EQ(s.userId, before.userId);
    EXPECT_EQ(s.isSupervisor, before.isSupervisor);
    EXPECT_EQ(s.accessRights, before.accessRights);
    EXPECT_EQ(s.databaseDir, before.databaseDir);
  };
  struct Case {
    QString id, password;
    bool passes;
  };
  for (const Case& c : {Case{"ann", "pw1", true}, Case{"ann", "x", false},
                        Case{"Supervisor", "boss", true}, Case{"bob", "pw2", false}}) {
    whenOpen<LoginDialog>(
        [](LoginDialog* d) { EXPECT_EQ(d->windowTitle(), QStringLiteral("Security Check")); });
    typeLogin(c.id, c.password);
    EXPECT_EQ(securityCheck(), c.passes) << c.id.toStdString();
    same();
  }
  s.passwordMode = 1;  // no password system: nothing is asked
  EXPECT_TRUE(securityCheck());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(UsersWindows, AccountListNewEditDeleteAndSaveOnClose) {
  // Opened and closed at once: written back unchanged.
  whenOpen<UserListDialog>([](UserListDialog* d) { d->reject(); });
  showUserAccounts(nullptr);
  UserList back;
  loadUsers(back);
  EXPECT_EQ(back, kAccounts);

  UserListDialog list(kAccounts);
  list.show();
  EXPECT_EQ(list.windowTitle(), QStringLiteral("User Accounts"));
  ASSERT_EQ(list.userList->count(), 2);
  EXPECT_EQ(list.userList->currentRow(), 0);

  // New: the folder is hidden, "Active" and "Read and Write" chosen; an empty
  // ID keeps the dialog open; a taken ID is refused with a message.
  whenOpen<UserDialog>([this](UserDialog* d) {
    EXPECT_TRUE(d->dataDirEdit->isHidden());
    EXPECT_EQ(d->accessButtons->checkedId(), 0);
    EXPECT_EQ(d->statusButtons->checkedId(), 0);
    QTest::keyClicks(d->nameEdit, "Cid");
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    EXPECT_TRUE(d->isVisible());
    QTest::keyClicks(d->userIdEdit, "ann");
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(prompter_.texts().value(0),
              QStringLiteral("The User ID \"ann\" is used by the account \"Ann\" already!"));
    d->userIdEdit->setText("cid");
    d->accessButtons->button(1)->click();
    QTest::mouseClick(d->okButton, Qt::LeftButton);
  });
  QTest::mouseClick(list.newButton, Qt::LeftButton);
  ASSERT_EQ(list.userList->count(), 3);
  EXPECT_EQ(list.accounts().back(), (UserRec{3, "Cid", "cid", "", "data0003", 0, 1}));
  EXPECT_TRUE(QDir(box_.path()).exists("data0003/BACKUP"));

  // A name that exists adds nothing.
  whenOpen<UserDialog>([](UserDialog* d) {
    d->nameEdit->setText("Ann");
    d->userIdEdit->setText("ann2");
    d->okButton->click();
  });
  list.newButton->click();
  EXPECT_EQ(list.userList->count(), 3);

  // Edit: all but the number and folder come back.
  list.userList->setCurrentRow(1);
  whenOpen<UserDialog>([](UserDialog* d) {
    EXPECT_EQ(d->dataDirEdit->text(), QStringLiteral("data0002"));
    EXPECT_TRUE(d->dataDirEdit->isReadOnly());
    EXPECT_EQ(d->statusButtons->checkedId(), 1);
    d->nameEdit->setText("Robert");
    d->statusButtons->button(0)->click();
    d->okButton->click();
  });
  list.editButton->click();
  EXPECT_EQ(list.userList->item(1)->text(), QStringLiteral("Robert"));
  EXPECT_EQ(list.accounts()[1], (UserRec{2, "Robert", "bob", "pw2", "data0002", 0, 0}));

  // Delete: a No, a lower-case yes, then YES; the account's files go with it.
  list.userList->setCurrentRow(2);
  ASSERT_TRUE(SettingsSandbox::write(box_.file("data0003/data.dbf"), "x"));
  prompter_.shown.clear();
  prompter_.answers = {MsgResult::No, MsgResult::Yes, MsgResult::Yes};
  prompter_.inputs = {QString("yes"), QString("YES")};
  for (int i = 0; i < 3; ++i) list.deleteButton->click();
  EXPECT_EQ(prompter_.texts(), QStringList(3, "Delete Selected User and his Data?"));
  ASSERT_EQ(prompter_.asked.size(), 2u);
  EXPECT_EQ(prompter_.asked[0].caption, QStringLiteral("Confirm User Deletion"));
  EXPECT_EQ(prompter_.asked[0].prompt, QStringLiteral("Type in YES:"));
  EXPECT_EQ(list.userList->count(), 2);
  EXPECT_FALSE(QDir(box_.path()).exists("data0003"));

  list.closeButton->click();
  loadUsers(back);
  EXPECT_EQ(back, list.accounts());

  // A password of 20 set in the password dialog is kept whole by an edit.
  UserDialog edit;
  edit.reset({9, "Nan", "nan", QString(20, 'p'), "data0009", 0, 0}, false);
  EXPECT_EQ(edit.apply({}).password, QString(20, 'p'));
}

TEST_F(UsersWindows, DamagedAccountsFileIsNeitherShownNorWrittenOver) {
  const QByteArray damaged("\x01\x05\x00\x09", 4);
  ASSERT_TRUE(SettingsSandbox::write(box_.file("users.lst"), damaged));
  showUserAccounts(nullptr);  // no dialog opens: nothing waits for one
  EXPECT_EQ(SettingsSandbox::read(box_.file("users.lst")), damaged);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_TRUE(prompter_.shown[0].text.startsWith("The user accounts file"));
}

TEST_F(UsersWindows, PasswordDialogAsksUnderItsLabel) {
  whenOpen<PasswordDialog>([](PasswordDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Password Dialog"));
    EXPECT_EQ(d->promptLabel->text(), QStringLiteral("Reenter New Password:"));
    EXPECT_EQ(d->passwordEdit->echoMode(), QLineEdit::Password);
    QTest::keyClicks(d->passwordEdit, "secret");
    d->okButton->click();
  });
  EXPECT_EQ(PasswordDialog::ask("Reenter New Password:"), QStringLiteral("secret"));
  whenOpen<PasswordDialog>([](PasswordDialog* d) { d->cancelButton->click(); });
  EXPECT_EQ(PasswordDialog::ask("Enter New Password:"), std::nullopt);
}

}  // namespace
