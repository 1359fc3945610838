#include "maindlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>

#include "views/mainview.h"

namespace {

QPointer<TMainView> g_currentView;
TMainDlg* g_mainDlg = nullptr;

// Minimised windows show no tooltips of their own.
class HintFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ToolTip) {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && w->isWindow() && w->isMinimized()) return true;
    }
    return false;
  }
};

}  // namespace

TMainView* CurrentView() { return g_currentView.data(); }
void SetCurrentView(TMainView* view) { g_currentView = view; }
TMainDlg* MainDlg() { return g_mainDlg; }

TMainDlg::TMainDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("MainDlg"));
  setWindowTitle(QStringLiteral("Orvanta"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setEnabled(false);
  g_mainDlg = this;
  FormCreate();
}

TMainDlg::~TMainDlg() {
  if (g_mainDlg == this) g_mainDlg = nullptr;
}

void TMainDlg::FormCreate() {
  move(x(), -100);
  hintFilter_ = new HintFilter(this);
  qApp->installEventFilter(hintFilter_);
}

void TMainDlg::Shutdown() {
  SetCurrentView(nullptr);
  QApplication::quit();
}

void TMainDlg::closeEvent(QCloseEvent* event) {
  event->accept();
  Shutdown();
}

void TMainDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && CurrentView())
    CurrentView()->activateWindow();
  QDialog::changeEvent(event);
}
