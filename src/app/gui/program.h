#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;
class TMainDlg;

// Runs the program from start-up to shutdown. SIGTERM, SIGHUP, SIGINT and the
// end of the desktop session close the main view like the Exit command does,
// so everything is saved.
class TProgram : public QObject {
  Q_OBJECT

 public:
  explicit TProgram(QString programDir);
  ~TProgram() override;

  int run();
  // Ends the run in order: the main view closes and saves.
  void RequestQuit();

 private:
  void InstallSignalHandlers();

  QString programDir_;
  TMainDlg* mainDlg_ = nullptr;
  QSocketNotifier* signalNotifier_ = nullptr;
  bool quitRequested_ = false;
};
