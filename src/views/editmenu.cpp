#include "editmenu.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "pageeditors.h"
#include "prompt.h"
#include "qtprompter.h"

namespace {

const QString kTextFiles = QStringLiteral("Text files (*.txt);;All files (*)");

int HelpContextOf(const QWidget* editor) {
  if (auto* e = qobject_cast<const TPageEdit*>(editor)) return e->HelpContext;
  if (auto* m = qobject_cast<const TMemoEdit*>(editor)) return m->HelpContext;
  return 0;
}

}  // namespace

TEditMenu::TEditMenu(QWidget* parent) : QMenu(parent) {
  setObjectName(QStringLiteral("EditMenu"));
  auto onLine = [this](auto lineAction, auto memoAction) {
    return [this, lineAction, memoAction] {
      if (auto* e = qobject_cast<QLineEdit*>(editor_.data())) (e->*lineAction)();
      if (auto* m = qobject_cast<QPlainTextEdit*>(editor_.data())) (m->*memoAction)();
    };
  };
  Undo1 = addAction(QStringLiteral("&Undo"), onLine(&QLineEdit::undo, &QPlainTextEdit::undo));
  addSeparator();
  Cut1 = addAction(QStringLiteral("Cu&t"), onLine(&QLineEdit::cut, &QPlainTextEdit::cut));
  Copy1 = addAction(QStringLiteral("&Copy"), onLine(&QLineEdit::copy, &QPlainTextEdit::copy));
  Paste1 = addAction(QStringLiteral("&Paste"), onLine(&QLineEdit::paste, &QPlainTextEdit::paste));
  Delete1 = addAction(QStringLiteral("&Delete"), [this] {
    if (auto* e = qobject_cast<QLineEdit*>(editor_.data())) e->del();
    if (auto* m = qobject_cast<QPlainTextEdit*>(editor_.data()))
      m->textCursor().removeSelectedText();
  });
  addSeparator();
  SelectAll1 = addAction(QStringLiteral("Select &All"),
                         onLine(&QLineEdit::selectAll, &QPlainTextEdit::selectAll));
  LoadSeparator = addSeparator();
  Load1 = addAction(QStringLiteral("&Load"), this, &TEditMenu::LoadClick);
  Save1 = addAction(QStringLiteral("&Save"), this, &TEditMenu::SaveClick);
  addSeparator();
  Help1 = addAction(QStringLiteral("&Help"), [this] {
    if (const int context = HelpContextOf(editor_.data())) ShowHelpTopic(context);
  });
}

void TEditMenu::Prepare(QWidget* editor) {
  editor_ = editor;
  bool selected = false, empty = true, canUndo = false;
  const bool memo = qobject_cast<QPlainTextEdit*>(editor) != nullptr;
  if (auto* e = qobject_cast<QLineEdit*>(editor)) {
    selected = e->hasSelectedText();
    empty = e->text().isEmpty();
    canUndo = e->isUndoAvailable();
  } else if (auto* m = qobject_cast<QPlainTextEdit*>(editor)) {
    selected = m->textCursor().hasSelection();
    empty = m->document()->isEmpty();
    canUndo = m->document()->isUndoAvailable();
  }
  Undo1->setEnabled(canUndo);
  Cut1->setEnabled(selected);
  Copy1->setEnabled(selected);
  Delete1->setEnabled(selected);
  Paste1->setEnabled(true);
  SelectAll1->setEnabled(!selected && !empty);
  LoadSeparator->setVisible(memo);
  Load1->setVisible(memo);
  Save1->setVisible(memo);
}

void TEditMenu::PopupFor(QWidget* editor, const QPoint& globalPos) {
  editor->setFocus();
  Prepare(editor);
  popup(globalPos);
}

void TEditMenu::LoadClick() {
  auto* memo = qobject_cast<QPlainTextEdit*>(editor_.data());
  if (!memo) return;
  const QString name =
      Prompter().openFile({QStringLiteral("Open"), {}, QStringLiteral("*.txt"), kTextFiles});
  if (name.isEmpty()) return;
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) {
    ShowMessage(MsgKind::Error, QStringLiteral("Cannot open the file: ") + name);
    return;
  }
  QString text = QString::fromLocal8Bit(f.readAll());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  memo->setPlainText(text);
}

void TEditMenu::SaveClick() {
  auto* memo = qobject_cast<QPlainTextEdit*>(editor_.data());
  if (!memo) return;
  const QString name =
      Prompter().saveFile({QStringLiteral("Save As"), {}, QStringLiteral("*.txt"), kTextFiles});
  if (name.isEmpty()) return;
  QString text = memo->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  QFile f(name);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toLocal8Bit()) < 0)
    ShowMessage(MsgKind::Error, QStringLiteral("Cannot write the file: ") + name);
}
