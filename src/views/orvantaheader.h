#pragma once

#include <QWidget>
#include <cstdint>

#include "headerlayout.h"

class QMenu;
class THeaderTemplateList;

// The column header above the table of contents: shows the layout's sections,
// moves them by drag and drop, resizes them at their borders and offers the
// field and template menu on the right button. Every decision is the
// layout's; this class turns gestures into calls and paints the result.
class TOrvantaHeader : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 104;
  static constexpr int kFrame = 1;  // border around the client area

  explicit TOrvantaHeader(QWidget* parent = nullptr);
  ~TOrvantaHeader() override;

  bool LoadFromFile(const QString& path);
  bool SaveToFile(const QString& path);  // throws dbase::Error when it cannot write
  uint16_t ColumnPercent(int i) { return layout().ColumnPercent(i); }
  uint16_t ColumnField(int i) const { return layout_.ColumnField(i); }
  void RefreshCaptions();

  int SectionCount() const { return layout_.count(); }
  QString SectionCaption(int i) const { return layout_.caption(i); }
  int SectionWidth(int i) { return layout().width(i); }
  // The model, with the control's current widths.
  THeaderLayout& layout();

  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int topic) { helpContext_ = topic; }
  // The list that the template entries use; the program's own by default.
  void SetTemplateList(THeaderTemplateList* list) { templates_ = list; }
  QMenu* PopupMenu() const { return popupMenu_; }
  int DraggedSection() const { return dragged_; }

  QSize sizeHint() const override { return {260, 20}; }

 signals:
  // After a move, a resize, an insert or remove, and a template load.
  void OnHChange(TOrvantaHeader* sender);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void BuildMenu();
  void PopupMenu1Popup();  // refills the sub-menus as the menu opens
  void InsertFieldClick(const QString& label, int labelPos);
  void RemoveFieldClick(const QString& label);
  void LoadTemplateClick(const QString& name);
  void SaveAsTemplateClick();
  void DeleteTemplateClick(int index);
  void Help1Click();
  void Changed();
  THeaderTemplateList& templates();
  int clientX(const QPoint& p) const { return p.x() - kFrame; }

  THeaderLayout layout_;
  int dragged_ = -1;   // section being dragged, -1 when none
  int resizing_ = -1;  // section whose right border follows the mouse
  int resizeFromX_ = 0;
  int resizeFromWidth_ = 0;
  int helpContext_ = kHelpContext;
  THeaderTemplateList* templates_ = nullptr;  // not owned

  QMenu* popupMenu_ = nullptr;  // owned by this widget, as are the sub-menus
  QMenu* insertMenu_ = nullptr;
  QMenu* removeMenu_ = nullptr;
  QMenu* loadMenu_ = nullptr;
  QMenu* deleteMenu_ = nullptr;
};
