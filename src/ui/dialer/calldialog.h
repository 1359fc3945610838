#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>

#include "ui/dialer/dialer.h"

class QLabel;
class QLineEdit;
class QPushButton;
class ModemPort;

// "Dial": dials the number in its edit through the modem and shows each step
// on its status line; the timers drive the Dialer.
class CallDialog : public QDialog, private DialTimers {
  Q_OBJECT

 public:
  // The port and the setup from the settings record (ComPort, DialType).
  explicit CallDialog(QWidget* parent);
  // A given port and setup: another line, shorter timers.
  CallDialog(QWidget* parent, std::unique_ptr<ModemPort> port, DialSetup setup);
  ~CallDialog() override;

  void setNumber(const QString& number);
  const Dialer& dialer() const { return *dialer_; }

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void start(Timer timer, int ms) override;
  void stop(Timer timer) override;
  void showState();

  std::unique_ptr<ModemPort> port_;
  QTimer timer1_, timer2_;
  std::unique_ptr<Dialer> dialer_;
  QLabel* label1_;
  QLineEdit* edit1_;
  QLabel* label2_;
  QPushButton* dialButton_;
  QPushButton* cancelButton_;
  QPushButton* closeButton_;
};
