#include "book/viewhost.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "book/bookview.h"
#include "core/prompt.h"

namespace {

QPointer<BookView> g_currentView;
ViewHost* g_mainDlg = nullptr;
bool g_runEnded = false;
MainViewMaker g_makers[2];

// Book model 1 is the table of contents; every other value the combined view.
size_t makerIndex(int bookModel) { return bookModel == 1 ? 1 : 0; }

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

void placeOnScreen(QWidget* window, QPoint framePos, const QWidget* framed) {
  QScreen* screen = window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  QSize outer = window->frameGeometry().size();
  if (outer == window->size() && framed) outer += framed->frameGeometry().size() - framed->size();
  framePos.rx() = std::max(std::min(framePos.x(), room.right() + 1 - outer.width()), room.left());
  framePos.ry() = std::max(std::min(framePos.y(), room.bottom() + 1 - outer.height()), room.top());
  // A window that has a native one takes the frame position there, else the
  // toolkit keeps a move before the first show as the frame's.
  if (QWindow* handle = window->windowHandle())
    handle->setFramePosition(framePos);
  else
    window->move(framePos);
}

BookView* currentView() { return g_currentView.data(); }
void setCurrentView(BookView* view) { g_currentView = view; }
ViewHost* mainDlg() { return g_mainDlg; }
bool runEnded() { return g_runEnded; }

void rejectModalDialogs() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dlg = qobject_cast<QDialog*>(w); dlg && dlg->isVisible() && dlg->isModal())
      dlg->done(QDialog::Rejected);
  }
}

void registerMainView(int bookModel, MainViewMaker make) {
  g_makers[makerIndex(bookModel)] = std::move(make);
}

BookView* createMainView(int bookModel, QWidget* owner) {
  const MainViewMaker& make = g_makers[makerIndex(bookModel)];
  if (!make) return nullptr;
  BookView* view = make(owner);
  setCurrentView(view);
  return view;
}

ViewHost::ViewHost(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("mainDlg"));
  setWindowTitle(QStringLiteral("Orvanta"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setEnabled(false);
  g_mainDlg = this;
  formCreate();
}

ViewHost::~ViewHost() {
  if (g_mainDlg == this) g_mainDlg = nullptr;
}

void ViewHost::formCreate() {
  move(x(), -100);
  hintFilter_ = new HintFilter(this);
  qApp->installEventFilter(hintFilter_);
}

void ViewHost::shutdown() {
  setCurrentView(nullptr);
  g_runEnded = true;
  // A box open now (a reminder, say) runs its own loop, and quit() does
  // nothing before the main loop has started: without this the run would
  // carry on with no window.
  setShuttingDown();
  rejectModalDialogs();
  QApplication::quit();
}

void ViewHost::closeEvent(QCloseEvent* event) {
  event->accept();
  shutdown();
}

void ViewHost::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && currentView())
    currentView()->activateWindow();
  QDialog::changeEvent(event);
}
