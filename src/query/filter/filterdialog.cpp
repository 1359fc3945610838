#include "query/filter/filterdialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "core/templatelist.h"
#include "query/filter/fieldfilterdialog.h"
#include "query/filter/filterlist.h"
#include "query/filter/loadfiltersdialog.h"
#include "query/sort/sortmenu.h"
#include "ui/qtprompter.h"

namespace {

constexpr int kDefinedRole = Qt::UserRole + 1;

// A tick before each field whose condition has values, yellow on the
// selected entry; the label indented past it.
class UsedFieldDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QRect r = o.rect;
    const bool selected = o.state & QStyle::State_Selected;
    p->fillRect(r, selected ? o.palette.highlight() : o.palette.base());
    const int h = r.height();
    if (index.data(kDefinedRole).toBool()) {
      p->save();
      p->setRenderHint(QPainter::Antialiasing);
      p->setPen(QPen(selected ? Qt::yellow : Qt::black, 2));
      const int x = r.left() + 3, y = r.top();
      p->drawLine(QPointF(x, y + h * 0.55), QPointF(x + h * 0.3, y + h * 0.8));
      p->drawLine(QPointF(x + h * 0.3, y + h * 0.8), QPointF(x + h * 0.8, y + h * 0.2));
      p->restore();
    }
    p->setPen(selected ? o.palette.highlightedText().color() : o.palette.text().color());
    p->drawText(r.adjusted(h + 4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, o.text);
  }
};

QPushButton* button(QWidget* parent, const char* name, const char* text, const char* hint) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(QLatin1String(name));
  b->setToolTip(QString::fromLatin1(hint));
  return b;
}

bool isMemoOrPicture(const std::vector<dbase::FieldDef>& fields, int field) {
  const AppSettings& s = appSettings();
  if (field < 0 || field >= 256) return true;
  if (s.memoFields.test(static_cast<size_t>(field)) ||
      s.blobFields.test(static_cast<size_t>(field)))
    return true;
  if (field < static_cast<int>(fields.size())) {
    const dbase::FieldType t = fields[static_cast<size_t>(field)].type;
    return t == dbase::FieldType::Memo || t == dbase::FieldType::Binary;
  }
  return false;
}

}  // namespace

FilterDialog::FilterDialog(FilterList& filter, const std::vector<dbase::FieldDef>& fields,
                           TemplateList& templates, ValuesProvider values, QWidget* parent)
    : QDialog(parent),
      filter_(filter),
      templates_(templates),
      fields_(fields),
      values_(std::move(values)) {
  setObjectName(QStringLiteral("FilterDialog"));
  setWindowTitle(QStringLiteral("Set Filter"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  allFieldsList = new QListWidget(this);
  allFieldsList->setObjectName(QStringLiteral("allFieldsList"));
  allFieldsList->setToolTip(QStringLiteral("All Fields That Can Be Used In Filters"));
  usedFieldsList = new QListWidget(this);
  usedFieldsList->setObjectName(QStringLiteral("usedFieldsList"));
  usedFieldsList->setItemDelegate(new UsedFieldDelegate(usedFieldsList));

  scopeGroup = new QGroupBox(QStringLiteral("Filter Scope"), this);
  scopeGroup->setObjectName(QStringLiteral("scopeGroup"));
  auto* scope = new QVBoxLayout(scopeGroup);
  for (int i = 0; i < 3; ++i) {
    scopeRadios[i] = new QRadioButton(filterStateCaption(i), scopeGroup);
    scopeRadios[i]->setObjectName(QStringLiteral("scopeRadio%1").arg(i));
    scope->addWidget(scopeRadios[i]);
  }

  applyButton = button(this, "applyButton", "A&pply",
                       "Close and Apply Filter - Use ONLY After You Have Modified The Filter");
  okButton = button(this, "okButton", "&OK", "Close and Update Filter Scope");
  addButton = button(this, "addButton", "&Add", "Add Field To Filter");
  removeButton = button(this, "removeButton", "&Remove", "Remove Field From Filter");
  removeAllButton = button(this, "removeAllButton", "Re&move All", "Remove All Fields From Filter");
  editButton = button(this, "editButton", "&Edit", "Edit Filter For Selected Field");
  loadButton = button(this, "loadButton", "&Load", "Load From Filter Template");
  saveButton = button(this, "saveButton", "&Save", "Save As Filter Template");
  auto* note = new QLabel(QStringLiteral("Use it ONLY after you have modified the Filter and want "
                                         "the new filter to take effect or after Non-Stop Search."),
                          this);
  note->setObjectName(QStringLiteral("applyNote"));
  note->setWordWrap(true);

  auto* fieldButtons = new QVBoxLayout;
  fieldButtons->addStretch();
  for (QPushButton* b : {addButton, removeButton, removeAllButton, editButton})
    fieldButtons->addWidget(b);
  fieldButtons->addStretch();
  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("All Fields:"), this), 0, 0);
  lists->addWidget(allFieldsList, 1, 0);
  lists->addLayout(fieldButtons, 1, 1);
  lists->addWidget(new QLabel(QStringLiteral("Fields Used In Filter:"), this), 0, 2);
  lists->addWidget(usedFieldsList, 1, 2);
  auto* templateButtons = new QVBoxLayout;
  templateButtons->addWidget(loadButton);
  templateButtons->addWidget(saveButton);
  templateButtons->addStretch();
  auto* lower = new QHBoxLayout;
  lower->addWidget(scopeGroup);
  lower->addLayout(templateButtons);
  auto* applyRow = new QHBoxLayout;
  applyRow->addWidget(applyButton);
  applyRow->addWidget(note, 1);
  applyRow->addWidget(okButton);
  auto* box = new QVBoxLayout(this);
  box->addLayout(lists);
  box->addLayout(lower);
  box->addLayout(applyRow);
  resize(520, 420);

  const int first = appSettings().firstUserField;
  for (int k = 0; k < labels().size(); ++k) {
    const int field = first + k;
    if (isMemoOrPicture(fields_, field)) continue;
    allFieldsList->addItem(labels()[k]);
    offered_.push_back(field);
  }
  if (allFieldsList->count() > 0) allFieldsList->setCurrentRow(0);
  fillUsedFields();
  setChosenState(appSettings().filterState);

  connect(applyButton, &QPushButton::clicked, this, [this] { done(ApplyResult); });
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(addButton, &QPushButton::clicked, this, &FilterDialog::onAddClicked);
  connect(allFieldsList, &QListWidget::itemDoubleClicked, this, &FilterDialog::onAddClicked);
  connect(removeButton, &QPushButton::clicked, this, &FilterDialog::onRemoveClicked);
  connect(removeAllButton, &QPushButton::clicked, this, &FilterDialog::onRemoveAllClicked);
  connect(editButton, &QPushButton::clicked, this, &FilterDialog::onEditClicked);
  connect(usedFieldsList, &QListWidget::itemDoubleClicked, this, &FilterDialog::onEditClicked);
  connect(loadButton, &QPushButton::clicked, this, &FilterDialog::onLoadClicked);
  connect(saveButton, &QPushButton::clicked, this, &FilterDialog::onSaveClicked);
}

