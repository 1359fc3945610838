#pragma once

#include <QWidget>
#include <cstdint>

#include "core/headerlayout.h"

class QMenu;
class HeaderTemplateList;

// The column header above the table of contents: shows the layout's sections,
// moves them by drag and drop, resizes them at their borders and offers the
// field and template menu on the right button. Every decision is the
// layout's; this class turns gestures into calls and paints the result.
class ColumnHeader : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 104;
  static constexpr int kFrame = 1;  // border around the client area

  explicit ColumnHeader(QWidget* parent = nullptr);
  ~ColumnHeader() override;

  bool loadFromFile(const QString& path);
  bool saveToFile(const QString& path);  // throws when it cannot write
  uint16_t columnPercent(int i) { return layout().columnPercent(i); }
  uint16_t columnField(int i) const { return layout_.columnField(i); }
  void refreshCaptions();

  int sectionCount() const { return layout_.count(); }
  QString sectionCaption(int i) const { return layout_.caption(i); }
  int sectionWidth(int i) { return layout().width(i); }
  // The model, with the control's current widths.
  HeaderLayout& layout();

  int helpContext() const { return helpContext_; }
  void setHelpContext(int topic) { helpContext_ = topic; }
  // The list that the template entries use; the program's own by default.
  void setTemplateList(HeaderTemplateList* list) { templates_ = list; }
  QMenu* popupMenu() const { return popupMenu_; }
  int draggedSection() const { return dragged_; }

  QSize sizeHint() const override { return {260, 20}; }

 signals:
  // After a move, a resize, an insert or remove, and a template load.
  void onHChange(ColumnHeader* sender);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private slots:
  void prepareEntryMenu();  // refills the sub-menus as the menu opens
  void onInsertFieldTriggered(const QString& label, int labelPos);
  void onRemoveFieldTriggered(const QString& label);
  void onLoadTemplateTriggered(const QString& name);
  void onSaveAsTemplateTriggered();
  void onDeleteTemplateTriggered(int index);
  void onHelpTriggered();

 private:
  void buildMenu();
  void changed();
  HeaderTemplateList& templates();
  int clientX(const QPoint& p) const { return p.x() - kFrame; }

  HeaderLayout layout_;
  int dragged_ = -1;   // section being dragged, -1 when none
  int resizing_ = -1;  // section whose right border follows the mouse
  int resizeFromX_ = 0;
  int resizeFromWidth_ = 0;
  int helpContext_ = kHelpContext;
  HeaderTemplateList* templates_ = nullptr;  // not owned

  QMenu* popupMenu_ = nullptr;  // owned by this widget, as are the sub-menus
  QMenu* insertMenu_ = nullptr;
  QMenu* removeMenu_ = nullptr;
  QMenu* loadMenu_ = nullptr;
  QMenu* deleteMenu_ = nullptr;
};
