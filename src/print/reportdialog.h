#pragma once

#include <QFont>
#include <QIcon>
#include <functional>
#include <optional>

#include "print/dialogframe.h"
#include "print/reportdef.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolButton;
class RadioGroup;
class ReportSource;

// "Print Report": edits the current report definition on five pages, loads
// and saves templates, checks the page and prints or previews.
class ReportDialog : public PrintDialogFrame {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 24;
  ReportDialog(ReportSource& source, QWidget* parent = nullptr);

  // The current definition into the controls, and back.
  void showDefinition();
  void takeDefinition();
  // The controls as a definition, the current one left alone.
  ReportRec controlsDefinition() const;

  void done(int result) override;

  // Fields.
  QListWidget *allFieldsList, *includedList;
  QToolButton *includeButton, *includeAllButton, *excludeButton, *excludeAllButton, *moveUpButton,
      *moveDownButton;
  // Options.
  RadioGroup *labelsGroup, *layoutGroup, *gridGroup, *totalsGroup;
  QLabel* maxWidthLabel;
  QLineEdit* maxWidthEdit;
  // Fonts.
  QLineEdit *fontEdit, *styleEdit, *sizeEdit;
  QPushButton* fontButton;
  // Page.
  QLineEdit *leftEdit, *rightEdit, *topEdit, *bottomEdit, *widthEdit, *heightEdit;
  RadioGroup *sizeGroup, *orientationGroup;
  QLabel *portraitImage, *landscapeImage, *letterImage, *legalImage, *envelopeImage;
  // Title.
  QLineEdit* titleEdit;
  RadioGroup *titleGroup, *pageNumbersGroup;

  // How the font is chosen; the default opens the font dialog.
  using FontChooser = std::function<std::optional<QFont>(const QFont& start, QWidget* parent)>;
  static FontChooser& fontChooser();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* fieldsPage();
  QWidget* optionsPage();
  QWidget* fontsPage();
  QWidget* pagePage();
  QWidget* titlePage();
  void showTab(int index);
  void updateButtons();
  void onLayoutClicked();
  void onSizeClicked(int index);
  void onOrientationClicked(int index);
  void onIncludeClicked();
  void onIncludeAllClicked();
  void onExcludeClicked();
  void onMove(int step);
  void onFontClicked();
  void showFont();
  void onLoadClicked();
  void onSaveClicked();
  void onPrint(bool preview);

  ReportSource& source_;
  QFont font_;
};

// A field-list speed button's glyph: arrow heads pointing where the field goes.
QIcon arrowGlyph(int degrees, int heads);

// The font style words of the fonts page: "Bold Italic " ... or "Regular".
QString fontStyleText(uint8_t style);
