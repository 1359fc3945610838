#include "ui/dialer/dialer.h"

#include "core/prompt.h"
#include "core/settings.h"
#include "ui/dialer/modemport.h"

namespace {
constexpr int kPollAttempts = 5;
constexpr int kReadChunk = 256;

QChar keypadDigit(QChar c) {
  static const char* const keys = "22233344455566677778889999";  // A..Z, Q and Z unused
  return QChar::fromLatin1(keys[c.unicode() - u'A']);
}
}  // namespace

QString dialDigits(const QString& number) {
  QString out;
  for (const QChar c : number) {
    if ((c >= u'0' && c <= u'9') || c == u',')
      out += c;
    else if (c >= u'A' && c <= u'Z' && c != u'Q' && c != u'Z')
      out += keypadDigit(c);
  }
  return out;
}

QByteArray dialCommand(const QString& number, bool pulse) {
  return QByteArray(pulse ? "ATDP" : "ATDT") + dialDigits(number).toLatin1() + '\r';
}

DialSetup settingsDialSetup() {
  const AppSettings& s = appSettings();
  DialSetup setup;
  setup.device = modemDevice(s.comPort);
  setup.pulse = s.dialType != 0;
  return setup;
}

Dialer::Dialer(ModemPort& port, DialTimers& timers, DialSetup setup)
    : port_(port), timers_(timers), setup_(std::move(setup)) {}

Dialer::~Dialer() { finish(); }

bool Dialer::send(const QByteArray& text) { return port_.isOpen() && port_.write(text + '\r'); }

bool Dialer::sendDial() { return port_.isOpen() && port_.write(dialCommand(number, setup_.pulse)); }

void Dialer::hangUp() {
  if (!port_.isOpen()) return;
  const QString text = setup_.hangUpText.isEmpty() ? QStringLiteral("ATH0") : setup_.hangUpText;
  send(text.toLatin1());
}

void Dialer::closePort() {
  if (port_.isOpen()) port_.close();
}

void Dialer::setStatus(const QString& text) {
  status_ = text;
  if (changed) changed();
}

void Dialer::setBusy(bool on) {
  busy_ = on;
  if (changed) changed();
}

void Dialer::startStep(int ms) {
  stepRunning_ = true;
  stepInterval_ = ms;
  timers_.start(DialTimers::Step, ms);
}

void Dialer::startPoll() {
  pollRunning_ = true;
  timers_.start(DialTimers::Poll, setup_.intervals.poll);
}

void Dialer::stopTimers() {
  stepRunning_ = pollRunning_ = false;
  timers_.stop(DialTimers::Step);
  timers_.stop(DialTimers::Poll);
}

void Dialer::dial() {
  if (busy_) return;
  if (!port_.open(setup_.device)) {
    setStatus(QStringLiteral("COM Port Initialization error."));
    return;
  }
  if (!setup_.initText.isEmpty()) {
    state_ = Initializing;
    if (!send(setup_.initText.toLatin1())) {
      setStatus(QStringLiteral("Modem Initialization Error"));
      hangUp();
      closePort();
      return;
    }
    setStatus(QStringLiteral("Initializing Modem"));
  } else {
    if (!sendDial()) {
      setStatus(QStringLiteral("Dialing Error"));
      hangUp();
      closePort();
      return;
    }
    setStatus(QStringLiteral("Dialing: ") + number);
    state_ = Dialing;
  }
  response_.clear();
  setBusy(true);
  startPoll();
}

void Dialer::pollTimer() {
  pollRunning_ = false;
  timers_.stop(DialTimers::Poll);
  bool polled = false;
  for (int i = 0; i < kPollAttempts && !polled; ++i) polled = port_.poll();
  if (!polled) {
    state_ = NoCarrier;
    setStatus(QStringLiteral("Dial Error."));
    retry();
    return;
  }
  for (const char c : port_.read(kReadChunk))
    if (static_cast<unsigned char>(c) >= 32) response_ += QChar::fromLatin1(c);
  if (state_ == Initializing) {
    startStep(setup_.intervals.init);
    return;
  }
  const QString answer = response_.toUpper();
  if (answer.contains(QStringLiteral("NO DIAL"))) {
    setStatus(QStringLiteral("No Dialtone"));
    state_ = NoDialTone;
    retry();
  } else if (answer.contains(QStringLiteral("BUSY"))) {
    setStatus(QStringLiteral("Line is busy."));
    state_ = Busy;
    retry();
  } else if (!answer.contains(QStringLiteral("CARRIER"))) {
    state_ = Ringing;
    if (!stepRunning_ || stepInterval_ != setup_.intervals.pickup)
      startStep(setup_.intervals.pickup);
    startPoll();
  } else {
    setStatus(QStringLiteral("No carrier."));
    state_ = NoCarrier;
    retry();
  }
}

void Dialer::retry() {
  startStep(setup_.intervals.retry);
  response_.clear();
}

void Dialer::stepTimer() {
  stopTimers();
  switch (state_) {
    case Initializing:
      setStatus(QStringLiteral("Dialing: ") + number);
      dialAgain();
      break;
    case Redialing:
      setStatus(QStringLiteral("Redialing: ") + number);
      dialAgain();
      break;
    case Ringing:
      state_ = Idle;
      showMessage(MsgKind::Information, QStringLiteral("Pickup the receiver and click on the OK."));
      hangUp();
      closePort();
      status_.clear();
      setBusy(false);
      break;
    default:
      hangUp();
      state_ = Redialing;
      startStep(setup_.intervals.redial);
      break;
  }
}

void Dialer::dialAgain() {
  if (sendDial()) {
    response_.clear();
    startPoll();
    state_ = Dialing;
    return;
  }
  pollRunning_ = false;
  timers_.stop(DialTimers::Poll);
  setStatus(QStringLiteral("Dialing Error"));
  hangUp();
  closePort();
  setBusy(false);
}

void Dialer::cancel() {
  stopTimers();
  hangUp();
  closePort();
  state_ = Idle;
  busy_ = false;
  setStatus(QStringLiteral("Dial Cancelled."));
}

void Dialer::finish() {
  stopTimers();
  hangUp();
  closePort();
  state_ = Idle;
  busy_ = false;
}
