#include "prefs/optionsdialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QVBoxLayout>

#include "core/prompt.h"
#include "print/radiogroup.h"
#include "ui/editors/diredit.h"
#include "ui/qtprompter.h"
#include "users/userlistdialog.h"

using prefs::OptionsModel;

namespace {

constexpr int kCellHeight = 16;
constexpr int kFirstLightRow = 12;  // navy and darker end there: a yellow frame below

QColor paletteColor(int index) {
  const Rgb c = AppSettings::Palette[index % AppSettings::kPaletteSize];
  return QColor(c.red, c.green, c.blue);
}

// Fills each cell with its palette colour; the current one gets a frame two
// pixels wide one pixel inside, black on light colours, yellow on dark ones.
class ColorCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const int row = index.row();
    painter->fillRect(option.rect, paletteColor(row));
    if (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)) {
      painter->setPen(QPen(row < kFirstLightRow ? Qt::black : Qt::yellow, 2));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option.rect.adjusted(2, 2, -2, -2));
    }
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {40, kCellHeight};
  }
};

QPushButton* button(const char* text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

}  // namespace

ColorGrid::ColorGrid(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("colorGrid"));
  setItemDelegate(new ColorCellDelegate(this));
  for (int i = 0; i < AppSettings::kPaletteSize; ++i) addItem(QString());
  setFixedSize(60, AppSettings::kPaletteSize * kCellHeight + 2 * frameWidth());
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

// ---------------------------------------------------------------- options dialog

