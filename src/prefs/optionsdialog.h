#pragma once

#include <QDialog>
#include <QListWidget>
#include <vector>

#include "prefs/optionsmodel.h"

class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;
class DirEdit;
class RadioGroup;

// The palette as one column of 16 cells; the current cell is framed.
class ColorGrid : public QListWidget {
  Q_OBJECT

 public:
  explicit ColorGrid(QWidget* parent = nullptr);
};

// "Options": the settings, the field labels and the colours; the security
// and account pages for the supervisor. Closing it in any way (Esc, the
// window's close box) applies what it shows: there is nothing to cancel.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(QWidget* parent = nullptr);

  prefs::OptionsModel& model() { return model_; }
  bool colorsChanged() const { return model_.colorsChanged(); }

  QStackedWidget* pages;
  QTabBar* pageTabs;
  QPushButton *previousButton, *nextButton, *closeButton, *helpButton;
  // Radio groups with the settings field each edits.
  std::vector<std::pair<RadioGroup*, uint16_t AppSettings::*>> groups;
  RadioGroup* group(uint16_t AppSettings::*field) const;
  QListWidget* labelList;
  QLineEdit* newLabelEdit;
  QPushButton* changeButton;
  QListWidget* elementList;
  ColorGrid* colorGrid;
  QPushButton *loadButton, *saveButton;
  DirEdit* dataRootEdit;
  QPushButton* accountsButton;

  void done(int result) override;

 private slots:
  void onPageTabChanged(int index);
  void onChangeLabelClicked();
  void onElementChanged(int row);
  void onColorClicked(int row);
  void onLoadClicked();
  void onSaveClicked();

 private:
  QWidget* buildPage(int page);
  void showPage(int page);
  void applyUsersCount();

  prefs::OptionsModel model_;
  bool closed_ = false;
};

// "Load Color Template": picks one of the saved schemes; deletions last only
// when it closes with OK.
class LoadColorsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit LoadColorsDialog(colors::ColorList list, QWidget* parent = nullptr);

  QListWidget* templateList;
  QPushButton *deleteButton, *okButton, *cancelButton, *helpButton;

  const colors::ColorList& list() const { return list_; }
  // The chosen scheme; nothing when the list is empty.
  std::optional<colors::Scheme> chosen() const;

 private slots:
  void onDeleteClicked();

 private:
  colors::ColorList list_;
};
