#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class ModemPort;

// The modem texts: the dial number keeps digits and "," (a pause); letters
// become their keypad digits; "Q", "Z" and everything else go.
QString dialDigits(const QString& number);
// "ATDT" + digits, or "ATDP" for pulse dialling, each command ending in a carriage return.
QByteArray dialCommand(const QString& number, bool pulse);

struct DialIntervals {
  int poll = 100;     // between status queries
  int init = 1500;    // after the initialisation, before the dial
  int pickup = 9000;  // without a failure answer: the call goes through
  int retry = 1000;   // after a failure, before the hang-up
  int redial = 500;   // after the hang-up, before the new dial
};

struct DialSetup {
  QString device;
  bool pulse = false;
  QString initText = QStringLiteral("ATZ");     // sent first when not empty
  QString hangUpText = QStringLiteral("ATH0");  // "ATH0" when empty
  DialIntervals intervals;
};

// The settings record's choices: ComPort's device (or the one the user
// named, see modemDevice()), pulse dialling for DialType 1.
DialSetup settingsDialSetup();

// The dialog's two timers, as the dialer starts and stops them. Both fire
// once per start.
class DialTimers {
 public:
  enum Timer { Step = 1, Poll = 2 };
  virtual ~DialTimers() = default;
  virtual void start(Timer timer, int ms) = 0;  // restarts a running one
  virtual void stop(Timer timer) = 0;
};

// The dial dialog's steps without widgets: opens the port, initialises the
// modem, dials, reads the answers on each poll, hangs up and redials after a
// failure until the call goes through (the pick-up prompt) or the user cancels.
class Dialer {
 public:
  enum State {
    Idle = 0,
    Ringing = 1,
    Busy = 2,
    NoDialTone = 3,
    NoCarrier = 4,
    Initializing = 5,
    Dialing = 6,
    Redialing = 7
  };

  Dialer(ModemPort& port, DialTimers& timers, DialSetup setup);
  ~Dialer();
  Dialer(const Dialer&) = delete;
  Dialer& operator=(const Dialer&) = delete;

  QString number;                 // as typed; dialled through dialDigits()
  std::function<void()> changed;  // status or buttons changed

  void dial();    // the Dial button
  void cancel();  // the Cancel button
  void finish();  // the dialog closes: hang up, close the port
  void stepTimer();
  void pollTimer();

  State state() const { return state_; }
  const QString& status() const { return status_; }
  // Dialling: Cancel shown in place of Dial.
  bool busy() const { return busy_; }
  bool stepRunning() const { return stepRunning_; }
  bool pollRunning() const { return pollRunning_; }
  const QString& response() const { return response_; }

 private:
  bool send(const QByteArray& text);
  bool sendDial();
  void hangUp();
  void closePort();
  void retry();
  void dialAgain();
  void startStep(int ms);
  void startPoll();
  void stopTimers();
  void setStatus(const QString& text);
  void setBusy(bool on);

  ModemPort& port_;
  DialTimers& timers_;
  DialSetup setup_;
  State state_ = Idle;
  QString status_;
  QString response_;
  bool busy_ = false;
  bool stepRunning_ = false;
  int stepInterval_ = 0;
  bool pollRunning_ = false;
};
