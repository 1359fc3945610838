#include "ui/qtprompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <cstdio>

#include "core/settings.h"
#include "ui/helpwindow.h"
#include "ui/pageeditors.h"

namespace {

QMessageBox::Icon iconFor(MsgKind kind) {
  switch (kind) {
    case MsgKind::Error:
      return QMessageBox::Critical;
    case MsgKind::Warning:
      return QMessageBox::Warning;
    case MsgKind::Information:
      return QMessageBox::Information;
    case MsgKind::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// A visible window that stays on top of the others, other than `except`.
QWidget* stayOnTopWindow(const QWidget* except) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != except && w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
      return w;
  return nullptr;
}

}  // namespace

void keepAboveStayOnTopWindows(QWidget* dialog) {
  if (stayOnTopWindow(dialog)) dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void showHelpTopic(int topic, QWidget* owner) {
  HelpWindow::instance()->showContext(topic, owner ? owner : QApplication::activeModalWidget());
}

namespace {

// F1: the focused editor's help, else the window's Help button, else (in a
// main window) the help contents.
class HelpKey : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    QWidget* focus = QApplication::focusWidget();
    if (watched != focus && watched != QApplication::activeWindow()) return false;
    QWidget* window = focus ? focus->window() : QApplication::activeWindow();
    if (!window || window == HelpWindow::existing()) return false;
    for (QWidget* w = focus; w && w != window; w = w->parentWidget())
      if (const int context = editorHelpContext(w)) {
        showHelpTopic(context);
        return true;
      }
    for (auto* button : window->findChildren<QAbstractButton*>(QStringLiteral("helpButton")))
      if (button->isVisible() && button->isEnabled() && button->window() == window) {
        button->click();
        return true;
      }
    if (qobject_cast<QDialog*>(window)) return false;  // its own keys decide
    showHelpTopic(1);
    return true;
  }
};

}  // namespace

void installHelpKey() {
  static HelpKey filter;
  static bool installed = false;
  if (!installed) qApp->installEventFilter(&filter);
  installed = true;
}

MsgResult QtPrompter::message(MsgKind kind, MsgButtons buttons, const QString& text,
                              int helpTopic) {
  // Every box is also told on stderr, one line, for whoever started the program
  // from a terminal (and for the tests that start it).
  std::fprintf(stderr, "tomekeeper: %s (%s): %s\n", qPrintable(toString(kind)),
               qPrintable(toString(buttons)),
               qPrintable(QString(text).replace(QLatin1Char('\r'), QLatin1String(" | "))));
  std::fflush(stderr);
  if (shuttingDown())
    return buttons == MsgButtons::Ok || buttons == MsgButtons::OkHelp ? MsgResult::Ok
           : buttons == MsgButtons::YesNo                             ? MsgResult::No
                                                                      : MsgResult::Cancel;
  QMessageBox box(iconFor(kind), toString(kind), text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  keepAboveStayOnTopWindows(&box);
  QPushButton* help = nullptr;
  switch (buttons) {
    case MsgButtons::Ok:
      box.addButton(QMessageBox::Ok);
      break;
    case MsgButtons::OkHelp:
      box.addButton(QMessageBox::Ok);
      help = box.addButton(QMessageBox::Help);
      break;
    case MsgButtons::YesNo:
      box.addButton(QMessageBox::Yes);
      box.addButton(QMessageBox::No);
      break;
    case MsgButtons::YesNoCancel:
      box.addButton(QMessageBox::Yes);
      box.addButton(QMessageBox::No);
      box.addButton(QMessageBox::Cancel);
      break;
    case MsgButtons::OkCancel:
      box.addButton(QMessageBox::Ok);
      box.addButton(QMessageBox::Cancel);
      break;
  }
  for (;;) {
    const int r = box.exec();
    if (shuttingDown()) return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    if (help && box.clickedButton() == help) {
      showHelpTopic(helpTopic, &box);
      continue;  // help leaves the question open
    }
    switch (r) {
      case QMessageBox::Yes:
        return MsgResult::Yes;
      case QMessageBox::No:
        return MsgResult::No;
      case QMessageBox::Ok:
        return MsgResult::Ok;
      default:
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
  }
}

std::optional<QString> QtPrompter::input(const QString& caption, const QString& prompt,
                                         const QString& value, bool password) {
  if (shuttingDown()) return std::nullopt;
  QInputDialog dlg(QApplication::activeWindow());
  dlg.setWindowTitle(caption);
  dlg.setLabelText(prompt);
  dlg.setTextEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
  dlg.setTextValue(value);
  keepAboveStayOnTopWindows(&dlg);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.textValue();
}

namespace {

// A file chooser that, like the boxes, stays above a window kept on top.
QString chooseFile(const QString& caption, const QString& start, const QString& filter,
                   QFileDialog::AcceptMode accept, QFileDialog::FileMode mode) {
  QFileDialog dlg(QApplication::activeWindow(), caption, start, filter);
  dlg.setAcceptMode(accept);
  dlg.setFileMode(mode);
  if (mode == QFileDialog::Directory) dlg.setOption(QFileDialog::ShowDirsOnly);
  keepAboveStayOnTopWindows(&dlg);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().constFirst();
}

}  // namespace

QString QtPrompter::openFile(const FileFilter& r) {
  return chooseFile(r.caption, joinPath(r.directory, r.fileName), r.filter, QFileDialog::AcceptOpen,
                    QFileDialog::ExistingFile);
}

QString QtPrompter::saveFile(const FileFilter& r) {
  return chooseFile(r.caption, joinPath(r.directory, r.fileName), r.filter, QFileDialog::AcceptSave,
                    QFileDialog::AnyFile);
}

QString QtPrompter::directory(const QString& caption, const QString& start) {
  return chooseFile(caption, start, QString(), QFileDialog::AcceptOpen, QFileDialog::Directory);
}
