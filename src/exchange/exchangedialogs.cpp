#include "exchange/exchangedialogs.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "exchange/exchange.h"
#include "print/radiogroup.h"
#include "ui/qtprompter.h"

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text, const char* hint = "") {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  if (*hint) b->setToolTip(QString::fromLatin1(hint));
  return b;
}

constexpr int kImportHelpContext = 25, kExportHelpContext = 26;
int helpFor(const QString& caption) {
  return caption.contains(QStringLiteral("Export")) ? kExportHelpContext : kImportHelpContext;
}

// OK, Cancel and Help in a row under the dialog.
QHBoxLayout* dialogButtons(QDialog* d, QPushButton** ok, QPushButton** cancel, QPushButton** help,
                           int helpTopic) {
  *ok = button(d, "okButton", QStringLiteral("&OK"));
  (*ok)->setDefault(true);
  *cancel = button(d, "cancelButton", QStringLiteral("&Cancel"));
  *help = button(d, "helpButton", QStringLiteral("&Help"));
  QObject::connect(*ok, &QPushButton::clicked, d, &QDialog::accept);
  QObject::connect(*cancel, &QPushButton::clicked, d, &QDialog::reject);
  QObject::connect(*help, &QPushButton::clicked, d, [helpTopic] { showHelpTopic(helpTopic); });
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* b : {*ok, *cancel, *help}) row->addWidget(b);
  return row;
}

void setupDialog(QDialog* d, const char* name, const QString& caption) {
  d->setObjectName(QString::fromLatin1(name));
  d->setWindowTitle(caption);
  d->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(d);
}

}  // namespace

// ---------------------------------------------------------------- source

ImportSourceDialog::ImportSourceDialog(const QString& caption, const QString& groupCaption,
                                       QWidget* parent)
    : QDialog(parent) {
  setupDialog(this, "ImportSourceDialog", caption);
  sourceGroup =
      new RadioGroup(groupCaption, {QStringLiteral("Text File"), QStringLiteral("DBF File")}, this);
  sourceGroup->setObjectName(QStringLiteral("sourceGroup"));
  sourceGroup->setItemIndex(TextFile);
  auto* box = new QVBoxLayout(this);
  box->addWidget(sourceGroup);
  box->addLayout(dialogButtons(this, &okButton, &cancelButton, &helpButton, helpFor(caption)));
}

ImportSourceDialog::Choice ImportSourceDialog::choice() const {
  return sourceGroup->itemIndex() == DbfFile ? DbfFile : TextFile;
}

// ---------------------------------------------------------------- options

