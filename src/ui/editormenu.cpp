#include "ui/editormenu.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <utility>

#include "core/prompt.h"
#include "ui/editors/currencyedit.h"
#include "ui/pageeditors.h"
#include "ui/qtprompter.h"

namespace {

const QString kTextFiles = QStringLiteral("Text files (*.txt);;All files (*)");

int helpContextOf(const QWidget* editor) { return editorHelpContext(editor); }

}  // namespace

EditorMenu::EditorMenu(QWidget* parent) : QMenu(parent) {
  setObjectName(QStringLiteral("editorMenu"));
  auto onLine = [this](auto lineAction, auto memoAction) {
    return [this, lineAction, memoAction] {
      if (auto* e = lineEditOf(editor_.data())) (e->*lineAction)();
      if (auto* m = qobject_cast<QPlainTextEdit*>(editor_.data())) (m->*memoAction)();
    };
  };
  undoAction = addAction(QStringLiteral("&Undo"), onLine(&QLineEdit::undo, &QPlainTextEdit::undo));
  addSeparator();
  cutAction = addAction(QStringLiteral("Cu&t"), onLine(&QLineEdit::cut, &QPlainTextEdit::cut));
  copyAction = addAction(QStringLiteral("&Copy"), onLine(&QLineEdit::copy, &QPlainTextEdit::copy));
  pasteAction = addAction(QStringLiteral("&Paste"),
                          [this, paste = onLine(&QLineEdit::paste, &QPlainTextEdit::paste)] {
                            // An amount takes only what could be typed into it.
                            if (auto* amount = qobject_cast<CurrencyEdit*>(editor_.data()))
                              amount->pasteAllowed();
                            else
                              paste();
                          });
  deleteAction = addAction(QStringLiteral("&Delete"), [this] {
    if (auto* e = lineEditOf(editor_.data())) e->del();
    if (auto* m = qobject_cast<QPlainTextEdit*>(editor_.data()))
      m->textCursor().removeSelectedText();
  });
  addSeparator();
  selectAllAction = addAction(QStringLiteral("Select &All"),
                              onLine(&QLineEdit::selectAll, &QPlainTextEdit::selectAll));
  fileSeparator = addSeparator();
  loadAction = addAction(QStringLiteral("&Load"), this, &EditorMenu::onLoadTriggered);
  saveAction = addAction(QStringLiteral("&Save"), this, &EditorMenu::onSaveTriggered);
  addSeparator();
  helpAction = addAction(QStringLiteral("&Help"), [this] {
    if (const int context = helpContextOf(editor_.data())) showHelpTopic(context);
  });
  const std::pair<QAction*, const char*> names[] = {
      {undoAction, "undoAction"},     {cutAction, "cutAction"},
      {copyAction, "copyAction"},     {pasteAction, "pasteAction"},
      {deleteAction, "deleteAction"}, {selectAllAction, "selectAllAction"},
      {loadAction, "loadAction"},     {saveAction, "saveAction"},
      {helpAction, "helpAction"}};
  for (const auto& [action, name] : names) action->setObjectName(QLatin1String(name));
}

void EditorMenu::prepare(QWidget* editor) {
  editor_ = editor;
  bool selected = false, empty = true, canUndo = false;
  const bool memo = qobject_cast<QPlainTextEdit*>(editor) != nullptr;
  if (auto* e = lineEditOf(editor)) {
    selected = e->hasSelectedText();
    empty = e->text().isEmpty();
    canUndo = e->isUndoAvailable();
  } else if (auto* m = qobject_cast<QPlainTextEdit*>(editor)) {
    selected = m->textCursor().hasSelection();
    empty = m->document()->isEmpty();
    canUndo = m->document()->isUndoAvailable();
  }
  undoAction->setEnabled(canUndo);
  cutAction->setEnabled(selected);
  copyAction->setEnabled(selected);
  deleteAction->setEnabled(selected);
  pasteAction->setEnabled(true);
  selectAllAction->setEnabled(!selected && !empty);
  fileSeparator->setVisible(memo);
  loadAction->setVisible(memo);
  saveAction->setVisible(memo);
}

void EditorMenu::popupFor(QWidget* editor, const QPoint& globalPos) {
  editor->setFocus();
  prepare(editor);
  popup(globalPos);
}

void EditorMenu::onLoadTriggered() {
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

void EditorMenu::onSaveTriggered() {
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
