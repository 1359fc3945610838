#include "ui/dialer/dialer.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "core/settings.h"
#include "support/scriptedprompter.h"
#include "ui/dialer/modemport.h"

namespace {

// A modem line that answers from a script and keeps what was written.
class FakePort : public ModemPort {
 public:
  bool opens = true;
  int writesLeft = -1;  // -1: every write goes through
  int pollFailures = 0;
  QByteArray input;
  QStringList sent;
  QString openedDevice;
  bool open_ = false;

  bool open(const QString& device) override {
    openedDevice = device;
    return open_ = opens;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool write(const QByteArray& bytes) override {
    if (writesLeft == 0) return false;
    if (writesLeft > 0) --writesLeft;
    sent << QString::fromLatin1(bytes).replace(u'\r', u'~');
    return true;
  }
  bool poll() override { return pollFailures-- <= 0; }
  QByteArray read(int max) override {
    const QByteArray out = input.left(max);
    input.remove(0, out.size());
    return out;
  }
};

class FakeTimers : public DialTimers {
 public:
  QStringList starts;
  void start(Timer timer, int ms) override {
    starts << (timer == Step ? QStringLiteral("S%1").arg(ms) : QStringLiteral("P"));
  }
  void stop(Timer) override {}
};

enum class Event { Dial, Poll, Step, Cancel };

// One event and what it leaves: the state, the status line, the commands it
// sent and the timers it started.
struct Step {
  Event event;
  const char* answer;  // the modem's bytes before a poll
  int pollFailures;
  int state;
  const char* status;
  const char* sent;    // "|"-joined, "~" for the carriage return
  const char* starts;  // "S<ms>" the step timer, "P" the poll timer
  bool busy;
  bool open;
};

struct Case {
  const char* name;
  const char* initText;
  int writesLeft;
  bool opens;
  std::vector<Step> steps;
};

constexpr const char* kNumber = "1-800-FLOWERS";

TEST(Dialer, StepsThroughTheModemAnswers) {
  const std::vector<Case> cases = {
      {"busy, then through after a redial",
       "ATZ",
       -1,
       true,
       {{Event::Dial, "", 0, 5, "Initializing Modem", "ATZ~", "P", true, true},
        {Event::Poll, "ATZ\r\nOK\r\n", 0, 5, "Initializing Modem", "", "S1500", true, true},
        {Event::Step, "", 0, 6, "Dialing: 1-800-FLOWERS", "ATDT18003569377~", "P", true, true},
        {Event::Poll, "\r\nBU", 0, 1, "Dialing: 1-800-FLOWERS", "", "S9000|P", true, true},
        {Event::Poll, "SY\r\n", 0, 2, "Line is busy.", "", "S1000", true, true},
        {Event::Step, "", 0, 7, "Line is busy.", "ATH0~", "S500", true, true},
        {Event::Step, "", 0, 6, "Redialing: 1-800-FLOWERS", "ATDT18003569377~", "P", true, true},
        {Event::Poll, "", 0, 1, "Redialing: 1-800-FLOWERS", "", "S9000|P", true, true},
        // A running pick-up timer keeps its start.
        {Event::Poll, "CONNECT 1200\r\n", 0, 1, "Redialing: 1-800-FLOWERS", "", "P", true, true},
        {Event::Step, "", 0, 0, "", "ATH0~", "", false, false}}},
      {"no carrier and no dial tone are redialled",
       "",
       -1,
       true,
       {{Event::Dial, "", 0, 6, "Dialing: 1-800-FLOWERS", "ATDT18003569377~", "P", true, true},
        {Event::Poll, "NO CARRIER\r\n", 0, 4, "No carrier.", "", "S1000", true, true},
        {Event::Step, "", 0, 7, "No carrier.", "ATH0~", "S500", true, true},
        {Event::Step, "", 0, 6, "Redialing: 1-800-FLOWERS", "ATDT18003569377~", "P", true, true},
        {Event::Poll, "no dialtone", 0, 3, "No Dialtone", "", "S1000", true, true}}},
      {"a status query that fails five times",
       "",
       -1,
       true,
       {{Event::Dial, "", 0, 6, "Dialing: 1-800-FLOWERS", "ATDT18003569377~", "P", true, true},
        {Event::Poll, "", 4, 1, "Dialing: 1-800-FLOWERS", "", "S9000|P", true, true},
        {Event::Poll, "", 5, 4, "Dial Error.", "", "S1000", true, true}}},
      {"a port that does not open",
       "ATZ",
       -1,
       false,
       {{Event::Dial, "", 0, 0, "COM Port Initialization error.", "", "", false, false}}},
      {"an initialisation that cannot be sent",
       "ATZ",
       0,
       true,
       {{Event::Dial, "", 0, 5, "Modem Initialization Error", "", "", false, false}}},
      {"a dial that cannot be sent",
       "",
       0,
       true,
       {{Event::Dial, "", 0, 0, "Dialing Error", "", "", false, false}}},
      {"a redial that cannot be sent",
       "ATZ",
       1,
       true,
       {{Event::Dial, "", 0, 5, "Initializing Modem", "ATZ~", "P", true, true},
        {Event::Poll, "", 0, 5, "Initializing Modem", "", "S1500", true, true},
        {Event::Step, "", 0, 5, "Dialing Error", "", "", false, false}}},
      {"cancel while the modem is initialised",
       "ATZ",
       -1,
       true,
       {{Event::Dial, "", 0, 5, "Initializing Modem", "ATZ~", "P", true, true},
        {Event::Cancel, "", 0, 0, "Dial Cancelled.", "ATH0~", "", false, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompter prompts;
    FakePort port;
    FakeTimers timers;
    port.opens = c.opens;
    port.writesLeft = c.writesLeft;
    DialSetup setup;
    setup.device = QStringLiteral("/dev/ttyS1");
    setup.initText = QString::fromLatin1(c.initText);
    Dialer dialer(port, timers, setup);
    dialer.number = QString::fromLatin1(kNumber);
    int n = 0;
    for (const Step& s : c.steps) {
      SCOPED_TRACE(n++);
      port.input += s.answer;
      port.pollFailures = s.pollFailures;
      port.sent.clear();
      timers.starts.clear();
      switch (s.event) {
        case Event::Dial:
          dialer.dial();
          break;
        case Event::Poll:
          dialer.pollTimer();
          break;
        case Event::Step:
          dialer.stepTimer();
          break;
        case Event::Cancel:
          dialer.cancel();
          break;
      }
      EXPECT_EQ(dialer.state(), s.state);
      EXPECT_EQ(dialer.status(), QString::fromLatin1(s.status));
      EXPECT_EQ(port.sent.join(u'|'), QString::fromLatin1(s.sent));
      EXPECT_EQ(timers.starts.join(u'|'), QString::fromLatin1(s.starts));
      EXPECT_EQ(dialer.busy(), s.busy);
      EXPECT_EQ(port.isOpen(), s.open);
      if (!s.busy) {
        EXPECT_FALSE(dialer.stepRunning() || dialer.pollRunning());
      }
    }
    // Only the call that went through asks to pick up the receiver.
    const bool through = c.steps.back().event == Event::Step && c.steps.back().state == 0;
    ASSERT_EQ(prompts.shown.size(), through ? 1u : 0u);
    if (through) {
      EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
      EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
      EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Pickup the receiver and click on the OK."));
    }
  }
}

TEST(Dialer, PreparesTheNumber) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"1-800-FLOWERS", "18003569377"},
      {"ABCDEFGHIJKLMNOPRSTUVWXY", "222333444555666777888999"},
      {"Q5Z,,9", "5,,9"},
      {"+1 (555) 123-4567", "15551234567"},
      {"abc", ""},
  };
  for (const auto& [typed, dialled] : cases)
    EXPECT_EQ(dialDigits(QString::fromLatin1(typed)), QString::fromLatin1(dialled)) << typed;
  EXPECT_EQ(dialCommand(QStringLiteral("555-Q"), false), QByteArray("ATDT555\r"));
  EXPECT_EQ(dialCommand(QStringLiteral("555-Q"), true), QByteArray("ATDP555\r"));
}

TEST(Dialer, TakesThePortAndMethodFromTheSettings) {
  AppSettings& s = appSettings();
  const AppSettings saved = s;
  qunsetenv("TOMEKEEPER_MODEM");
  s.comPort = 2;
  s.dialType = 1;
  DialSetup setup = settingsDialSetup();
  EXPECT_EQ(setup.device, QStringLiteral("/dev/ttyS2"));
  EXPECT_TRUE(setup.pulse);
  s.comPort = 0;
  s.dialType = 0;
  qputenv("TOMEKEEPER_MODEM", "/dev/ttyACM0");
  setup = settingsDialSetup();
  EXPECT_EQ(setup.device, QStringLiteral("/dev/ttyACM0"));
  EXPECT_FALSE(setup.pulse);
  qunsetenv("TOMEKEEPER_MODEM");
  s = saved;
}

}  // namespace
