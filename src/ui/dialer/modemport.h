#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>

// The serial line to a modem, as the dialer uses it.
class ModemPort {
 public:
  virtual ~ModemPort() = default;
  // Opens the device for reading and writing, exclusively, at 1200 baud,
  // 8 data bits, no parity, 1 stop bit, DTR on; false when it cannot.
  virtual bool open(const QString& device) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Whether every byte was written.
  virtual bool write(const QByteArray& bytes) = 0;
  // Asks the line for its status; false when it reports a fault.
  virtual bool poll() = 0;
  // Only the bytes already received, at most `max`.
  virtual QByteArray read(int max) = 0;
};

class SerialModemPort : public ModemPort {
 public:
  SerialModemPort() = default;
  ~SerialModemPort() override { close(); }
  bool open(const QString& device) override;
  void close() override;
  bool isOpen() const override { return port_.isOpen(); }
  bool write(const QByteArray& bytes) override;
  bool poll() override;
  QByteArray read(int max) override;

 private:
  QSerialPort port_;
};

// The device the dialer opens: the path in TOMEKEEPER_MODEM when set (a USB
// modem, say), else /dev/ttyS0../dev/ttyS3 for ComPort 0..3.
QString modemDevice(int comPort);