int FilterDialog::chosenState() const {
  for (int i = 0; i < 3; ++i)
    if (scopeRadios[i]->isChecked()) return i;
  return 0;
}

void FilterDialog::setChosenState(int state) {
  scopeRadios[state >= 0 && state < 3 ? state : 0]->setChecked(true);
}

QString FilterDialog::labelOfField(int field) const {
  const int k = field - appSettings().firstUserField;
  return k >= 0 && k < labels().size() ? labels()[k] : QString();
}

void FilterDialog::fillUsedFields() {
  usedFieldsList->clear();
  for (int i = 0; i < filter_.count(); ++i) {
    const FilterCondition* c = filter_.conditionAt(i);
    auto* item = new QListWidgetItem(labelOfField(c->field), usedFieldsList);
    item->setData(kDefinedRole, !c->undefined);
  }
  if (usedFieldsList->count() > 0) usedFieldsList->setCurrentRow(0);
  updateButtons();
}

void FilterDialog::updateButtons() {
  bool defined = false;
  for (int i = 0; i < filter_.count(); ++i) defined = defined || !filter_.conditionAt(i)->undefined;
  applyButton->setEnabled(defined);
  editButton->setEnabled(!filter_.isEmpty());
}

void FilterDialog::onAddClicked() {
  const int row = allFieldsList->currentRow();
  if (row < 0 || row >= static_cast<int>(offered_.size())) return;
  const int field = offered_[static_cast<size_t>(row)];
  if (filter_.indexOfField(field) >= 0) return;
  filter_.addCondition(field);
  auto* item = new QListWidgetItem(labelOfField(field), usedFieldsList);
  item->setData(kDefinedRole, false);
  usedFieldsList->setCurrentItem(item);
  updateButtons();
}

void FilterDialog::onRemoveClicked() {
  const int row = usedFieldsList->currentRow();
  if (row < 0 || row >= filter_.count()) return;
  filter_.deleteCondition(row);
  delete usedFieldsList->takeItem(row);
  if (usedFieldsList->count() > 0)
    usedFieldsList->setCurrentRow(std::min(row, usedFieldsList->count() - 1));
  updateButtons();
}

void FilterDialog::onRemoveAllClicked() {
  filter_.clear();
  usedFieldsList->clear();
  updateButtons();
}

void FilterDialog::onEditClicked() {
  const int row = usedFieldsList->currentRow();
  const FilterCondition* c = filter_.conditionAt(row);
  if (!c) return;
  const int field = c->field;
  const uint8_t kind = field < static_cast<int>(fields_.size())
                           ? filterKindOf(fields_[static_cast<size_t>(field)])
                           : uint8_t{0};
  std::optional<QStringList> values;
  if (values_) values = values_(field - appSettings().firstUserField);
  FieldFilterDialog dlg(filter_, row, labelOfField(field), kind, values, this);
  if (!shuttingDown()) dlg.exec();
  if (QListWidgetItem* item = usedFieldsList->item(row))
    item->setData(kDefinedRole, !filter_.conditionAt(row)->undefined);
  updateButtons();
}

void FilterDialog::onLoadClicked() {
  LoadFiltersDialog dlg(templates_, this);
  if (shuttingDown() || dlg.exec() != QDialog::Accepted) return;
  const QString fileName = dlg.fileName();
  if (fileName.isEmpty()) return;
  filter_.clear();
  if (!isPlainFileName(fileName) ||
      !filter_.loadFromFile(joinPath(appSettings().homeDir, fileName))) {
    filter_.clear();
    filter_.loadFromFile(filterFilePath());
    showMessage(MsgKind::Error, QString::fromLatin1(kErrorLoadingTemplate));
  }
  fillUsedFields();
}

void FilterDialog::onSaveClicked() {
  const std::optional<QString> name =
      prompter().input(QString::fromLatin1(kSaveTemplateCaption),
                       QString::fromLatin1(kSaveTemplatePrompt), QString(), false);
  if (!name || name->isEmpty()) return;
  if (!templates_.addTemplate(*name))
    showMessage(MsgKind::Error, QString::fromLatin1(kDuplicateTemplate));
}

void FilterDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    showHelpTopic(kHelpContext);
    return;
  }
  QDialog::keyPressEvent(event);
}
