#pragma once

#include <QApplication>

// The application object: an error that escapes an event handler becomes a
// message (or the offer to rebuild a damaged index) instead of ending the run.
class ProgramApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;
};
