#include "app/export_form.h"

#include <filesystem>
#include <thread>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/app_icon.h"
#include "app/controls.h"
#include "app/notify_user.h"
#include "products/filter_texts.h"
#include "products/jobs.h"

namespace veltrix {
namespace {

constexpr const char* kMsgNoLogs = "Add the logs to export.";
constexpr const char* kMsgNoProducts = "Choose at least one product.";
constexpr const char* kMsgSplitNeedsGroups =
    "Split text by record group needs a record group: tick one in the main window.";
constexpr const char* kMsgNoFolder = "Choose the folder to export into.";
constexpr const char* kMsgNoMergeName = "Name the merged files.";
constexpr const char* kMsgNoDatabase = "Choose the database file.";
constexpr const char* kMsgNothingExported = "Nothing was exported.";
constexpr const char* kTimeFormat = "yyyy-MM-ddTHH:mm:ss";

// "1 log", "3 logs"
QString Counted(std::size_t n, const char* thing) {
  return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(thing)).arg(n == 1 ? "" : "s");
}

// A label whose mnemonic reaches `buddy`.
QLabel* BuddyLabel(const char* text, QWidget* buddy) {
  auto* label = new QLabel(QString::fromLatin1(text));
  label->setBuddy(buddy);
  return label;
}

// The batch's lines as the window shows them: a failure "X: Cannot ... File. (DETAIL)" on two
// lines, its reason under it and naming the file; an open failure's reason names the log X.
QStringList WindowLines(const std::vector<std::string>& lines) {
  QStringList shown;
  for (const std::string& line : lines) {
    bool split = false;
    for (const char* failure : {kMsgCannotOpen, kMsgCannotCreate, kMsgCannotWrite}) {
      const std::string marker = std::string(": ") + failure + " (";
      const std::size_t at = line.find(marker);
      if (at == std::string::npos || line.back() != ')') continue;
      const std::string subject = line.substr(0, at);
      const std::size_t open = at + marker.size();
      const std::string detail = line.substr(open, line.size() - open - 1);
      const bool namesFile = detail.rfind(": ") != std::string::npos;
      shown << FromPath(subject + ": " + failure) + u'\n' +
                   FailureText("", namesFile ? std::string() : subject, detail).mid(1);
      split = true;
      break;
    }
    if (!split) shown << FromPath(line);
  }
  return shown;
}

QStringList RunLogsDialog(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QString(), folder, QStringLiteral("Tarvik Log File (*.qx)"));
  dialog.setObjectName(QStringLiteral("LogsDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

std::optional<QString> RunMacFileDialog(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QString(), folder, QStringLiteral("MAC lists (*.txt);;All files (*)"));
  dialog.setObjectName(QStringLiteral("MacFileDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> RunDatabaseDialog(QWidget* parent, const QString& current) {
  QFileDialog dialog(parent, QString(), QString(),
                     QStringLiteral("SQLite databases (*.db *.sqlite);;All files (*)"));
  dialog.setObjectName(QStringLiteral("DatabaseDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // An existing database is added to, not replaced.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(QStringLiteral("db"));
  if (!current.isEmpty()) dialog.selectFile(current);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> RunFolderDialog(QWidget* parent, const QString& folder) {
  const QString chosen = QFileDialog::getExistingDirectory(parent, QString(), folder);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

} // namespace

TExportForm::TExportForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ExportForm"));
  setWindowTitle(QStringLiteral("Export"));
  setWindowIcon(ProgramIcon());
  setFont(WindowFont());
  setModal(false);
  setAcceptDrops(true);
  BuildControls();
  SetTabOrder();
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(50);
  connect(progressTimer_, &QTimer::timeout, this, &TExportForm::ShowExportProgress);
  dialogs_.askLogs = [this](const QString& folder) { return RunLogsDialog(this, folder); };
  dialogs_.askMacFile = [this](const QString& folder) { return RunMacFileDialog(this, folder); };
  dialogs_.askFolder = [this](const QString& folder) { return RunFolderDialog(this, folder); };
  dialogs_.askDatabase = [this](const QString& current) {
    return RunDatabaseDialog(this, current);
  };
  UpdateControls();
}

TExportForm::~TExportForm() {
  EndExportForClose();
}

void TExportForm::BuildControls() {
  // Logs
  auto* gbLogs = new QGroupBox(QStringLiteral("Logs"));
  lwLogs = new QListWidget;
  lwLogs->setObjectName(QStringLiteral("lwLogs"));
  lwLogs->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lwLogs->setAcceptDrops(false); // the dialog takes them
  lwLogs->setMinimumWidth(320);
  // No mnemonic: its letters are the products'.
  btnAdd = new QPushButton(QStringLiteral("Add..."));
  btnAdd->setObjectName(QStringLiteral("btnAdd"));
  btnRemove = new QPushButton(QStringLiteral("Remo&ve"));
  btnRemove->setObjectName(QStringLiteral("btnRemove"));
  auto* logsLayout = new QGridLayout(gbLogs);
  logsLayout->addWidget(lwLogs, 0, 0, 3, 1);
  logsLayout->addWidget(btnAdd, 0, 1);
  logsLayout->addWidget(btnRemove, 1, 1);
  logsLayout->setRowStretch(2, 1);

  // Products: the pictures, maps and tables first, then the text split by record group.
  gbProducts = new QGroupBox(QStringLiteral("Products"));
  auto* productsLayout = new QGridLayout(gbProducts);
  std::vector<const Product*> shown;
  for (const Product& product : Catalogue())
    if (!product.caption.empty() && product.place == FilePlace::Beside) shown.push_back(&product);
  for (const Product& product : Catalogue())
    if (!product.caption.empty() && product.place == FilePlace::BesidePerGroup)
      shown.push_back(&product);
  int rows = static_cast<int>((shown.size() + 1) / 2);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const Product& product = *shown[i];
    auto* box = new QCheckBox(QString::fromLatin1(product.caption.data(),
                                                  static_cast<qsizetype>(product.caption.size())));
    box->setObjectName(QStringLiteral("cb_") +
                       QString::fromLatin1(product.name.data(), product.name.size()));
    productsLayout->addWidget(box, static_cast<int>(i) / 2, static_cast<int>(i) % 2);
    productBoxes.emplace_back(product.id, box);
    connect(box, &QCheckBox::toggled, this, &TExportForm::UpdateControls);
  }
  // The database: one file named here, which every log goes into, merged or not.
  edDatabase = new QLineEdit;
  edDatabase->setObjectName(QStringLiteral("edDatabase"));
  btnDatabase = new QPushButton(QStringLiteral("Browse..."));
  btnDatabase->setObjectName(QStringLiteral("btnDatabase"));
  for (const Product& product : Catalogue()) {
    if (product.caption.empty() || product.place != FilePlace::Given) continue;
    auto* box = new QCheckBox(QString::fromLatin1(product.caption.data(),
                                                  static_cast<qsizetype>(product.caption.size())));
    box->setObjectName(QStringLiteral("cb_") +
                       QString::fromLatin1(product.name.data(), product.name.size()));
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    row->addWidget(edDatabase, 1);
    row->addWidget(btnDatabase);
    productsLayout->addLayout(row, rows++, 0, 1, 2);
    productBoxes.emplace_back(product.id, box);
    connect(box, &QCheckBox::toggled, this, &TExportForm::UpdateControls);
  }
  cbMerge = new QCheckBox(QStringLiteral("&Merge into one survey"));
  cbMerge->setObjectName(QStringLiteral("cbMerge"));
  edMergeName = new QLineEdit(QStringLiteral("survey"));
  edMergeName->setObjectName(QStringLiteral("edMergeName"));
  lMergeName = BuddyLabel("File &name:", edMergeName);
  auto* mergeRow = new QHBoxLayout;
  mergeRow->addWidget(cbMerge);
  mergeRow->addWidget(lMergeName);
  mergeRow->addWidget(edMergeName, 1);
  productsLayout->addLayout(mergeRow, rows, 0, 1, 2);
  productsLayout->setRowStretch(rows + 1, 1);
  connect(cbMerge, &QCheckBox::toggled, this, &TExportForm::UpdateControls);

  // Filters of the maps, tables and report.
  gbFilters = new QGroupBox(QStringLiteral("Filters of the maps, tables and report"));
  gbFilters->setObjectName(QStringLiteral("gbFilters"));
  edSsids = new QLineEdit;
  edSsids->setObjectName(QStringLiteral("edSsids"));
  edSsids->setToolTip(QStringLiteral("Patterns separated by commas: * any text, ? one character, "
                                     "[...] one of a set"));
  edExcludeSsids = new QLineEdit;
  edExcludeSsids->setObjectName(QStringLiteral("edExcludeSsids"));
  edExcludeSsids->setToolTip(edSsids->toolTip());
  edExcludeMacs = new QLineEdit;
  edExcludeMacs->setObjectName(QStringLiteral("edExcludeMacs"));
  edExcludeMacs->setToolTip(
      QStringLiteral("MACs separated by commas, or @FILE: a file with a MAC per line"));
  btnLoadMacs = new QPushButton(QStringLiteral("&Load..."));
  btnLoadMacs->setObjectName(QStringLiteral("btnLoadMacs"));
  edChannels = new QLineEdit;
  edChannels->setObjectName(QStringLiteral("edChannels"));
  edChannels->setPlaceholderText(QStringLiteral("1,6,11 or 1-3,11"));
  cbEncryption = new QComboBox;
  cbEncryption->setObjectName(QStringLiteral("cbEncryption"));
  cbEncryption->addItems({QStringLiteral("Any"), QStringLiteral("Open"), QStringLiteral("WEP")});
  cbMinRssi = new QCheckBox(QStringLiteral("M&inimum RSSI (dBm):"));
  cbMinRssi->setObjectName(QStringLiteral("cbMinRssi"));
  seMinRssi = new QSpinBox;
  seMinRssi->setObjectName(QStringLiteral("seMinRssi"));
  seMinRssi->setRange(-150, 0);
  seMinRssi->setValue(-75);
  cbFrom = new QCheckBox(QStringLiteral("&From:"));
  cbFrom->setObjectName(QStringLiteral("cbFrom"));
  cbTo = new QCheckBox(QStringLiteral("&To:"));
  cbTo->setObjectName(QStringLiteral("cbTo"));
  const QDate today = QDate::currentDate();
  dtFrom = new QDateTimeEdit(QDateTime(today, QTime(0, 0, 0)));
  dtFrom->setObjectName(QStringLiteral("dtFrom"));
  dtTo = new QDateTimeEdit(QDateTime(today, QTime(23, 59, 59)));
  dtTo->setObjectName(QStringLiteral("dtTo"));
  for (QDateTimeEdit* edit : {dtFrom, dtTo}) {
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setCalendarPopup(true);
  }
  auto* macsRow = new QHBoxLayout;
  macsRow->addWidget(edExcludeMacs, 1);
  macsRow->addWidget(btnLoadMacs);
  auto* filtersLayout = new QGridLayout(gbFilters);
  filtersLayout->addWidget(BuddyLabel("&SSID patterns:", edSsids), 0, 0);
  filtersLayout->addWidget(edSsids, 0, 1);
  filtersLayout->addWidget(BuddyLabel("SSIDs to leave o&ut:", edExcludeSsids), 0, 2);
  filtersLayout->addWidget(edExcludeSsids, 0, 3);
  filtersLayout->addWidget(BuddyLabel("MACs to l&eave out:", edExcludeMacs), 1, 0);
  filtersLayout->addLayout(macsRow, 1, 1);
  filtersLayout->addWidget(BuddyLabel("C&hannels:", edChannels), 1, 2);
  filtersLayout->addWidget(edChannels, 1, 3);
  filtersLayout->addWidget(BuddyLabel("Encr&yption:", cbEncryption), 2, 0);
  filtersLayout->addWidget(cbEncryption, 2, 1);
  filtersLayout->addWidget(cbMinRssi, 2, 2);
  filtersLayout->addWidget(seMinRssi, 2, 3);
  filtersLayout->addWidget(cbFrom, 3, 0);
  filtersLayout->addWidget(dtFrom, 3, 1);
  filtersLayout->addWidget(cbTo, 3, 2);
  filtersLayout->addWidget(dtTo, 3, 3);
  filtersLayout->setColumnStretch(1, 1);
  filtersLayout->setColumnStretch(3, 1);
  for (QCheckBox* box : {cbMinRssi, cbFrom, cbTo})
    connect(box, &QCheckBox::toggled, this, &TExportForm::UpdateControls);

  // Where
  gbWhere = new QGroupBox(QStringLiteral("Where"));
  rbBeside = new QRadioButton(QStringLiteral("&Beside each log"));
  rbBeside->setObjectName(QStringLiteral("rbBeside"));
  rbBeside->setChecked(true);
  rbFolder = new QRadioButton(QStringLiteral("In f&older:"));
  rbFolder->setObjectName(QStringLiteral("rbFolder"));
  edFolder = new QLineEdit;
  edFolder->setObjectName(QStringLiteral("edFolder"));
  btnFolder = new QPushButton(QStringLiteral("Browse..."));
  btnFolder->setObjectName(QStringLiteral("btnFolder"));
  auto* whereLayout = new QHBoxLayout(gbWhere);
  whereLayout->addWidget(rbBeside);
  whereLayout->addSpacing(12);
  whereLayout->addWidget(rbFolder);
  whereLayout->addWidget(edFolder, 1);
  whereLayout->addWidget(btnFolder);
  connect(rbFolder, &QRadioButton::toggled, this, &TExportForm::UpdateControls);

  // The run
  pbExport = new QProgressBar;
  pbExport->setObjectName(QStringLiteral("pbExport"));
  pbExport->setRange(0, 100);
  pbExport->setVisible(false);
  lExportProgress = new QLabel;
  lExportProgress->setObjectName(QStringLiteral("lExportProgress"));
  btnExport = new QPushButton(QStringLiteral("E&xport"));
  btnExport->setObjectName(QStringLiteral("btnExport"));
  btnExport->setDefault(true);
  btnCancelExport = new QPushButton(QStringLiteral("Cancel"));
  btnCancelExport->setObjectName(QStringLiteral("btnCancelExport"));
  btnClose = new QPushButton(QStringLiteral("Close"));
  btnClose->setObjectName(QStringLiteral("btnClose"));
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(pbExport, 1);
  runRow->addWidget(lExportProgress);
  runRow->addStretch(1);
  runRow->addWidget(btnExport);
  runRow->addWidget(btnCancelExport);
  runRow->addWidget(btnClose);

  auto* top = new QHBoxLayout;
  top->addWidget(gbLogs, 1);
  top->addWidget(gbProducts);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(gbFilters);
  layout->addWidget(gbWhere);
  layout->addLayout(runRow);

  connect(btnAdd, &QPushButton::clicked, this, &TExportForm::btnAddClick);
  connect(btnRemove, &QPushButton::clicked, this, &TExportForm::btnRemoveClick);
  connect(btnLoadMacs, &QPushButton::clicked, this, &TExportForm::btnLoadMacsClick);
  connect(btnFolder, &QPushButton::clicked, this, &TExportForm::btnFolderClick);
  connect(btnDatabase, &QPushButton::clicked, this, &TExportForm::btnDatabaseClick);
  connect(btnExport, &QPushButton::clicked, this, &TExportForm::btnExportClick);
  connect(btnCancelExport, &QPushButton::clicked, this, &TExportForm::btnCancelExportClick);
  connect(btnClose, &QPushButton::clicked, this, &TExportForm::close);
  connect(lwLogs, &QListWidget::itemSelectionChanged, this, &TExportForm::UpdateControls);
}

// Reading order: the logs and their buttons, the products, Merge and its name, the filters row by
// row, Where, and the buttons of the run.
void TExportForm::SetTabOrder() {
  QList<QWidget*> order = {lwLogs, btnAdd, btnRemove};
  // The boxes in the grid, row by row, then the database's row.
  std::vector<std::pair<std::pair<int, int>, QWidget*>> boxes;
  const auto* grid = static_cast<QGridLayout*>(gbProducts->layout());
  for (const auto& [id, box] : productBoxes) {
    if (ProductOf(id).place == FilePlace::Given) continue;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(box), &row, &column, &rowSpan, &columnSpan);
    boxes.push_back({{row, column}, box});
  }
  std::sort(boxes.begin(), boxes.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [place, box] : boxes) order << box;
  for (const auto& [id, box] : productBoxes)
    if (ProductOf(id).place == FilePlace::Given) order << box << edDatabase << btnDatabase;
  order << cbMerge << edMergeName << edSsids << edExcludeSsids << edExcludeMacs << btnLoadMacs
        << edChannels << cbEncryption << cbMinRssi << seMinRssi << cbFrom << dtFrom << cbTo << dtTo
        << rbBeside << rbFolder << edFolder << btnFolder << btnExport << btnCancelExport
        << btnClose;
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TExportForm::UpdateControls() {
  const bool idle = !Exporting();
  for (QWidget* input : std::initializer_list<QWidget*>{lwLogs, btnAdd, gbProducts, gbWhere})
    input->setEnabled(idle);
  btnRemove->setEnabled(idle && !lwLogs->selectedItems().isEmpty());
  // Merging needs two logs; the products no merge makes wait meanwhile.
  const bool canMerge = lwLogs->count() >= 2;
  if (!canMerge && cbMerge->isChecked()) cbMerge->setChecked(false);
  cbMerge->setEnabled(canMerge);
  const bool merging = Merging();
  lMergeName->setEnabled(merging);
  edMergeName->setEnabled(merging);
  bool survey = false;
  for (const auto& [id, box] : productBoxes) {
    const Product& product = ProductOf(id);
    const bool merges = product.makeSurvey != nullptr;
    // The database takes every log, merged or not.
    box->setEnabled(merges || product.place == FilePlace::Given || !merging);
    survey = survey || (merges && box->isChecked());
    if (product.place == FilePlace::Given) {
      edDatabase->setEnabled(box->isChecked());
      btnDatabase->setEnabled(box->isChecked());
    }
  }
  // The filters act on the maps, tables and report only.
  gbFilters->setEnabled(idle && survey);
  seMinRssi->setEnabled(cbMinRssi->isChecked());
  dtFrom->setEnabled(cbFrom->isChecked());
  dtTo->setEnabled(cbTo->isChecked());
  edFolder->setEnabled(rbFolder->isChecked());
  btnFolder->setEnabled(rbFolder->isChecked());
  btnExport->setEnabled(idle && !locked_);
  btnCancelExport->setEnabled(!idle);
  pbExport->setVisible(!idle);
  lExportProgress->setVisible(!idle);
}

void TExportForm::SetLocked(bool locked) {
  locked_ = locked;
  UpdateControls();
}

void TExportForm::AddLogFirst(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (Logs().contains(absolute)) return;
  lwLogs->insertItem(0, absolute);
  UpdateControls();
}

void TExportForm::AddLogs(const QStringList& paths) {
  for (const QString& path : paths) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!Logs().contains(absolute)) lwLogs->addItem(absolute);
  }
  if (!paths.isEmpty()) lastFolder_ = QFileInfo(paths.constLast()).absolutePath();
  UpdateControls();
}

QStringList TExportForm::Logs() const {
  QStringList logs;
  for (int i = 0; i < lwLogs->count(); ++i) logs << lwLogs->item(i)->text();
  return logs;
}

ProductSet TExportForm::Products() const {
  ProductSet products;
  for (const auto& [id, box] : productBoxes)
    if (box->isChecked() && box->isEnabled()) products.Add(id);
  return products;
}

bool TExportForm::Merging() const {
  return cbMerge->isChecked() && cbMerge->isEnabled();
}

QString TExportForm::Folder() const {
  return rbFolder->isChecked() ? edFolder->text().trimmed() : QString();
}

void TExportForm::btnAddClick() {
  QString folder = lastFolder_;
  if (folder.isEmpty() && lwLogs->count() > 0)
    folder = QFileInfo(lwLogs->item(lwLogs->count() - 1)->text()).absolutePath();
  AddLogs(dialogs_.askLogs(folder));
}

void TExportForm::btnRemoveClick() {
  for (QListWidgetItem* item : lwLogs->selectedItems()) delete item;
  UpdateControls();
}

void TExportForm::btnLoadMacsClick() {
  if (const std::optional<QString> file = dialogs_.askMacFile(lastFolder_))
    edExcludeMacs->setText(u'@' + *file);
}

void TExportForm::btnDatabaseClick() {
  if (const std::optional<QString> file = dialogs_.askDatabase(edDatabase->text()))
    edDatabase->setText(*file);
}

void TExportForm::btnFolderClick() {
  if (const std::optional<QString> folder = dialogs_.askFolder(edFolder->text())) {
    edFolder->setText(*folder);
  }
}

std::optional<MapFilters> TExportForm::Filters() {
  MapFilters filters;
  if (!gbFilters->isEnabled()) return filters;
  const auto patterns = [](const QLineEdit* edit) {
    std::vector<std::string> list;
    for (const QString& pattern : edit->text().split(u',', Qt::SkipEmptyParts))
      if (!pattern.trimmed().isEmpty()) list.push_back(pattern.trimmed().toStdString());
    return list;
  };
  filters.accessPoints.ssids = patterns(edSsids);
  filters.accessPoints.excludeSsids = patterns(edExcludeSsids);
  FilterTexts texts;
  if (cbMinRssi->isChecked()) texts.minRssi = std::to_string(seMinRssi->value());
  if (cbFrom->isChecked()) texts.from = dtFrom->dateTime().toString(kTimeFormat).toStdString();
  if (cbTo->isChecked()) texts.to = dtTo->dateTime().toString(kTimeFormat).toStdString();
  if (!edChannels->text().trimmed().isEmpty())
    texts.channels = edChannels->text().trimmed().toStdString();
  if (cbEncryption->currentIndex() == 1) texts.encryption = "open";
  if (cbEncryption->currentIndex() == 2) texts.encryption = "wep";
  if (!edExcludeMacs->text().trimmed().isEmpty())
    texts.macLists.push_back(ToPath(edExcludeMacs->text().trimmed()));
  const FilterNames names{"Minimum RSSI", "From",       "To",
                          "Channels",     "Encryption", "MACs to leave out"};
  if (const std::optional<std::string> problem = ReadFilters(texts, names, filters)) {
    ShowMessage(MessageKind::Warning, FromPath(*problem));
    return std::nullopt;
  }
  return filters;
}

void TExportForm::btnExportClick() {
  if (Exporting() || locked_) return;
  const auto refuse = [](const char* why) {
    ShowMessage(MessageKind::Warning, QLatin1String(why));
  };
  const QStringList logs = Logs();
  if (logs.isEmpty()) return refuse(kMsgNoLogs);
  const ProductSet products = Products();
  if (!products.Any()) return refuse(kMsgNoProducts);
  ProductSettings settings;
  if (options) settings.options = options();
  if (products.Has(ProductId::Split) && !settings.options.AnyRecordGroup())
    return refuse(kMsgSplitNeedsGroups);
  if (products.Has(ProductId::Database)) {
    const QString file = edDatabase->text().trimmed();
    if (file.isEmpty()) return refuse(kMsgNoDatabase);
    settings.database = std::make_shared<SurveyDatabase>(ToPath(file));
    if (!settings.database->Open()) {
      ShowMessage(MessageKind::Warning,
                  OutputFailureText(kMsgCannotOpen, settings.database->FailureDetail()));
      return;
    }
  }
  const std::optional<MapFilters> filters = Filters();
  if (!filters) return;
  settings.filters = *filters;
  const QString folder = Folder();
  if (rbFolder->isChecked() && folder.isEmpty()) return refuse(kMsgNoFolder);
  if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
    ShowMessage(MessageKind::Warning,
                FailureText(kMsgCannotCreate, ToPath(folder), "Not a folder"));
    return;
  }
  std::vector<std::string> inputs;
  for (const QString& log : logs) inputs.push_back(ToPath(log));

  std::string problem;
  BatchWorker::Run run;
  std::vector<std::int64_t> sizes;
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  if (Merging()) {
    const QString name = edMergeName->text().trimmed();
    if (name.isEmpty()) return refuse(kMsgNoMergeName);
    // A name without a folder goes where the files go: the folder, or beside the first log.
    const QString base = folder.isEmpty() ? QFileInfo(logs.constFirst()).absolutePath() : folder;
    const QString output = QDir(base).absoluteFilePath(name);
    if (!PlanMerge(inputs, ToPath(output), products, merge_, problem)) {
      ShowMessage(MessageKind::Warning, FromPath(problem));
      return;
    }
    jobs_.clear();
    for (const Job& job : merge_.logs) sizes.push_back(job.sizeBytes);
    run = [this, settings, workers](const std::atomic<bool>& stop, ProgressCounters& progress,
                                    std::vector<std::string>& lines) {
      if (startHook) startHook(stop);
      return RunSurvey(merge_, settings, workers, stop, progress, true, lines);
    };
  } else {
    if (!PlanJobs(inputs, "", jobs_, problem, products, settings.options.Groups(),
                  ToPath(folder))) {
      ShowMessage(MessageKind::Warning, FromPath(problem));
      return;
    }
    merge_ = MergePlan{};
    for (const Job& job : jobs_) sizes.push_back(job.sizeBytes);
    run = [this, settings, workers](const std::atomic<bool>& stop, ProgressCounters& progress,
                                    std::vector<std::string>& lines) {
      if (startHook) startHook(stop);
      const std::vector<JobResult> results =
          RunBatch(jobs_, CatalogueOutputs(jobs_, settings, workers), workers, stop, progress);
      // What each log wrote, by file name, then the lines the command line prints. A long list
      // goes on over further lines, so that no name is shortened.
      exported_ = 0;
      for (std::size_t i = 0; i < jobs_.size(); ++i) {
        const std::string name = FileNameOf(jobs_[i].input);
        std::string line = name + " ->";
        std::size_t listed = 0;
        for (const WrittenFile& file : results[i].written) {
          if (file.replaced) continue; // the database: a line of its own, below
          const std::size_t f = listed++;
          const std::string item =
              WrittenText(std::filesystem::path(file.path).filename().string(), file);
          if (f > 0) line += ',';
          if (f > 0 && line.size() + 1 + item.size() > kMessageLineLength) {
            lines.push_back(line);
            line = "   ";
          }
          line += ' ' + item;
        }
        if (listed > 0) lines.push_back(line);
        for (const WrittenFile& file : results[i].written)
          if (file.replaced) lines.push_back(ImportLine(name, file));
        if (!results[i].written.empty()) exported_ += 1;
      }
      return DescribeBatch(jobs_, results, false, false, lines);
    };
  }
  where_ = folder.isEmpty() ? QStringLiteral("beside each log") : QStringLiteral("into ") + folder;
  worker_ = std::make_unique<BatchWorker>(sizes, std::move(run));
  pbExport->setValue(0);
  ShowExportProgress();
  progressTimer_->start();
  UpdateControls();
  if (onExporting) onExporting(true);
}

void TExportForm::ShowExportProgress() {
  if (!worker_) return;
  const ProgressSnapshot p = worker_->Sample();
  const bool sized = p.totalKnown && p.bytesTotal > 0;
  pbExport->setRange(0, sized ? 100 : 0);
  if (sized) pbExport->setValue(ProgressPercent(p.bytesDone, p.bytesTotal));
  lExportProgress->setText(
      QStringLiteral("%1 of %2 done").arg(p.filesDone).arg(Counted(p.files, "log")));
  if (worker_->Ended()) ExportEnded();
}

void TExportForm::ExportEnded() {
  progressTimer_->stop();
  const BatchOutcome outcome = worker_->Outcome();
  const std::vector<std::string> lines = worker_->Lines();
  worker_.reset();
  UpdateControls();
  if (onExporting) onExporting(false);
  if (closing_) return;

  // The first line says what was written; the lines under it are the batch's.
  QStringList text;
  const bool merged = !merge_.logs.empty() && !outcome.failed && !outcome.interrupted;
  const std::size_t exported = merge_.logs.empty() ? exported_ : 0;
  if (merged) {
    text << QStringLiteral("%1 merged into %2:")
                .arg(Counted(merge_.logs.size(), "log"), Counted(merge_.files.size(), "file"));
    for (const PlannedFile& file : merge_.files) text << FromPath(file.path);
  } else if (exported > 0) {
    text << QStringLiteral("%1 of %2 exported %3:")
                .arg(exported)
                .arg(Counted(jobs_.size(), "log"), where_);
  } else {
    text << QLatin1String(kMsgNothingExported);
  }
  text << WindowLines(lines);
  bool warned = false;
  for (const std::string& line : lines)
    warned = warned || line.find(": warning: ") != std::string::npos;
  const MessageKind kind = outcome.failed                  ? MessageKind::Error
                           : outcome.interrupted || warned ? MessageKind::Warning
                                                           : MessageKind::Information;
  ShowMessage(kind, text.join(u'\n'));
}

void TExportForm::btnCancelExportClick() {
  if (worker_) worker_->Stop();
}

void TExportForm::EndExportForClose() {
  if (!worker_) return;
  closing_ = true;
  worker_->Stop();
  while (!worker_->Ended()) std::this_thread::yield();
  ExportEnded();
  closing_ = false;
}

void TExportForm::closeEvent(QCloseEvent* event) {
  // The export stops with the dialog.
  EndExportForClose();
  QDialog::closeEvent(event);
}

void TExportForm::reject() {
  EndExportForClose();
  QDialog::reject();
}

void TExportForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!Exporting() && !LocalFilesOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TExportForm::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFilesOf(event->mimeData());
  if (files.isEmpty() || Exporting()) return;
  event->acceptProposedAction();
  AddLogs(files);
}

} // namespace veltrix
