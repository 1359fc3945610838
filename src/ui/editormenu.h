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

  QAction *Undo1, *cut1, *copy1, *Paste1, *delete1, *selectAll1, *LoadSeparator, *load1, *save1,
      *help1;

  void loadClick();
  void saveClick();

 private:
  QPointer<QWidget> editor_;
};
