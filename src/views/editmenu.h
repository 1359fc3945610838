#pragma once

#include <QMenu>
#include <QPointer>

// The popup menu of the page editors: undo, clipboard, select all, and for
// memos loading and saving their lines as a text file.
class TEditMenu : public QMenu {
  Q_OBJECT

 public:
  explicit TEditMenu(QWidget* parent);

  // Focuses the editor, sets the items' states for it and shows the menu.
  void PopupFor(QWidget* editor, const QPoint& globalPos);
  // The states only (what the menu would offer for this editor).
  void Prepare(QWidget* editor);

  QAction *Undo1, *Cut1, *Copy1, *Paste1, *Delete1, *SelectAll1, *LoadSeparator, *Load1, *Save1,
      *Help1;

  void LoadClick();
  void SaveClick();

 private:
  QPointer<QWidget> editor_;
};
