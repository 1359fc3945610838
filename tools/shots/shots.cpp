// Pictures of the three book views on the sample collection, of the
// calendar and calculator pop-ups over the combined view, and of the filter
// dialogs with the listing they give, taken from the
// program's own windows on the offscreen platform:
//   shots <program dir> <output dir> [<help images dir>]
// With a third folder the pictures the help pages show go there too, with
// the main dialogs.
// The program directory is copied to a temporary place first, so nothing
// the views save lands in it.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include <QPainter>
#include <QTimer>
#include <functional>

#include "book/bookview.h"
#include "book/catalogue/loaddatabasedialog.h"
#include "book/combined/combinedview.h"
#include "book/contents/contentsview.h"
#include "book/maintenance/maintenancedialog.h"
#include "book/recordpage.h"
#include "book/recordpages/recordpagesview.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/templatelist.h"
#include "exchange/exchangedialogs.h"
#include "prefs/colorscheme.h"
#include "prefs/optionsdialog.h"
#include "print/labeldialog.h"
#include "print/reportdialog.h"
#include "print/reportsource.h"
#include "query/filter/fieldfilterdialog.h"
#include "query/filter/filterdialog.h"
#include "query/filter/filterlist.h"
#include "query/filter/loadfiltersdialog.h"
#include "query/find/finddialog.h"
#include "query/sort/sortdialog.h"
#include "store/database.h"
#include "store/sampledata.h"
#include "ui/editors/calculatordialog.h"
#include "ui/editors/calendarpopup.h"
#include "ui/editors/currencyedit.h"
#include "ui/editors/dateedit.h"
#include "ui/helpwindow.h"
#include "ui/qtprompter.h"

