#include "query/lookup/listdialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>
#include <QVBoxLayout>

#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "query/lookup/listeditor.h"
#include "store/pagevalues.h"
#include "ui/busycursor.h"
#include "ui/qtprompter.h"

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setToolTip(hint);
  return b;
}

std::vector<ListChoice> choices(const ListDialog::SourceOf& sourceOf) {
  std::vector<ListChoice> out;
  if (!sourceOf) return out;
  for (int k = 0; k < kPageFieldCount; ++k) {
    const QString source = sourceOf(k);
    if (source.isEmpty()) continue;
    // Without field labels the pages keep their designed captions.
    const QString label = k < labels().size()
                              ? labels()[k]
                              : QString::fromLatin1(fieldDesigns()[static_cast<size_t>(k)].caption);
    out.push_back({label, source, k});
  }
  return out;
}

}  // namespace

ListDialog::ListDialog(const SourceOf& sourceOf, QWidget* parent)
    : QDialog(parent), editor_(std::make_unique<ListEditor>(choices(sourceOf))) {
  setObjectName(QStringLiteral("ListDialog"));
  setWindowTitle(QStringLiteral("Edit Lists"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  hasLists_ = static_cast<bool>(sourceOf);

  listsGroup = new QGroupBox(QStringLiteral("Lists"), this);
  listsGroup->setObjectName(QStringLiteral("RadioGroup1"));
  listsGroup->setToolTip(QStringLiteral("Select List for Editing"));
  listButtons = new QButtonGroup(this);
  auto* radios = new QVBoxLayout(listsGroup);
  const std::vector<ListChoice>& lists = editor_->lists();
  for (size_t i = 0; i < lists.size(); ++i) {
    auto* radio = new QRadioButton(lists[i].label, listsGroup);
    radios->addWidget(radio);
    listButtons->addButton(radio, static_cast<int>(i));
  }
  radios->addStretch();

  elementsLabel = new QLabel(QStringLiteral("List Elements:"), this);
  items_ = new QStringListModel(this);
  elementsGrid = new QListView(this);
  elementsGrid->setObjectName(QStringLiteral("DBGrid1"));
  elementsGrid->setToolTip(QStringLiteral("Click Here To Select List Item"));
  elementsGrid->setModel(items_);
  elementsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  elementsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  elementsGrid->setUniformItemSizes(true);
  elementsLabel->setBuddy(elementsGrid);

  newButton =
      button(this, "newButton", QStringLiteral("&New"), QStringLiteral("Create New List Item"));
  editButton =
      button(this, "editButton", QStringLiteral("&Edit"), QStringLiteral("Edit List Item"));
  deleteButton =
      button(this, "deleteButton", QStringLiteral("&Delete"), QStringLiteral("Delete List Item"));
  updateButton = button(this, "updateButton", QStringLiteral("&Update Lists"),
                        QStringLiteral("Update All Lists From Current Database"));
  closeButton =
      button(this, "closeButton", QStringLiteral("&Close"), QStringLiteral("Close This Window"));

  auto* grid = new QVBoxLayout;
  grid->addWidget(elementsLabel);
  grid->addWidget(elementsGrid);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {newButton, editButton, deleteButton, updateButton}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(closeButton);
  auto* box = new QHBoxLayout(this);
  box->addWidget(listsGroup);
  box->addLayout(grid, 1);
  box->addLayout(buttons);
  resize(520, 360);

  connect(listButtons, &QButtonGroup::idClicked, this, &ListDialog::onListChosen);
  connect(newButton, &QPushButton::clicked, this, &ListDialog::onNewClicked);
  connect(editButton, &QPushButton::clicked, this, &ListDialog::onEditClicked);
  connect(deleteButton, &QPushButton::clicked, this, &ListDialog::onDeleteClicked);
  connect(updateButton, &QPushButton::clicked, this, &ListDialog::onUpdateClicked);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

  if (!lists.empty()) {
    listButtons->button(0)->setChecked(true);
    onListChosen(0);
  }
}

ListDialog::~ListDialog() = default;

void ListDialog::onListChosen(int index) {
  editor_->select(index);
  showItems();
}

void ListDialog::showItems(int row) {
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(editor_->items().size()));
  for (const ListEditor::Item& item : editor_->items()) texts << item.text;
  items_->setStringList(texts);
  if (texts.isEmpty()) return;
  row = std::max(0, std::min(row, static_cast<int>(texts.size()) - 1));
  elementsGrid->setCurrentIndex(items_->index(row));
  elementsGrid->setFocus();
}

int ListDialog::currentRow() const {
  const QModelIndex index = elementsGrid->currentIndex();
  return index.isValid() ? index.row() : -1;
}

void ListDialog::onNewClicked() {
  if (editor_->selected() < 0) return;
  const auto text = prompter().input(QStringLiteral("Add New Item"),
                                     QStringLiteral("New List Item:"), QString(), false);
  if (text) {
    editor_->add(*text);
    int row = 0;
    for (const ListEditor::Item& item : editor_->items()) {
      if (item.text == text->trimmed()) break;
      ++row;
    }
    showItems(row);
  }
  elementsGrid->setFocus();
}

void ListDialog::onEditClicked() {
  const int row = currentRow();
  if (row < 0) return;
  const auto text =
      prompter().input(QStringLiteral("Edit Item"), QStringLiteral("Modify List Item:"),
                       editor_->items()[static_cast<size_t>(row)].text, false);
  if (text) {
    editor_->modify(row, *text);
    showItems(row);
  }
  elementsGrid->setFocus();
}

void ListDialog::onDeleteClicked() {
  const int row = currentRow();
  if (row < 0) return;
  if (askYesNo(MsgKind::Warning, QStringLiteral("Are you sure you want to Delete this Item?"))) {
    editor_->remove(row);
    showItems(row);
  }
  elementsGrid->setFocus();
}

void ListDialog::onUpdateClicked() {
  if (!hasLists_ || editor_->lists().empty()) return;
  {
    BusyCursor busy;
    const AppSettings& s = appSettings();
    editor_->updateLists(s.databaseDir, s.tableName);
  }
  if (QAbstractButton* first = listButtons->button(0)) first->setChecked(true);
  showItems();
}

void ListDialog::done(int result) {
  if (!closing_) {
    closing_ = true;
    // Deleted values leave the files for good.
    if (hasLists_) {
      BusyCursor busy;
      editor_->packAll();
    }
  }
  QDialog::done(result);
}

void ListDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    showHelpTopic(kHelpContext);
    return;
  }
  QDialog::keyPressEvent(event);
}
