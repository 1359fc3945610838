#include "ui/qtprompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <cstdio>

#include "core/settings.h"

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

}  // namespace

void showHelpTopic(int topic) {
  const QString file = joinPath(appSettings().programDir, QStringLiteral("help/tomes.html"));
  if (!QFileInfo::exists(file)) return;
  QUrl url = QUrl::fromLocalFile(file);
  if (topic > 0) url.setFragment(QStringLiteral("topic-%1").arg(topic));
  QDesktopServices::openUrl(url);
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
      showHelpTopic(helpTopic);
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
  bool ok = false;
  const QString text =
      QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                            password ? QLineEdit::Password : QLineEdit::Normal, value, &ok);
  if (!ok) return std::nullopt;
  return text;
}

QString QtPrompter::openFile(const FileFilter& r) {
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), r.caption,
                                      joinPath(r.directory, r.fileName), r.filter);
}

QString QtPrompter::saveFile(const FileFilter& r) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), r.caption,
                                      joinPath(r.directory, r.fileName), r.filter);
}

QString QtPrompter::directory(const QString& caption, const QString& start) {
  return QFileDialog::getExistingDirectory(QApplication::activeWindow(), caption, start);
}
