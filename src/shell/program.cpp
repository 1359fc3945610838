#include "shell/program.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>

#include "book/bookview.h"
#include "book/combined/combinedview.h"
#include "book/contents/contentsview.h"
#include "book/viewhost.h"
#include "core/progress.h"
#include "core/reminders.h"
#include "core/runobjects.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/templatelist.h"
#include "dbase/countcache.h"
#include "query/filter/filterlist.h"
#include "store/sampledata.h"
#include "ui/aboutbox.h"
#include "ui/progresswindow.h"
#include "ui/qtprompter.h"
#include "users/logindialog.h"

namespace {

int g_signalFds[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  // Only async-signal-safe work here: the event loop picks it up.
  [[maybe_unused]] auto n = ::write(g_signalFds[0], &c, 1);
}

}  // namespace

Program::Program(QString programDir) : programDir_(std::move(programDir)) {}

Program::~Program() {
  if (g_signalFds[0] >= 0) {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
  }
}

void Program::installSignalHandlers() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) return;
  signalNotifier_ = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
  connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
    char c;
    [[maybe_unused]] auto n = ::read(g_signalFds[1], &c, 1);
    requestQuit();
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

void Program::requestQuit() {
  quitRequested_ = true;
  setShuttingDown();
  // A box or dialog still open holds its own loop; answered with its cancel
  // it lets the start-up or the view carry on to the saving steps.
  rejectModalDialogs();
  // The close runs from the loop that is left once those loops have ended,
  // not inside one of them. A later signal asks again.
  QTimer::singleShot(0, this, [] {
    if (BookView* view = currentView())
      view->close();  // saves, then closes the main dialog
    else
      QApplication::quit();
  });
}

int Program::run() {
  static QtPrompter prompter;
  setDefaultPrompter(&prompter);
  installHelpKey();
  static WindowProgress progress;  // long passes show the progress window
  setProgress(&progress);
  installSignalHandlers();
  QApplication::setQuitOnLastWindowClosed(false);
  connect(qApp, &QGuiApplication::commitDataRequest, this, &Program::requestQuit,
          Qt::DirectConnection);

  appSettings().setEditionValues();
  // Index entry counts outlive the run: the next start finds them instead of
  // reading every leaf of the sort tag (only while the index is unchanged).
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  if (!cache.isEmpty())
    dbase::setIndexCountDirectory(
        QFile::encodeName(cache + QStringLiteral("/index-counts")).toStdString());
  auto splash = std::make_unique<AboutBox>(nullptr, false);
  splash->okButton->hide();
  splash->setWindowTitle(QStringLiteral("Welcome"));
  splash->show();
  splash->repaint();
  QApplication::processEvents();

  installSampleSeeder();
  installTemplateLists();
  installFilter();
  installLoginGate();
  // An installed program runs from the user's own copy of its directory.
  const QString programDir =
      chooseProgramDir(programDir_, installedFilesDir(programDir_), userProgramDir());
  const StartupOutcome outcome = runStartupSteps(programDir);
  // A failed login ends the run before anything is saved; a signal that ended
  // the login dialog is an orderly end.
  if (outcome.login != LoginResult::Passed) return quitRequested_ ? 0 : 1;

  mainDlg_ = new ViewHost;
  registerMainView(1, [](QWidget* owner) -> BookView* { return new ContentsView(owner); });
  registerMainView(0, [](QWidget* owner) -> BookView* { return new CombinedView(owner); });
  BookView* view = createMainView(appSettings().bookModel, mainDlg_);
  view->show();
  splash.reset();

  showStartupReminders(nowDays());
  if (!quitRequested_ && !runEnded()) QApplication::exec();
  // A quit that came before the loop still saves like a closed view.
  if (currentView()) {
    currentView()->close();
  }

  saveReminders(nowDays());
  for (const auto& save : runObjects().atExit) save();
  delete mainDlg_;
  mainDlg_ = nullptr;
  return 0;
}
