#pragma once

#include <array>
#include <vector>

#include "bookpage.h"
#include "pagefields.h"

class QLabel;
class QStackedWidget;
class QTabBar;
class QToolButton;
class TDbTable;
class TEditMenu;
class TPageEdit;

// One record page of the open book: the status panel, the four parts with
// the editors of the 22 user fields, the part tab set and the page bar with
// its buttons and page number. Reading and filling the editors lives here;
// what the buttons do belongs to the view that shows the page.
class TRecordPage : public TBookPage {
  Q_OBJECT

 public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 446;

  // `prefix` names the editors ("L1".."L22"); `leftPage` puts the binding
  // shade on the right edge instead of the left one.
  TRecordPage(QWidget* parent, const QString& prefix, bool leftPage = false);

  std::vector<QWidget*> Editors;  // by user field
  std::vector<QLabel*> Labels;
  std::array<int, kPageParts> PartEditorCounts{};
  std::vector<TPageEdit*> DateEditors;
  TEditMenu* EditMenu = nullptr;

  QLabel* RStatus = nullptr;
  QStackedWidget* Parts = nullptr;
  QTabBar* TabSet2 = nullptr;
  QFrame* Panel2 = nullptr;  // the page bar
  QLabel* PgR_Lbl = nullptr;
  QToolButton *B_RPrint = nullptr, *B_RDelete = nullptr, *B_RCopy = nullptr, *B_RPaste = nullptr,
              *B_RUndo = nullptr, *B_Prev = nullptr, *B_Next = nullptr, *B_RSynchro = nullptr;

  TPageValues Values() const;
  void Fill(const TPageValues& values);
  void Clear();
  bool IsEmpty() const { return PageIsEmpty(Values()); }
  // Editors on, or off with the system's in-use colours.
  void SetEditorsEnabled(bool on);
  void ApplyLabels();
  // Labels 19/20, page and part tabs 24, editors 15..18.
  void ApplyColors();
  int Part() const;
  void SelectPart(int part);  // parts that do not exist are ignored
  void FocusFirstEditor();
  void ReformatDates();
  // The field labels as the input messages name them.
  std::vector<QString> LabelTexts() const;

 private:
  void ColorEditor(QWidget* editor, bool inUse);
};

// Posts `values` into the cursor's current record (editing it unless it is
// already editing or inserting), 100 attempts. A record being inserted
// without a number gets the next one from `catalogue` when given. On
// success, when `letter` is given and the first sort field is text, the
// letter counts move from *letter to the record's new letter, which is
// stored back. A failed post is cancelled.
// Stores a page in the copy buffer's one record (made when the buffer has
// none) and marks the buffer full; an engine error is shown. True when stored.
bool StoreInCopyBuffer(TDbTable& copy, const TPageValues& values);

bool PostPage(TDbTable& cursor, TDbTable* catalogue, const TPageValues& values, char* letter,
              bool* memoFailed);

// The first sort field is a text field (letters apply to the records).
bool FirstSortFieldIsText();

// The editors of one record page: the four parts in `parts`, each user field
// captioned by its designed caption, named prefix + its number (L1..L22),
// with the editors' popup menu. Fills `editors` and `labels` by user field
// and adds the date editors to `dateEditors`; `counts` (when given) gets the
// editors per part.
struct TPageEditors {
  std::vector<QWidget*>* editors;
  std::vector<QLabel*>* labels;
  std::vector<TPageEdit*>* dateEditors;
  std::array<int, kPageParts>* counts;
};
void BuildPageParts(QStackedWidget* parts, const QString& prefix, int width, int height,
                    int labelWidth, TEditMenu* menu, const TPageEditors& out);