namespace {

// Every question gets its default answer: the pictures must not wait for a person.
class DefaultAnswers : public Prompter {
 public:
  MsgResult message(MsgKind, MsgButtons buttons, const QString&, int) override {
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::No
                                                                              : MsgResult::Ok;
  }
  std::optional<QString> input(const QString&, const QString&, const QString& value,
                               bool) override {
    return value;
  }
  QString openFile(const FileFilter&) override { return {}; }
  QString saveFile(const FileFilter&) override { return {}; }
  QString directory(const QString&, const QString&) override { return {}; }
};

bool copyDir(const QString& from, const QString& to) {
  QDir().mkpath(to);
  const QDir src(from);
  for (const QFileInfo& fi : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (fi.isDir()) {
      if (fi.fileName() == QStringLiteral("DATA")) continue;  // start from the sample
      if (!copyDir(fi.filePath(), to + QLatin1Char('/') + fi.fileName())) return false;
    } else if (!QFile::copy(fi.filePath(), to + QLatin1Char('/') + fi.fileName())) {
      return false;
    }
  }
  return true;
}

// The help pages' pictures are written here as well, when given.
QString g_helpImages;
const QStringList kHelpPictures = {"table-of-contents.png",    "record-pages.png",
                                   "combined-view.png",        "calendar-popup.png",
                                   "calculator-popup.png",     "filter-dialog.png",
                                   "field-filter-between.png", "load-filter-template.png"};

bool saveOne(QWidget* w, const QString& path);

bool save(QWidget* w, const QString& path) {
  bool ok = saveOne(w, path);
  const QString name = QFileInfo(path).fileName();
  if (!g_helpImages.isEmpty() && kHelpPictures.contains(name))
    ok &= saveOne(w, g_helpImages + QLatin1Char('/') + name);
  return ok;
}

bool saveOne(QWidget* w, const QString& path) {
  QTest::qWait(50);
  if (!w->grab().save(path)) {
    std::fprintf(stderr, "shots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The window with the pop-up that `open` shows drawn where it stands over it;
// `act` runs on the pop-up first. The pop-up is closed afterwards.
bool savePopup(QWidget* window, const std::function<void()>& open,
               const std::function<void(QWidget*)>& act, const QString& path) {
  bool ok = false;
  QTimer::singleShot(0, [&] {
    QWidget* popup = QApplication::activeModalWidget();
    if (!popup) return;
    act(popup);
    QTest::qWait(50);
    QPixmap picture = window->grab();
    QPainter p(&picture);
    p.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0)),
                 popup->grab());
    p.end();
    ok = picture.save(path);
    const QString name = QFileInfo(path).fileName();
    if (ok && !g_helpImages.isEmpty() && kHelpPictures.contains(name))
      ok = picture.save(g_helpImages + QLatin1Char('/') + name);
    if (ok) std::printf("%s\n", qPrintable(path));
    popup->close();
  });
  open();
  if (!ok) std::fprintf(stderr, "shots: no picture %s\n", qPrintable(path));
  return ok;
}

// The filter dialogs over the sample's fields, then the listing they give.
bool filterShots(ContentsView* contents, const QString& out) {
  const int first = appSettings().firstUserField;
  constexpr int kTitle = 0, kCategory = 3, kPublished = 7;
  FilterList& filter = filterList();
  filter.clear();
  filter.addCondition(first + kTitle);
  filter.setCondition(0, QStringLiteral("M"), {}, fkText, foGreaterOrEqual);
  filter.addCondition(first + kPublished);
  filter.setCondition(1, QStringLiteral("01/01/1900"), QStringLiteral("12/31/1949"), fkDate,
                      foBetween);
  filter.addCondition(first + kCategory);
  filterTemplates().addTemplate(QStringLiteral("Worth keeping"));
  filterTemplates().addTemplate(QStringLiteral("Unread science fiction"));
  bool ok = true;
  {
    FilterDialog dlg(filter, contents->tables().records.fieldDefs(), filterTemplates(), {},
                     contents);
    dlg.usedFieldsList->setCurrentRow(1);
    dlg.show();
    ok &= save(&dlg, out + QStringLiteral("/filter-dialog.png"));
  }
  {
    FieldFilterDialog dlg(filter, 1, labels()[kPublished], fkDate, std::nullopt, contents);
    dlg.show();
    ok &= save(&dlg, out + QStringLiteral("/field-filter-between.png"));
  }
  {
    filter.conditionAt(2)->values = {QStringLiteral("Fiction"), QStringLiteral("Poetry")};
    FieldFilterDialog dlg(filter, 2, labels()[kCategory], fkText,
                          QStringList{QStringLiteral("Children's"), QStringLiteral("Fiction"),
                                      QStringLiteral("Poetry")},
                          contents);
    dlg.operatorRadios[foOneOf]->setChecked(true);
    dlg.show();
    ok &= save(&dlg, out + QStringLiteral("/field-filter-one-of.png"));
  }
  {
    LoadFiltersDialog dlg(filterTemplates(), contents);
    dlg.show();
    ok &= save(&dlg, out + QStringLiteral("/load-filter-template.png"));
  }
  filter.deleteCondition(2);
  contents->applyFilter();
  ok &= save(contents, out + QStringLiteral("/table-of-contents-filtered.png"));
  return ok;
}

// The main dialogs, for the help pages only.
bool helpDialogShots(ContentsView* contents, const QString& out) {
  bool ok = true;
  StoreTables& tables = contents->tables();
  const auto one = [&](QWidget* dlg, const char* name) {
    dlg->show();
    ok &= saveOne(dlg, out + QLatin1Char('/') + QLatin1String(name));
    dlg->close();
  };
  {
    SortDialog dlg(contents);
    one(&dlg, "sort-dialog.png");
  }
  if (FindDialog* find = FindDialog::openFor(contents, tables.records, {}, nullptr)) {
    find->textCombo->setCurrentText(QStringLiteral("garden"));
    one(find, "find-dialog.png");
  }
  {
    LoadDatabaseDialog dlg(tables.catalogue, contents);
    one(&dlg, "load-database.png");
  }
  {
    MaintenanceDialog dlg(tables, {}, contents);
    one(&dlg, "maintenance-dialog.png");
  }
  {
    OptionsDialog dlg(contents);
    one(&dlg, "options-dialog.png");
  }
  {
    colors::ColorList list;
    const colors::Scheme scheme = colors::defaultScheme();
    list.add(QStringLiteral("Evening"), scheme);
    list.add(QStringLiteral("Library green"), scheme);
    LoadColorsDialog dlg(std::move(list), contents);
    one(&dlg, "load-color-template.png");
  }
  {
    TableReportSource source(tables.records, labels());
    ReportDialog report(source, contents);
    one(&report, "report-dialog.png");
    LabelDialog label(source, false, contents);
    one(&label, "label-dialog.png");
  }
  {
    ExchangeOptionsDialog dlg(QStringLiteral("Export Options"), contents);
    one(&dlg, "export-options.png");
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: shots <program dir> <output dir> [<help images dir>]\n");
    return 2;
  }
  QTemporaryDir tmp;
  const QString program = tmp.filePath(QStringLiteral("program"));
  if (!tmp.isValid() || !copyDir(QString::fromLocal8Bit(argv[1]), program)) {
    std::fprintf(stderr, "shots: cannot copy %s\n", argv[1]);
    return 1;
  }
  // Absolute: the start-up steps change into the program directory.
  const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
  QDir().mkpath(out);
  if (argc == 4) {
    g_helpImages = QDir(QString::fromLocal8Bit(argv[3])).absolutePath();
    QDir().mkpath(g_helpImages);
  }
  static DefaultAnswers answers;
  setDefaultPrompter(&answers);
  installSampleSeeder();
  installTemplateLists();
  installFilter();
  runStartupSteps(program);

  auto* host = new ViewHost;
  registerMainView(1, [](QWidget* owner) -> BookView* { return new ContentsView(owner); });
  registerMainView(0, [](QWidget* owner) -> BookView* { return new CombinedView(owner); });
  bool ok = true;
  BookView* combined = createMainView(0, host);
  combined->show();
  ok &= save(combined, out + QStringLiteral("/combined-view.png"));
  if (auto* view = qobject_cast<CombinedView*>(combined)) {
    auto* date = qobject_cast<DateEdit*>(view->recordPage->editors[7]);
    auto* amount = qobject_cast<CurrencyEdit*>(view->recordPage->editors[8]);
    if (date && amount) {
      ok &= savePopup(
          combined, [date] { date->showCalendar(); }, [](QWidget*) {},
          out + QStringLiteral("/calendar-popup.png"));
      ok &= savePopup(
          combined, [amount] { amount->showCalculator(); },
          [](QWidget* calculator) { QTest::keyClicks(calculator, "24.95*3="); },
          out + QStringLiteral("/calculator-popup.png"));
    } else {
      ok = false;
    }
  }
  combined->switchingModel = true;
  combined->close();

  auto* contents = static_cast<ContentsView*>(createMainView(1, host));
  contents->show();
  ok &= save(contents, out + QStringLiteral("/table-of-contents.png"));
  ok &= filterShots(contents, out);
  if (!g_helpImages.isEmpty()) ok &= helpDialogShots(contents, g_helpImages);
  // The help window at a dialog's page, from the pages just copied.
  showHelpTopic(28);
  if (HelpWindow* help = HelpWindow::existing()) {
    ok &= save(help, out + QStringLiteral("/help-window.png"));
    help->close();
  } else {
    ok = false;
  }
  contents->onEntryClicked(0);
  if (contents->recordPages && contents->recordPages->isVisible())
    ok &= save(contents->recordPages, out + QStringLiteral("/record-pages.png"));
  else
    ok = false;
  return ok ? 0 : 1;
}
