#include "qtprompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "settings.h"

namespace {

QMessageBox::Icon IconFor(MsgKind kind) {
  switch (kind) {
    case MsgKind::Error: return QMessageBox::Critical;
    case MsgKind::Warning: return QMessageBox::Warning;
    case MsgKind::Information: return QMessageBox::Information;
    case MsgKind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void ShowHelpTopic(int topic) {
  const QString file = JoinPath(AppSettings().ProgramDir, QStringLiteral("help/tomes.html"));
  if (!QFileInfo::exists(file)) return;
  QUrl url = QUrl::fromLocalFile(file);
  if (topic > 0) url.setFragment(QStringLiteral("topic-%1").arg(topic));
  QDesktopServices::openUrl(url);
}

MsgResult TQtPrompter::message(MsgKind kind, MsgButtons buttons, const QString& text,
                               int helpTopic) {
  if (ShuttingDown()) return buttons == MsgButtons::Ok || buttons == MsgButtons::OkHelp
                                 ? MsgResult::Ok
                                 : buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
  QMessageBox box(IconFor(kind), ToString(kind), text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  QPushButton* help = nullptr;
  switch (buttons) {
    case MsgButtons::Ok: box.addButton(QMessageBox::Ok); break;
    case MsgButtons::OkHelp:
      box.addButton(QMessageBox::Ok);
      help = box.addButton(QMessageBox::Help);
      break;
    case MsgButtons::YesNo: box.addButton(QMessageBox::Yes); box.addButton(QMessageBox::No); break;
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
    if (ShuttingDown()) return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    if (help && box.clickedButton() == help) {
      ShowHelpTopic(helpTopic);
      continue;  // help leaves the question open
    }
    switch (r) {
      case QMessageBox::Yes: return MsgResult::Yes;
      case QMessageBox::No: return MsgResult::No;
      case QMessageBox::Ok: return MsgResult::Ok;
      default: return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
  }
}

std::optional<QString> TQtPrompter::input(const QString& caption, const QString& prompt,
                                          const QString& value, bool password) {
  if (ShuttingDown()) return std::nullopt;
  bool ok = false;
  const QString text = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                             password ? QLineEdit::Password : QLineEdit::Normal,
                                             value, &ok);
  if (!ok) return std::nullopt;
  return text;
}

QString TQtPrompter::openFile(const TFileFilter& r) {
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), r.caption,
                                      JoinPath(r.directory, r.fileName), r.filter);
}

QString TQtPrompter::saveFile(const TFileFilter& r) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), r.caption,
                                      JoinPath(r.directory, r.fileName), r.filter);
}

QString TQtPrompter::directory(const QString& caption, const QString& start) {
  return QFileDialog::getExistingDirectory(QApplication::activeWindow(), caption, start);
}
