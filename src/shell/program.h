#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;
class ViewHost;

// Runs the program from start-up to shutdown. SIGTERM, SIGHUP, SIGINT and the
// end of the desktop session close the main view like the Exit command does,
// so everything is saved.
class Program : public QObject {
  Q_OBJECT

 public:
  explicit Program(QString programDir);
  ~Program() override;

  int run();
  // Ends the run in order: the main view closes and saves.
  void requestQuit();

 private:
  void installSignalHandlers();

  QString programDir_;
  ViewHost* mainDlg_ = nullptr;
  QSocketNotifier* signalNotifier_ = nullptr;
  bool quitRequested_ = false;
};