ExchangeOptionsDialog::ExchangeOptionsDialog(const QString& caption, QWidget* parent)
    : QDialog(parent), choice_(FieldChoice::fromLabels()) {
  setupDialog(this, "ExchangeOptionsDialog", caption);
  allList = new QListWidget(this);
  allList->setObjectName(QStringLiteral("allList"));
  allList->setToolTip(QStringLiteral("List Of All Data Fields"));
  includedList = new QListWidget(this);
  includedList->setObjectName(QStringLiteral("includedList"));
  includedList->setToolTip(QStringLiteral("Data Fields Selected For Export/Import"));
  includeButton = button(this, "includeButton", QStringLiteral(">"), "Click to include selected");
  includeAllButton = button(this, "includeAllButton", QStringLiteral(">>"), "Click to include all");
  excludeButton = button(this, "excludeButton", QStringLiteral("<"), "Click to exclude selected");
  excludeAllButton = button(this, "excludeAllButton", QStringLiteral("<<"), "Click to exclude all");
  moveUpButton = button(this, "moveUpButton", QStringLiteral("Move Up"));
  moveDownButton = button(this, "moveDownButton", QStringLiteral("Move Down"));

  separatorGroup = new RadioGroup(
      QStringLiteral("Fields Separated By:"),
      {QStringLiteral("TABs"), QStringLiteral("Commas"), QStringLiteral("Other:")}, this);
  separatorGroup->setObjectName(QStringLiteral("separatorGroup"));
  separatorGroup->setItemIndex(0);
  separatorEdit = new QLineEdit(this);
  separatorEdit->setObjectName(QStringLiteral("separatorEdit"));
  separatorEdit->setToolTip(QStringLiteral("Enter field separator"));
  delimiterGroup = new RadioGroup(
      QStringLiteral("Fields Delimited By:"),
      {QStringLiteral("Nothing"), QStringLiteral("Quotes"), QStringLiteral("Other:")}, this);
  delimiterGroup->setObjectName(QStringLiteral("delimiterGroup"));
  delimiterGroup->setItemIndex(0);
  delimiterEdit = new QLineEdit(this);
  delimiterEdit->setObjectName(QStringLiteral("delimiterEdit"));
  delimiterEdit->setToolTip(QStringLiteral("Enter field delimiter"));
  for (QLineEdit* e : {separatorEdit, delimiterEdit}) {
    e->setMaxLength(1);
    e->setFixedWidth(32);
  }
  encodingLabel = new QLabel(
      caption.contains(QStringLiteral("Export"))
          ? QStringLiteral("The file is written in Windows-1252.")
          : QStringLiteral("Windows-1252 and UTF-8 files are read; UTF-8 is recognised by itself."),
      this);
  encodingLabel->setObjectName(QStringLiteral("encodingLabel"));
  encodingLabel->setWordWrap(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("All Fields:"), this), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Fields Included:"), this), 0, 2);
  grid->addWidget(allList, 1, 0);
  auto* middle = new QVBoxLayout;
  middle->addStretch();
  for (QPushButton* b : {includeButton, includeAllButton, excludeButton, excludeAllButton})
    middle->addWidget(b);
  middle->addStretch();
  grid->addLayout(middle, 1, 1);
  grid->addWidget(includedList, 1, 2);
  auto* moves = new QVBoxLayout;
  moves->addStretch();
  moves->addWidget(moveUpButton);
  moves->addWidget(moveDownButton);
  moves->addStretch();
  grid->addLayout(moves, 1, 3);
  auto* groups = new QHBoxLayout;
  const auto addOther = [](RadioGroup* g, QLineEdit* e) {
    auto* column = qobject_cast<QVBoxLayout*>(g->layout());
    column->removeWidget(g->item(2));
    auto* row = new QHBoxLayout;
    row->addWidget(g->item(2));
    row->addWidget(e);
    row->addStretch();
    column->addLayout(row);
  };
  addOther(separatorGroup, separatorEdit);
  addOther(delimiterGroup, delimiterEdit);
  groups->addWidget(separatorGroup);
  groups->addWidget(delimiterGroup);
  auto* box = new QVBoxLayout(this);
  box->addLayout(grid);
  box->addLayout(groups);
  box->addWidget(encodingLabel);
  box->addLayout(dialogButtons(this, &okButton, &cancelButton, &helpButton, helpContext()));
  resize(520, 420);

  const auto act = [this](void (FieldChoice::*op)()) {
    choice_.setAllRow(allList->currentRow());
    choice_.setIncludedRow(includedList->currentRow());
    (choice_.*op)();
    showChoice();
  };
  connect(includeButton, &QPushButton::clicked, this, [=] { act(&FieldChoice::include); });
  connect(includeAllButton, &QPushButton::clicked, this, [=] { act(&FieldChoice::includeAll); });
  connect(excludeButton, &QPushButton::clicked, this, [=] { act(&FieldChoice::exclude); });
  connect(excludeAllButton, &QPushButton::clicked, this, [=] { act(&FieldChoice::excludeAll); });
  connect(moveUpButton, &QPushButton::clicked, this, [=] { act(&FieldChoice::moveUp); });
  connect(moveDownButton, &QPushButton::clicked, this, [=] { act(&FieldChoice::moveDown); });
  connect(allList, &QListWidget::itemDoubleClicked, this, [=] { act(&FieldChoice::include); });
  connect(includedList, &QListWidget::itemDoubleClicked, this, [=] { act(&FieldChoice::exclude); });
  allList->addItems(choice_.all());
  showChoice();
}

