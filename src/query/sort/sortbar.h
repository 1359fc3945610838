#pragma once

#include <QFrame>
#include <QPixmap>
#include <functional>

#include "query/sort/sortmenu.h"

class QAction;
class QMenu;
class NoFocusButton;

// The sort bar: shows and changes the listing's sort order and filter.
// It sits on the right table-of-contents page: first sort field, second sort
// field and filter state, each a glyph button with its own popup menu (right
// click, or F6/F7/F8 through the view). The menus do not touch the sort state
// themselves: a choice is signalled with the sort fields it leads to, and the
// view remembers the old state, applies the new one and updates the labels.
class SortBar : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QString firstLabel READ firstLabel WRITE setFirstLabel)
  Q_PROPERTY(QString secondLabel READ secondLabel WRITE setSecondLabel)
  Q_PROPERTY(QString Hint1 READ hint1 WRITE setHint1)
  Q_PROPERTY(QString Hint2 READ hint2 WRITE setHint2)
  Q_PROPERTY(QString Hint3 READ hint3 WRITE setHint3)
  Q_PROPERTY(bool firstDescending READ firstDescending WRITE setFirstDescending)
  Q_PROPERTY(bool secondDescending READ secondDescending WRITE setSecondDescending)
  Q_PROPERTY(int filterState READ filterState WRITE setFilterState)

 public:
  explicit SortBar(QWidget* parent = nullptr);
  ~SortBar() override;

  QString firstLabel() const;
  QString secondLabel() const;
  QString hint1() const;
  QString hint2() const;
  QString hint3() const;
  bool firstDescending() const { return firstDescending_; }
  bool secondDescending() const { return secondDescending_; }
  int filterState() const { return filterState_; }
  int helpContext() const { return helpContext_; }

  void setFirstLabel(const QString& text);
  void setSecondLabel(const QString& text);
  void setHint1(const QString& text);
  void setHint2(const QString& text);
  void setHint3(const QString& text);
  void setFirstDescending(bool on);
  void setSecondDescending(bool on);
  // Shows "All Records", "Normal Filter" or "Reversed Filter" and enables
  // every filter menu state but the current one.
  void setFilterState(int state);
  void setHelpContext(int context) { helpContext_ = context; }
  void setLabelsAndDirections(const QString& first, const QString& second, bool secondDescending,
                              bool firstDescending);

  QPixmap downBmp() const { return downBmp_; }
  QPixmap upBmp() const { return upBmp_; }
  QPixmap filterBmp() const { return filterBmp_; }
  void setDownBmp(const QPixmap& glyph);
  void setUpBmp(const QPixmap& glyph);
  void setFilterBmp(const QPixmap& glyph);

  // Where the field menus read the sort fields on every popup; without a
  // source they use the fields last given to setSortFields.
  void setSortSource(std::function<SortFields()> source) { sortSource_ = std::move(source); }
  void setSortFields(const SortFields& fields) { sortFields_ = fields; }
  // The filter templates of the filter menu; not owned, may be null.
  void setFilterTemplates(FilterTemplateAccess* templates) { templates_ = templates; }

  QMenu* firstFieldMenu() const { return firstMenu_; }
  QMenu* secondFieldMenu() const { return secondMenu_; }
  QMenu* filterMenu() const { return filterMenu_; }
  NoFocusButton* firstButton() const { return firstButton_; }
  NoFocusButton* secondButton() const { return secondButton_; }
  NoFocusButton* filterButton() const { return filterButton_; }

  // Rebuild the menus as a popup does; public so the view's keys and the
  // tests see the same menus.
  void updateFirstMenu();
  void updateSecondMenu();
  void updateFilterMenu();
  void popupFirstMenu(const QPoint& globalPos);
  void popupSecondMenu(const QPoint& globalPos);
  void popupFilterMenu(const QPoint& globalPos);

  QSize sizeHint() const override { return {300, 20}; }

 signals:
  void clicked();                                 // either field button
  void filterClick();                             // the filter button
  void filterMenuClick(int state);                // a state chosen in the filter menu
  void sortByClick(const SortFields& fields);     // a field chosen in either field menu
  void sort1MenuClick(const SortFields& fields);  // a first-field direction chosen
  void sort2MenuClick(const SortFields& fields);  // a second-field direction chosen
  void quickFilter(const QString& templateName);  // a template was loaded into the filter
  void templateDeleted(const QString& templateName);
  void templateSaved(const QString& templateName);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // A right click on the filter part while it is off still opens its menu.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The filter part is on only while a filter dialog listens to it.
  void connectNotify(const QMetaMethod& signal) override;
  void disconnectNotify(const QMetaMethod& signal) override;

 private:
  void buildFieldMenus();
  void buildFilterMenu();
  void connectButtons();  // clicks and right-click popups
  SortMenuContext context() const;
  void chooseFirstField(int tag);
  void chooseFirstDirection(bool descending);
  void chooseSecondField(int tag);
  void chooseSecondDirection(bool descending);
  void chooseFilterState(int state);
  void loadTemplate(const QString& name);
  void deleteTemplate(const QString& name);
  void saveTemplate();
  void showHelp();
  void updateGlyphs();

  NoFocusButton* firstButton_;
  NoFocusButton* secondButton_;
  NoFocusButton* filterButton_;
  QMenu* firstMenu_;
  QMenu* firstFieldsMenu_;
  QMenu* firstDirectionMenu_;
  QAction* firstAscendingAction_;
  QAction* firstDescendingAction_;
  QMenu* secondMenu_;
  QMenu* secondFieldsMenu_;
  QMenu* secondDirectionMenu_;
  QAction* secondAscendingAction_;
  QAction* secondDescendingAction_;
  QMenu* filterMenu_;
  QAction* states_[3];
  QMenu* loadMenu_;
  QAction* saveTemplateAction_;  // on only with a template list
  QMenu* deleteMenu_;

  QPixmap downBmp_;
  QPixmap upBmp_;
  QPixmap filterBmp_;
  bool firstDescending_ = true;
  bool secondDescending_ = false;
  int filterState_ = fsFilterOff;
  int helpContext_ = 0;
  SortFields sortFields_;
  std::function<SortFields()> sortSource_;
  FilterTemplateAccess* templates_ = nullptr;
};

// The built-in glyphs: arrows for the directions, a funnel for the filter.
QPixmap defaultDownGlyph();
QPixmap defaultUpGlyph();
QPixmap defaultFilterGlyph();
