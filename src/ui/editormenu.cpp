#include "ui/editormenu.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/pageeditors.h"
#include "core/prompt.h"
#include "ui/qtprompter.h"

namespace {

const QString kTextFiles = QStringLiteral("Text files (*.txt);;All files (*)");

int helpContextOf(const QWidget* editor) {
  if (auto* e = qobject_cast<const PageEdit*>(editor)) return e->helpContext;
  if (auto* m = qobject_cast<const MemoEdit*>(editor)) return m->helpContext;
  return 0;
}

}  // namespace

EditorMenu::EditorMenu(QWidget* parent) : QMenu(parent) {
  setObjectName(QStringLiteral("editMenu"));
  auto onLine = [this](auto lineAction, auto memoAction) {
    return [this, lineAction, memoAction] {
      if (auto* e = qobject_cast<QLineEdit*>(editor_.data())) (e->*lineAction)();
      if (auto* m = qobject_cast<QPlainTextEdit*>(editor_.data())) (m->*memoAction)();
    };
  };
  Undo1 = addAction(QStringLiteral("&Undo"), onLine(&QLineEdit::undo, &QPlainTextEdit::undo));
  addSeparator();
  cut1 = addAction(QStringLiteral("Cu&t"), onLine(&QLineEdit::cut, &QPlainTextEdit::cut));
  copy1 = addAction(QStringLiteral("&Copy"), onLine(&QLineEdit::copy, &QPlainTextEdit::copy));
  Paste1 = addAction(QStringLiteral("&Paste"), onLine(&QLineEdit::paste, &QPlainTextEdit::paste));
  delete1 = addAction(QStringLiteral("&Delete"), [this] {
    if (auto* e = qobject_cast<QLineEdit*>(editor_.data())) e->del();
    if (auto* m = qobject_cast<QPlainTextEdit*>(editor_.data()))
      m->textCursor().removeSelectedText();
  });
  addSeparator();
  selectAll1 = addAction(QStringLiteral("Select &All"),
                         onLine(&QLineEdit::selectAll, &QPlainTextEdit::selectAll));
  LoadSeparator = addSeparator();
  load1 = addAction(QStringLiteral("&Load"), this, &EditorMenu::loadClick);
  save1 = addAction(QStringLiteral("&Save"), this, &EditorMenu::saveClick);
  addSeparator();
  help1 = addAction(QStringLiteral("&Help"), [this] {
    if (const int context = helpContextOf(editor_.data())) showHelpTopic(context);
  });
}

void EditorMenu::prepare(QWidget* editor) {
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
  cut1->setEnabled(selected);
  copy1->setEnabled(selected);
  delete1->setEnabled(selected);
  Paste1->setEnabled(true);
  selectAll1->setEnabled(!selected && !empty);
  LoadSeparator->setVisible(memo);
  load1->setVisible(memo);
  save1->setVisible(memo);
}

void EditorMenu::popupFor(QWidget* editor, const QPoint& globalPos) {
  editor->setFocus();
  prepare(editor);
  popup(globalPos);
}

void EditorMenu::loadClick() {
  auto* memo = qobject_cast<QPlainTextEdit*>(editor_.data());
  if (!memo) return;
  const QString name =
      prompter().openFile({QStringLiteral("Open"), {}, QStringLiteral("*.txt"), kTextFiles});
  if (name.isEmpty()) return;
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) {
    showMessage(MsgKind::Error, QStringLiteral("Cannot open the file: ") + name);
    return;
  }
  QString text = QString::fromLocal8Bit(f.readAll());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  memo->setPlainText(text);
}

void EditorMenu::saveClick() {
  auto* memo = qobject_cast<QPlainTextEdit*>(editor_.data());
  if (!memo) return;
  const QString name =
      prompter().saveFile({QStringLiteral("Save As"), {}, QStringLiteral("*.txt"), kTextFiles});
  if (name.isEmpty()) return;
  QString text = memo->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  QFile f(name);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toLocal8Bit()) < 0)
    showMessage(MsgKind::Error, QStringLiteral("Cannot write the file: ") + name);
}
