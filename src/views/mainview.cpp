#include "mainview.h"

#include <QCloseEvent>

#include "form1.h"
#include "form3.h"
#include "gui/maindlg.h"
#include "runtime.h"
#include "settings.h"

TMainView::TMainView(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  resize(800, 600);
  ApplyCaption();
}

void TMainView::ApplyCaption() {
  QString caption = AppSettings().AppTitle;
  if (IsReadOnlyDatabase()) caption += QStringLiteral(" [Read Only Mode]");
  setWindowTitle(caption);
}

void TMainView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  SetCurrentView(this);
  ApplyCaption();
}

void TMainView::closeEvent(QCloseEvent* event) {
  event->accept();
  if (SwitchingModel) return;
  SaveViewState();
  SaveSessionState();
  if (MainDlg()) MainDlg()->close();
}

void SaveSessionState() {
  for (const auto& save : RunObjects().onViewClose) save();
  SaveProgramOptions();
  SaveUserOptions();
}

TMainView* CreateMainView(int bookModel, QWidget* owner) {
  TMainView* view = nullptr;
  if (bookModel == 1)
    view = new TForm1(owner);
  else
    view = new TForm3(owner);
  SetCurrentView(view);
  return view;
}