int ExchangeOptionsDialog::helpContext() const { return helpFor(windowTitle()); }

void ExchangeOptionsDialog::showChoice() {
  allList->setCurrentRow(choice_.allRow());
  includedList->clear();
  includedList->addItems(choice_.included());
  includedList->setCurrentRow(choice_.includedRow());
  includeButton->setEnabled(choice_.canInclude());
  includeAllButton->setEnabled(choice_.canInclude());
  for (QPushButton* b : {excludeButton, excludeAllButton, moveUpButton, moveDownButton, okButton})
    b->setEnabled(choice_.canExclude());
}

void ExchangeOptionsDialog::done(int result) {
  ExchangeSettings& s = exchangeSettings();
  const auto typed = [](QLineEdit* e) {
    const QString t = e->text();
    return t.isEmpty() ? char(0) : static_cast<char>(t.at(0).toLatin1());
  };
  switch (separatorGroup->itemIndex()) {
    case 1:
      s.separator = ',';
      break;
    case 2:
      s.separator = typed(separatorEdit);
      break;
    default:
      s.separator = '\t';
  }
  switch (delimiterGroup->itemIndex()) {
    case 1:
      s.delimiter = '"';
      break;
    case 2:
      s.delimiter = typed(delimiterEdit);
      break;
    default:
      s.delimiter = 0;
  }
  s.fields = choice_.fieldNumbers();
  QDialog::done(result);
}

// ---------------------------------------------------------------- file name

SelectFileDialog::SelectFileDialog(const QString& caption, QWidget* parent) : QDialog(parent) {
  setupDialog(this, "SelectFileDialog", caption);
  fileNameEdit = new QLineEdit(QStringLiteral("*.*"), this);
  fileNameEdit->setObjectName(QStringLiteral("fileNameEdit"));
  fileList = new QListWidget(this);
  fileList->setObjectName(QStringLiteral("fileList"));
  auto* folder = new QLabel(QDir::toNativeSeparators(exchangeFolder()), this);
  folder->setObjectName(QStringLiteral("folderLabel"));
  auto* box = new QVBoxLayout(this);
  box->addWidget(new QLabel(QStringLiteral("File Name:"), this));
  box->addWidget(fileNameEdit);
  box->addWidget(fileList);
  box->addWidget(folder);
  box->addLayout(dialogButtons(this, &okButton, &cancelButton, &helpButton, helpContext()));
  resize(320, 300);
  connect(fileList, &QListWidget::currentTextChanged, fileNameEdit, [this](const QString& t) {
    if (!t.isEmpty()) fileNameEdit->setText(t);
  });
  connect(fileList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(fileNameEdit, &QLineEdit::textEdited, this, [this] { fillList(); });
  fillList();
}

int SelectFileDialog::helpContext() const { return helpFor(windowTitle()); }

void SelectFileDialog::accept() {
  const QString typed = fileName();
  if (typed.contains(QLatin1Char('*')) || typed.contains(QLatin1Char('?'))) {
    fillList();
    return;
  }
  QDialog::accept();
}

QString SelectFileDialog::fileName() const { return fileNameEdit->text().trimmed(); }

void SelectFileDialog::fillList() {
  // A typed pattern narrows the list; the list always holds tables only.
  const QString typed = fileNameEdit->text().trimmed();
  QStringList patterns{QStringLiteral("*.DBF"), QStringLiteral("*.dbf")};
  const QStringList names = QDir(exchangeFolder()).entryList(patterns, QDir::Files, QDir::Name);
  const bool pattern = typed.contains(QLatin1Char('*')) || typed.contains(QLatin1Char('?'));
  QStringList shown;
  for (const QString& n : names) {
    if (pattern && !QDir::match(typed, n)) continue;
    if (!pattern && !typed.isEmpty() && !n.startsWith(typed, Qt::CaseInsensitive)) continue;
    shown << n;
  }
  const QSignalBlocker block(fileList);
  fileList->clear();
  fileList->addItems(shown);
}
