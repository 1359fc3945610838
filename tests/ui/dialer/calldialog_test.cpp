#include "ui/dialer/calldialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "support/scriptedprompter.h"
#include "ui/dialer/modemport.h"
#include "ui/dialer/phoneedit.h"

namespace {

// The modem script on a pseudo-terminal; its output lists the commands it got.
class FakeModem {
 public:
  explicit FakeModem(const QString& scenario) {
    process.start(QStringLiteral(TOMES_PYTHON), {QStringLiteral(TOMES_FAKE_MODEM), scenario});
    if (process.waitForReadyRead(5000)) device = QString::fromLatin1(process.readLine().trimmed());
  }
  ~FakeModem() {
    process.kill();
    process.waitForFinished();
  }
  // The commands received so far, "|"-joined.
  QString commands() {
    log += QString::fromLatin1(process.readAllStandardOutput());
    return log.trimmed().split(u'\n', Qt::SkipEmptyParts).join(u'|');
  }

  QProcess process;
  QString device;
  QString log;
};

DialSetup fastSetup(const QString& device) {
  DialSetup setup;
  setup.device = device;
  setup.intervals = {5, 30, 150, 20, 10};
  return setup;
}

struct Dial {
  explicit Dial(const QString& device)
      : dialog(nullptr, std::make_unique<SerialModemPort>(), fastSetup(device)) {
    dialog.setNumber(QStringLiteral("1-800-FLOWERS"));
    dialog.show();
  }
  QString status() const { return dialog.findChild<QLabel*>(QStringLiteral("Label2"))->text(); }
  QPushButton* button(const char* name) const {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
  }
  CallDialog dialog;
};

TEST(CallDialog, ShowsItsTexts) {
  ScriptedPrompter prompts;
  Dial d(QStringLiteral("/dev/null-modem"));
  EXPECT_EQ(d.dialog.windowTitle(), QStringLiteral("Dial"));
  EXPECT_EQ(d.dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->toolTip(),
            QStringLiteral("Phone Number to Dial - can be modified"));
  EXPECT_EQ(d.button("DialBtn")->text(), QStringLiteral("&Dial"));
  EXPECT_TRUE(d.button("DialBtn")->isDefault());
  EXPECT_EQ(d.button("CloseBtn")->toolTip(),
            QStringLiteral("Click here to Close the Dial dialog box"));
  EXPECT_FALSE(d.button("CancelBtn")->isVisible());
}

// A failed dial, a hang-up, a new dial that gets through, the pick-up prompt.
TEST(CallDialog, RedialsAfterAFailureUntilTheCallGoesThrough) {
  for (const char* scenario : {"busy", "nocarrier", "nodialtone"}) {
    SCOPED_TRACE(scenario);
    ScriptedPrompter prompts;
    FakeModem modem(QString::fromLatin1(scenario));
    ASSERT_FALSE(modem.device.isEmpty());
    Dial d(modem.device);
    QTest::mouseClick(d.button("DialBtn"), Qt::LeftButton);
    EXPECT_TRUE(d.button("CancelBtn")->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(prompts.shown.size(), size_t(1), 5000);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Pickup the receiver and click on the OK."));
    QTRY_COMPARE(modem.commands(), QStringLiteral("ATZ|ATDT18003569377|ATH0|ATDT18003569377|ATH0"));
    EXPECT_EQ(d.status(), QString());
    EXPECT_TRUE(d.button("DialBtn")->isVisible());
    EXPECT_FALSE(d.dialog.dialer().stepRunning() || d.dialog.dialer().pollRunning());
  }
}

// Cancel (Escape) while the modem stays silent lets the port go: another open
// succeeds. A modem that goes away mid-dial ends the dial by itself.
TEST(CallDialog, EndsADialThatGetsNoAnswer) {
  for (const char* scenario : {"silent", "vanish"}) {
    SCOPED_TRACE(scenario);
    const bool silent = scenario == std::string("silent");
    ScriptedPrompter prompts;
    FakeModem modem(QString::fromLatin1(scenario));
    Dial d(modem.device);
    QTest::mouseClick(d.button("DialBtn"), Qt::LeftButton);
    QTRY_VERIFY(modem.commands().contains(QStringLiteral("ATDT")));
    if (silent) {
      QTest::keyClick(&d.dialog, Qt::Key_Escape);
      EXPECT_EQ(d.status(), QStringLiteral("Dial Cancelled."));
      EXPECT_EQ(modem.commands(), QStringLiteral("ATZ|ATDT18003569377"));
      QTRY_COMPARE(modem.commands(), QStringLiteral("ATZ|ATDT18003569377|ATH0"));
      SerialModemPort again;
      EXPECT_TRUE(again.open(modem.device));
    } else {
      QTRY_COMPARE(d.status(), QStringLiteral("Dialing Error"));
    }
    EXPECT_TRUE(d.dialog.isVisible());
    EXPECT_TRUE(d.button("DialBtn")->isVisible());
    EXPECT_FALSE(d.dialog.dialer().stepRunning() || d.dialog.dialer().pollRunning());
    EXPECT_TRUE(prompts.shown.empty());
  }
}

TEST(CallDialog, ReportsAPortItCannotOpen) {
  ScriptedPrompter prompts;
  FakeModem modem(QStringLiteral("ok"));
  SerialModemPort holder;
  ASSERT_TRUE(holder.open(modem.device));
  for (const QString& device : {QStringLiteral("/dev/ttyS-none"), modem.device}) {
    SCOPED_TRACE(device.toStdString());
    Dial d(device);
    QTest::mouseClick(d.button("DialBtn"), Qt::LeftButton);
    EXPECT_EQ(d.status(), QStringLiteral("COM Port Initialization error."));
    EXPECT_TRUE(d.button("DialBtn")->isVisible());
  }
  EXPECT_EQ(modem.commands(), QString());
}

// The edit's button opens the dialog on the edit's number, typed in capitals.
TEST(PhoneEdit, TypesCapitalsAndDialsItsNumber) {
  ScriptedPrompter prompts;
  PhoneEdit edit(nullptr);
  edit.show();
  EXPECT_EQ(edit.button()->toolTip(), QStringLiteral("Click here to Dial"));
  QTest::keyClicks(&edit, QStringLiteral("1-800-flowers q.z"));
  EXPECT_EQ(edit.text(), QStringLiteral("1-800-FLOWERSZ"));
  edit.setLettersAllowed(false);
  QTest::keyClicks(&edit, QStringLiteral("a(2)"));
  EXPECT_EQ(edit.text(), QStringLiteral("1-800-FLOWERSZ(2)"));
  QString shown;
  QTimer::singleShot(0, [&shown] {
    auto* dialog = qobject_cast<CallDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    shown = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
    dialog->findChild<QPushButton*>(QStringLiteral("CloseBtn"))->click();
  });
  QTest::mouseClick(edit.button(), Qt::LeftButton);
  EXPECT_EQ(shown, QStringLiteral("1-800-FLOWERSZ(2)"));
}

}  // namespace
