#pragma once

#include <QFont>
#include <memory>

#include "print/dialogframe.h"
#include "print/labeldef.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolButton;
class RadioGroup;
class ReportSource;

// "Print Labels": edits the current label definition on five pages, loads
// and saves templates, and prints or previews the label sheets.
class LabelDialog : public PrintDialogFrame {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 117;
  // `single`: the labels of the source's current record only.
  LabelDialog(ReportSource& source, bool single, QWidget* parent = nullptr);

  void showDefinition();
  void takeDefinition();
  LabelRec controlsDefinition() const;
  // Stock sheets fill and lock the geometry edits; a custom grid unlocks them.
  void applyGeometry();

  void done(int result) override;

  // Fields.
  QListWidget *allFieldsList, *includedList;
  QToolButton *includeButton, *includeAllButton, *excludeButton, *excludeAllButton, *moveUpButton,
      *moveDownButton;
  // Labels.
  QLineEdit *fromLabelEdit, *widthEdit, *heightEdit, *acrossEdit, *downEdit, *gapAcrossEdit,
      *gapDownEdit, *leftMarginEdit, *topMarginEdit;
  RadioGroup *labelTypeGroup, *shapeGroup;
  QComboBox* stockCombo;
  // Body.
  QLineEdit *bodyLeftEdit, *bodyTopEdit, *fontEdit, *styleEdit, *sizeEdit;
  QPushButton* fontButton;
  // Header/footer.
  QPlainTextEdit* headerText;
  QLineEdit *headerFontEdit, *headerStyleEdit, *headerSizeEdit, *headerLeftEdit, *headerTopEdit;
  QPushButton* headerFontButton;
  // Logo.
  QLineEdit *logoLeftEdit, *logoTopEdit, *logoFileEdit;
  QPushButton* selectLogoButton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* fieldsPage();
  QWidget* labelsPage();
  QWidget* bodyPage();
  QWidget* headerPage();
  QWidget* logoPage();
  void showTab(int index);
  void updateButtons();
  void onIncludeClicked();
  void onExcludeClicked();
  void onMove(int step);
  void onLoadClicked();
  void onSaveClicked();
  void onSelectLogoClicked();
  void onPrint(bool preview);

  ReportSource& source_;
  bool single_;
  QFont bodyFont_, headerFont_;
};

// "Load Label Template": picks a template of label.dat, or deletes some
// (written only on OK); the first template is selected when it opens.
class LabelLoadDialog : public TemplateLoadDialog {
  Q_OBJECT

 public:
  explicit LabelLoadDialog(QWidget* parent = nullptr);
  // Reads label.dat; on failure shows its message and gives nothing.
  static std::unique_ptr<LabelLoadDialog> create(QWidget* parent);

  void accept() override;

 private:
  void removeTemplate(int row) override { list_.remove(row); }

  LabelList list_;
};
