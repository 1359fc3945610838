#include "ui/dialer/modemport.h"

namespace {
constexpr int kQueueSize = 1024;
constexpr int kWriteTimeoutMs = 5000;
}  // namespace

bool SerialModemPort::open(const QString& device) {
  close();
  port_.setPortName(device);
  port_.setReadBufferSize(kQueueSize);
  if (!port_.open(QIODevice::ReadWrite)) return false;
  if (!port_.setBaudRate(QSerialPort::Baud1200) || !port_.setDataBits(QSerialPort::Data8) ||
      !port_.setParity(QSerialPort::NoParity) || !port_.setStopBits(QSerialPort::OneStop) ||
      !port_.setFlowControl(QSerialPort::NoFlowControl)) {
    port_.close();
    return false;
  }
  // A line without modem control (a pseudo-terminal) refuses DTR; it still talks.
  port_.setDataTerminalReady(true);
  port_.clearError();
  return true;
}

void SerialModemPort::close() {
  if (port_.isOpen()) port_.close();
  port_.clearError();
}

bool SerialModemPort::write(const QByteArray& bytes) {
  if (!port_.isOpen() || port_.write(bytes) != bytes.size()) return false;
  while (port_.bytesToWrite() > 0)
    if (!port_.waitForBytesWritten(kWriteTimeoutMs + int(bytes.size()))) return false;
  return true;
}

bool SerialModemPort::poll() {
  if (!port_.isOpen()) return false;
  port_.waitForReadyRead(0);  // takes in what the line already holds
  const QSerialPort::SerialPortError e = port_.error();
  port_.clearError();
  return e == QSerialPort::NoError || e == QSerialPort::TimeoutError;
}

QByteArray SerialModemPort::read(int max) {
  return port_.isOpen() ? port_.read(max) : QByteArray();
}

QString modemDevice(int comPort) {
  const QString chosen = qEnvironmentVariable("TOMEKEEPER_MODEM");
  if (!chosen.isEmpty()) return chosen;
  return QStringLiteral("/dev/ttyS%1").arg(comPort);
}
