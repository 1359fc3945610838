#pragma once

#include <QFrame>
#include <QPixmap>
#include <functional>

#include "query/sort/sortmenu.h"

class QAction;
class QMenu;
class NoFocusButton;

// The bar on the right table-of-contents page: first sort field, second sort
// field and filter state, each a glyph button with its own popup menu (right
// click, or F6/F7/F8 through the view). The menus do not touch the sort state
// themselves: a choice is signalled with the sort fields it leads to, and the
// view remembers the old state, applies the new one and updates the labels.
class SortBar : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QString label1 READ label1 WRITE setLabel1)
  Q_PROPERTY(QString label2 READ label2 WRITE setLabel2)
  Q_PROPERTY(QString Hint1 READ hint1 WRITE setHint1)
  Q_PROPERTY(QString Hint2 READ hint2 WRITE setHint2)
  Q_PROPERTY(QString Hint3 READ hint3 WRITE setHint3)
  Q_PROPERTY(bool IsDown1 READ isDown1 WRITE setIsDown1)
  Q_PROPERTY(bool IsDown2 READ isDown2 WRITE setIsDown2)
  Q_PROPERTY(int filterState READ filterState WRITE setFilterState)

 public:
  explicit SortBar(QWidget* parent = nullptr);
  ~SortBar() override;

  QString label1() const;
  QString label2() const;
  QString hint1() const;
  QString hint2() const;
  QString hint3() const;
  bool isDown1() const { return isDown1_; }
  bool isDown2() const { return isDown2_; }
  int filterState() const { return filterState_; }
  int helpContext() const { return helpContext_; }

  void setLabel1(const QString& text);
  void setLabel2(const QString& text);
  void setHint1(const QString& text);
  void setHint2(const QString& text);
  void setHint3(const QString& text);
  void setIsDown1(bool on);
  void setIsDown2(bool on);
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

  QMenu* firstFieldMenu() const { return menu1_; }
  QMenu* secondFieldMenu() const { return menu2_; }
  QMenu* filterMenu() const { return menu3_; }
  NoFocusButton* firstButton() const { return btn1_; }
  NoFocusButton* secondButton() const { return btn2_; }
  NoFocusButton* filterButton() const { return btn3_; }

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
  void clicked();                                  // either field button
  void filterClick();                              // the filter button
  void filterMenuClick(int state);                 // a state chosen in the filter menu
  void sortByClick(const SortFields& fields);     // a field chosen in either field menu
  void sort1MenuClick(const SortFields& fields);  // a first-field direction chosen
  void sort2MenuClick(const SortFields& fields);  // a second-field direction chosen
  void quickFilter(const QString& templateName);   // a template was loaded into the filter
  void templateDeleted(const QString& templateName);
  void templateSaved(const QString& templateName);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
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

  NoFocusButton* btn1_;
  NoFocusButton* btn2_;
  NoFocusButton* btn3_;
  QMenu* menu1_;
  QMenu* fields1_;
  QMenu* dirs1_;
  QAction* asc1_;
  QAction* desc1_;
  QMenu* menu2_;
  QMenu* fields2_;
  QMenu* dirs2_;
  QAction* asc2_;
  QAction* desc2_;
  QMenu* menu3_;
  QAction* states_[3];
  QMenu* load_;
  QMenu* delete_;

  QPixmap downBmp_;
  QPixmap upBmp_;
  QPixmap filterBmp_;
  bool isDown1_ = true;
  bool isDown2_ = false;
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
