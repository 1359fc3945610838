#pragma once

#include <array>
#include <vector>

#include "book/bookpage.h"
#include "store/pagevalues.h"

class QLabel;
class QStackedWidget;
class QTabBar;
class QToolButton;
class DbTable;
class EditorMenu;
class DateEdit;
class LookupLists;

// One record page of the open book: the status panel, the four parts with
// the editors of the 22 user fields, the part tab set and the page bar with
// its buttons and page number. Reading and filling the editors lives here;
// what the buttons do belongs to the view that shows the page.
class RecordPage : public BookPage {
  Q_OBJECT

 public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 446;

  // `prefix` names the editors ("L1".."L22"); `leftPage` puts the binding
  // shade on the right edge instead of the left one. The lookup boxes offer
  // the lists of `lists`.
  RecordPage(QWidget* parent, const QString& prefix, LookupLists* lists, bool leftPage = false);

  std::vector<QWidget*> editors;  // by user field
  std::vector<QLabel*> labels;
  std::array<int, kPageParts> partEditorCounts{};
  std::vector<DateEdit*> DateEditors;
  EditorMenu* editMenu = nullptr;

  QLabel* statusLabel = nullptr;
  QStackedWidget* parts = nullptr;
  QTabBar* partTabs = nullptr;
  QFrame* pageBar = nullptr;  // the page bar
  QLabel* pageNumber = nullptr;
  QToolButton *printButton = nullptr, *deleteButton = nullptr, *copyButton = nullptr,
              *pasteButton = nullptr, *undoButton = nullptr, *previousButton = nullptr,
              *nextButton = nullptr, *synchronizeButton = nullptr;

  PageValues values() const;
  void fill(const PageValues& values);
  void clear();
  bool isEmpty() const { return pageIsEmpty(values()); }
  // Editors on, or off with the system's in-use colours.
  void setEditorsEnabled(bool on);
  void applyLabels();
  // Labels 19/20, page and part tabs 24, editors 15..18.
  void applyColors();
  int part() const;
  void selectPart(int part);  // parts that do not exist are ignored
  void focusFirstEditor();
  // The date editors in the order of the date format setting.
  void applyDateFormat();
  // The field labels as the input messages name them.
  std::vector<QString> labelTexts() const;

 private:
  void colorEditor(QWidget* editor, bool inUse);
};

// The editors of one record page: the four parts in `parts`, each user field
// captioned by its designed caption, named prefix + its number (L1..L22),
// with the editors' popup menu; a field with a lookup list gets a LookupBox
// on the view's list of that name. Fills `editors` and `labels` by user field
// and adds the date editors to `dateEditors`; `counts` (when given) gets the
// editors per part.
struct PageEditors {
  std::vector<QWidget*>* editors;
  std::vector<QLabel*>* labels;
  std::vector<DateEdit*>* dateEditors;
  std::array<int, kPageParts>* counts;
  LookupLists* lists = nullptr;  // the view's lookup lists, shared by its pages
};
void buildPageParts(QStackedWidget* parts, const QString& prefix, int width, int height,
                    int labelWidth, EditorMenu* menu, const PageEditors& out);

// Shows a find hit in a page editor: red under yellow text, an amount keeping
// its sign colours. False for a picture, which shows no hit.
bool showFindHit(QWidget* editor);
