#pragma once

#include <QMenu>
#include <QPointer>

// The popup menu of the page editors: undo, clipboard, select all, and for
// memos loading and saving their lines as a text file.
class EditorMenu : public QMenu {
  Q_OBJECT

 public:
  explicit EditorMenu(QWidget* parent);

  // Focuses the editor, sets the items' states for it and shows the menu.
  void popupFor(QWidget* editor, const QPoint& globalPos);
  // The states only (what the menu would offer for this editor).
  void prepare(QWidget* editor);

  // Entries, reached by the tests as a user would.
  QAction* undoAction;
  QAction* cutAction;
  QAction* copyAction;
  QAction* pasteAction;
  QAction* deleteAction;
  QAction* selectAllAction;
  QAction* fileSeparator;  // above Load and Save, shown for memos only
  QAction* loadAction;
  QAction* saveAction;
  QAction* helpAction;

 private slots:
  void onLoadTriggered();
  void onSaveTriggered();

 private:
  QPointer<QWidget> editor_;
};
