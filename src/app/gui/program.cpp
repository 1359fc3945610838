#include "program.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSocketNotifier>
#include <csignal>

#include "aboutbox.h"
#include "maindlg.h"
#include "percentdlg.h"
#include "progress.h"
#include "qtprompter.h"
#include "reminders.h"
#include "runtime.h"
#include "sampledata.h"
#include "settings.h"
#include "startup.h"
#include "templatelist.h"
#include "views/mainview.h"

namespace {

int g_signalFds[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  // Only async-signal-safe work here: the event loop picks it up.
  [[maybe_unused]] auto n = ::write(g_signalFds[0], &c, 1);
}

}  // namespace

TProgram::TProgram(QString programDir) : programDir_(std::move(programDir)) {}

TProgram::~TProgram() {
  if (g_signalFds[0] >= 0) {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
  }
}

void TProgram::InstallSignalHandlers() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) return;
  signalNotifier_ = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
  connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
    char c;
    [[maybe_unused]] auto n = ::read(g_signalFds[1], &c, 1);
    RequestQuit();
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

void TProgram::RequestQuit() {
  if (quitRequested_) return;
  quitRequested_ = true;
  SetShuttingDown();
  // A box or dialog still open would hold its own loop; answer it with its
  // cancel so the start-up or the view can carry on to the saving steps.
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dlg = qobject_cast<QDialog*>(w); dlg && dlg->isVisible() && dlg->isModal())
      dlg->done(QDialog::Rejected);
  }
  if (TMainView* view = CurrentView())
    view->close();  // saves, then closes the main dialog
  else
    QApplication::quit();
}

int TProgram::run() {
  static TQtPrompter prompter;
  SetDefaultPrompter(&prompter);
  static TWindowProgress progress;  // long passes show the progress window
  SetProgress(&progress);
  InstallSignalHandlers();
  QApplication::setQuitOnLastWindowClosed(false);
  connect(qApp, &QGuiApplication::commitDataRequest, this, &TProgram::RequestQuit,
          Qt::DirectConnection);

  AppSettings().setEditionValues();
  auto splash = std::make_unique<TAboutBox>(nullptr, false);
  splash->OKButton->hide();
  splash->setWindowTitle(QStringLiteral("Welcome"));
  splash->show();
  splash->repaint();
  QApplication::processEvents();

  InstallSampleSeeder();
  InstallTemplateLists();
  const TStartupOutcome outcome = RunStartupSteps(programDir_);
  if (outcome.login != TLoginResult::Passed) return 1;

  QApplication::setApplicationDisplayName(AppSettings().AppTitle);
  mainDlg_ = new TMainDlg;
  TMainView* view = CreateMainView(AppSettings().BookModel, mainDlg_);
  view->show();
  splash.reset();

  ShowStartupReminders(NowDays());
  if (!quitRequested_) QApplication::exec();
  // A quit that came before the loop still saves like a closed view.
  if (CurrentView()) {
    CurrentView()->close();
  }

  SaveReminders(NowDays());
  for (const auto& save : RunObjects().atExit) save();
  delete mainDlg_;
  mainDlg_ = nullptr;
  return 0;
}
