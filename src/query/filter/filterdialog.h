#pragma once

// The window that sets the filter: which fields take part and with what
// condition, the filter scope, and filter templates.

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "dbase/types.h"

class QGroupBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class FilterList;
class TemplateList;

// Captioned "Set Filter". Edits the filter in place; it closes with Apply
// (the caller runs the marking pass and shows "Normal Filter"), with OK
// (the caller takes the chosen scope) or by closing the window.
class FilterDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 23;
  enum { ApplyResult = 2 };
  // The values of a field's lookup list by label position; nothing when
  // the field has none.
  using ValuesProvider = std::function<std::optional<QStringList>(int labelPosition)>;

  // `fields` are the record table's fields (memo and picture fields are
  // left out); `templates` the filter templates of "&Load" and "&Save".
  FilterDialog(FilterList& filter, const std::vector<dbase::FieldDef>& fields,
               TemplateList& templates, ValuesProvider values = {}, QWidget* parent = nullptr);

  // The state chosen under "Filter Scope": 0 all, 1 normal, 2 reversed.
  int chosenState() const;
  void setChosenState(int state);

  QListWidget* allFieldsList;
  QListWidget* usedFieldsList;
  QGroupBox* scopeGroup;
  QRadioButton* scopeRadios[3];
  QPushButton* applyButton;
  QPushButton* okButton;
  QPushButton* addButton;
  QPushButton* removeButton;
  QPushButton* removeAllButton;
  QPushButton* editButton;
  QPushButton* loadButton;
  QPushButton* saveButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onAddClicked();
  void onRemoveClicked();
  void onRemoveAllClicked();
  void onEditClicked();
  void onLoadClicked();
  void onSaveClicked();
  // Lists the filter's fields again, the first one selected.
  void fillUsedFields();
  void updateButtons();
  QString labelOfField(int field) const;

  FilterList& filter_;
  TemplateList& templates_;
  std::vector<dbase::FieldDef> fields_;
  std::vector<int> offered_;  // table field number of each "All Fields:" entry
  ValuesProvider values_;
};