OptionsDialog::OptionsDialog(QWidget* parent) : QDialog(parent), model_(appSettings(), labels()) {
  setObjectName(QStringLiteral("OptionsDialog"));
  setWindowTitle(QStringLiteral("Options"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  pages = new QStackedWidget(this);
  pageTabs = new QTabBar(this);
  pageTabs->setObjectName(QStringLiteral("pageTabs"));
  pageTabs->setShape(QTabBar::TriangularSouth);
  pageTabs->setToolTip(QStringLiteral("Click here to select different pages"));
  for (int page = 0; page < prefs::kPageCount; ++page) {
    pages->addWidget(buildPage(page));
    pageTabs->addTab(prefs::pageNames()[page]);
  }
  previousButton = button("<< &Previous", "previousButton", this);
  nextButton = button("&Next >>", "nextButton", this);
  closeButton = button("&Close", "closeButton", this);
  closeButton->setToolTip(QStringLiteral("Close and Save Options"));
  closeButton->setDefault(true);
  helpButton = button("&Help", "helpButton", this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(previousButton);
  buttons->addWidget(nextButton);
  buttons->addStretch();
  buttons->addWidget(closeButton);
  buttons->addWidget(helpButton);
  auto* box = new QVBoxLayout(this);
  box->addWidget(pages);
  box->addWidget(pageTabs);
  box->addLayout(buttons);

  for (auto& [g, field] : groups) {
    g->setItemIndex(model_.choice(field));
    connect(g, &RadioGroup::choiceChanged, this, [this, f = field](int i) {
      model_.setChoice(f, i);
      if (f == &AppSettings::usersCount) applyUsersCount();
    });
  }
  applyUsersCount();
  dataRootEdit->setText(model_.dataRoot);
  elementList->setCurrentRow(0);
  onElementChanged(0);
  for (const QString& l : model_.labels) labelList->addItem(l);
  if (labelList->count() > 0) labelList->setCurrentRow(0);

  connect(pageTabs, &QTabBar::currentChanged, this, &OptionsDialog::onPageTabChanged);
  connect(previousButton, &QPushButton::clicked, this,
          [this] { showPage(pages->currentIndex() - 1); });
  connect(nextButton, &QPushButton::clicked, this, [this] { showPage(pages->currentIndex() + 1); });
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(prefs::kOptionsHelpTopic); });
  connect(changeButton, &QPushButton::clicked, this, &OptionsDialog::onChangeLabelClicked);
  connect(elementList, &QListWidget::currentRowChanged, this, &OptionsDialog::onElementChanged);
  connect(colorGrid, &QListWidget::currentRowChanged, this, &OptionsDialog::onColorClicked);
  connect(loadButton, &QPushButton::clicked, this, &OptionsDialog::onLoadClicked);
  connect(saveButton, &QPushButton::clicked, this, &OptionsDialog::onSaveClicked);
  connect(accountsButton, &QPushButton::clicked, this, [this] { showUserAccounts(this); });
  showPage(0);
}

QWidget* OptionsDialog::buildPage(int page) {
  auto* w = new QWidget;
  w->setObjectName(prefs::pageNames()[page]);
  auto* grid = new QGridLayout(w);
  int cell = 0;
  for (const prefs::ChoiceGroup& g : prefs::choiceGroups(page)) {
    auto* group = new RadioGroup(QString::fromLatin1(g.caption), g.items, w);
    groups.emplace_back(group, g.field);
    grid->addWidget(group, cell / 2, cell % 2);
    ++cell;
  }
  const int row = (cell + 1) / 2;
  if (page == 1) {
    auto* labelsBox = new QGroupBox(QStringLiteral("Modify Labels"), w);
    auto* lb = new QGridLayout(labelsBox);
    auto* listCaption = new QLabel(QStringLiteral("Labels:"), labelsBox);
    labelList = new QListWidget(labelsBox);
    labelList->setObjectName(QStringLiteral("labelList"));
    listCaption->setBuddy(labelList);
    auto* editCaption = new QLabel(QStringLiteral("New Label:"), labelsBox);
    newLabelEdit = new QLineEdit(labelsBox);
    newLabelEdit->setObjectName(QStringLiteral("newLabelEdit"));
    newLabelEdit->setMaxLength(255);  // a label file line is read whole, but keep it a caption
    editCaption->setBuddy(newLabelEdit);
    changeButton = button("Change", "changeButton", labelsBox);
    lb->addWidget(listCaption, 0, 0);
    lb->addWidget(labelList, 1, 0, 3, 1);
    lb->addWidget(editCaption, 0, 1);
    lb->addWidget(newLabelEdit, 1, 1);
    lb->addWidget(changeButton, 2, 1, Qt::AlignLeft);
    grid->addWidget(labelsBox, row, 0, 1, 2);
  } else if (page == 2) {
    auto* elementCaption = new QLabel(QStringLiteral("Application Elements:"), w);
    elementList = new QListWidget(w);
    elementList->setObjectName(QStringLiteral("elementList"));
    elementList->addItems(colors::elementNames());
    elementList->setFont(QFont(QStringLiteral("Monospace")));
    elementCaption->setBuddy(elementList);
    auto* colorCaption = new QLabel(QStringLiteral("Colors:"), w);
    colorGrid = new ColorGrid(w);
    colorCaption->setBuddy(colorGrid);
    loadButton = button("&Load", "loadButton", w);
    saveButton = button("&Save", "saveButton", w);
    grid->addWidget(elementCaption, 0, 0);
    grid->addWidget(elementList, 1, 0, 3, 1);
    grid->addWidget(colorCaption, 0, 1);
    grid->addWidget(colorGrid, 1, 1);
    grid->addWidget(loadButton, 2, 1);
    grid->addWidget(saveButton, 3, 1, Qt::AlignTop);
  } else if (page == 3) {
    auto* rootCaption = new QLabel(QStringLiteral("Data Root Directory:"), w);
    dataRootEdit = new DirEdit(w);
    dataRootEdit->setObjectName(QStringLiteral("dataRootEdit"));
    rootCaption->setBuddy(dataRootEdit);
    grid->addWidget(rootCaption, row, 0, 1, 2);
    grid->addWidget(dataRootEdit, row + 1, 0, 1, 2);
  } else if (page == 4) {
    accountsButton = button("&User Accounts", "accountsButton", w);
    grid->addWidget(accountsButton, 0, 1, Qt::AlignTop);
  }
  grid->setRowStretch(grid->rowCount(), 1);
  return w;
}

RadioGroup* OptionsDialog::group(uint16_t AppSettings::*field) const {
  for (const auto& [g, f] : groups)
    if (f == field) return g;
  return nullptr;
}

void OptionsDialog::showPage(int page) {
  if (page < 0 || page >= prefs::kPageCount) return;
  pages->setCurrentIndex(page);
  const QSignalBlocker quiet(pageTabs);
  pageTabs->setCurrentIndex(page);
  previousButton->setVisible(page > 0);
  nextButton->setVisible(page < prefs::lastAllowedPage(appSettings().isSupervisor));
}

void OptionsDialog::onPageTabChanged(int index) {
  if (prefs::pageAllowed(index, appSettings().isSupervisor)) {
    showPage(index);
    return;
  }
  {
    const QSignalBlocker quiet(pageTabs);
    pageTabs->setCurrentIndex(pages->currentIndex());
  }
  QApplication::beep();
  showMessage(MsgKind::Warning, prefs::pageRefusedMessage());
}

void OptionsDialog::applyUsersCount() {
  const bool on = model_.accountsEnabled();
  accountsButton->setEnabled(on);
  RadioGroup* access = group(&AppSettings::publicAccess);
  access->setEnabled(on);
  if (!on) access->setItemIndex(model_.choice(&AppSettings::publicAccess));
}

void OptionsDialog::onChangeLabelClicked() {
  const int row = labelList->currentRow();
  const QString text = newLabelEdit->text();
  const RenameResult r = model_.renameLabel(row, text);
  if (r == RenameResult::Renamed)
    labelList->item(row)->setText(text);
  else
    showMessage(MsgKind::Information, renameMessage(r, text));
  labelList->setFocus();
}

void OptionsDialog::onElementChanged(int row) {
  const QSignalBlocker quiet(colorGrid);
  colorGrid->setCurrentRow(model_.colorOf(row));
}

void OptionsDialog::onColorClicked(int row) { model_.setColor(elementList->currentRow(), row); }

void OptionsDialog::onLoadClicked() {
  colors::ColorList list;
  list.load(colors::templatePath());
  LoadColorsDialog dlg(std::move(list), this);
  if (dlg.exec() == QDialog::Accepted) {
    if (const auto scheme = dlg.chosen()) model_.applyScheme(*scheme);
    dlg.list().save(colors::templatePath());
  }
  elementList->setCurrentRow(0);
  onElementChanged(0);
}

void OptionsDialog::onSaveClicked() {
  const auto name = prompter().input(QStringLiteral("Save Colors As Template"),
                                     QStringLiteral("Template Name:"), QString(), false);
  if (!name || name->isEmpty()) return;
  if (const QString refused = model_.saveTemplate(*name, colors::templatePath());
      !refused.isEmpty())
    showMessage(MsgKind::Error, refused);
}

void OptionsDialog::done(int result) {
  (void)result;
  // A run ended meanwhile (a signal) keeps the files as they were.
  if (!closed_ && !shuttingDown()) {
    closed_ = true;
    model_.dataRoot = dataRootEdit->text();
    model_.close();
  }
  QDialog::done(QDialog::Accepted);
}

// ---------------------------------------------------------------- colour templates

LoadColorsDialog::LoadColorsDialog(colors::ColorList list, QWidget* parent)
    : QDialog(parent), list_(std::move(list)) {
  setObjectName(QStringLiteral("LoadColorsDialog"));
  setWindowTitle(QStringLiteral("Load Color Template"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  auto* caption = new QLabel(QStringLiteral("Color Templates:"), this);
  templateList = new QListWidget(this);
  templateList->setObjectName(QStringLiteral("templateList"));
  caption->setBuddy(templateList);
  deleteButton = button("&Delete", "deleteButton", this);
  okButton = button("&OK", "okButton", this);
  okButton->setDefault(true);
  cancelButton = button("&Cancel", "cancelButton", this);
  helpButton = button("&Help", "helpButton", this);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {okButton, cancelButton, deleteButton, helpButton}) buttons->addWidget(b);
  buttons->addStretch();
  auto* left = new QVBoxLayout;
  left->addWidget(caption);
  left->addWidget(templateList);
  auto* box = new QHBoxLayout(this);
  box->addLayout(left);
  box->addLayout(buttons);

  templateList->addItems(list_.names());
  if (templateList->count() > 0) templateList->setCurrentRow(0);
  connect(deleteButton, &QPushButton::clicked, this, &LoadColorsDialog::onDeleteClicked);
  connect(templateList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpButton, &QPushButton::clicked, this,
          [] { showHelpTopic(prefs::kLoadColorsHelpTopic); });
}

std::optional<colors::Scheme> LoadColorsDialog::chosen() const {
  const int row = templateList->currentRow();
  if (row < 0 || row >= list_.count()) return std::nullopt;
  return colors::soundOrDefault(list_.at(row).colors);
}

void LoadColorsDialog::onDeleteClicked() {
  const int row = templateList->currentRow();
  if (row < 0 || row >= list_.count()) return;
  if (!askYesNo(MsgKind::Confirmation, QStringLiteral("Delete Selected Color Template?"))) return;
  list_.remove(row);
  delete templateList->takeItem(row);
  templateList->setCurrentRow(std::min(row, templateList->count() - 1));
}
