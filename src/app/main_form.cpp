#include "app/main_form.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include "app/about_box.h"
#include "app/access_points_form.h"
#include "app/app_icon.h"
#include "app/controls.h"
#include "app/export_form.h"
#include "app/notify_user.h"
#include "app/spectrum_form.h"
#include "products/batch.h"
#include "products/catalogue.h"
#include "products/output_names.h"
#include "reader/identify.h"

namespace veltrix {
namespace {

// The layout is in client-area pixels. The window is laid out for an outer size of 765 x 497
// with a 4-pixel frame on every side and a 26-pixel title bar, which leaves 757 x 463 for the
// menu bar and the client area below it.
constexpr QPoint kWindowPos(177, 122);
constexpr QSize kWindowSize(757, 463);

template <class W> W* Place(W* widget, const char* name, QRect rect) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(rect);
  return widget;
}

// Widens `widget` to the width its caption needs, if the layout gives it less.
template <class W> W* FitWidth(W* widget) {
  const int needed = widget->sizeHint().width();
  if (needed > widget->width()) widget->resize(needed, widget->height());
  return widget;
}

template <class W>
W* Make(QWidget* parent, const char* name, const char* text, QRect rect, bool bold = false) {
  auto* widget = Place(new W(QString::fromLatin1(text), parent), name, rect);
  if (bold) widget->setFont(WindowFont(true));
  return widget;
}

// Labels size themselves to their text: never narrower than it.
QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, QRect rect,
                  bool bold = false) {
  return FitWidth(Make<QLabel>(parent, name, text, rect, bold));
}

// Qt's indicator and the Linux fonts need a little more room than the layout gives some
// captions: only those are widened, so no caption is cut off.
QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const char* text, QRect rect,
                        bool bold = false) {
  return FitWidth(Make<QCheckBox>(parent, name, text, rect, bold));
}

// Enter presses a focused button, as Space does.
QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, QRect rect,
                        bool bold = false) {
  QPushButton* button = Make<QPushButton>(parent, name, text, rect, bold);
  button->setAutoDefault(true);
  return button;
}

std::optional<QString> RunOpenDialog(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QString(), folder, QStringLiteral("Tarvik Log File (*.qx)"));
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A name of a file that doesn't exist is accepted; the identification reports it.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("qx"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> RunSaveDialog(QWidget* parent, const QString& current) {
  // ".out"
  const QString suffix =
      QString::fromLatin1(ProductOf(ProductId::Text).suffix.data(),
                          static_cast<qsizetype>(ProductOf(ProductId::Text).suffix.size()));
  QFileDialog dialog(parent, QString(), QString(),
                     QStringLiteral("Veltrix Output Files (*%1)").arg(suffix));
  dialog.setObjectName(QStringLiteral("SaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(suffix.mid(1));
  if (!current.isEmpty()) dialog.selectFile(current);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

} // namespace

QString OutputNameFor(const QString& inputPath) {
  return FromPath(OutputNameLastThreeReplaced(ToPath(inputPath)));
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromLatin1(kMainCaption));
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);
  BuildMenu();
  BuildControls();
  move(kWindowPos);
  resize(kWindowSize);
  // The controls have fixed places: a smaller window would hide some of them.
  setMinimumSize(kWindowSize);
  SetTabOrder();

  dialogs_.askInputFile = [this](const QString& folder) { return RunOpenDialog(this, folder); };
  dialogs_.askOutputFile = [this](const QString& current) { return RunSaveDialog(this, current); };
}

TMainForm::~TMainForm() {
  // The worker calls into the controls: it must be gone before they are; and the other windows
  // stop theirs without telling this one.
  EndConversionForClose();
  SpectrumForm->onDrawing = nullptr;
  AccessPointsForm->onDrawing = nullptr;
  ExportForm->onExporting = nullptr;
  delete ExportForm;
  delete AccessPointsForm;
  delete SpectrumForm;
}

void TMainForm::BuildMenu() {
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("File1"));
  Export1 = File1->addAction(QStringLiteral("&Export..."));
  Export1->setObjectName(QStringLiteral("Export1"));
  Export1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(Export1, &QAction::triggered, this, &TMainForm::Export1Click);
  ExportForm = new TExportForm(this);
  ExportForm->options = [this] { return Options(); };
  ExportForm->onExporting = [this](bool exporting) { SetActive(kExporting, exporting); };
  Exit1 = File1->addAction(QStringLiteral("E&xit"));
  Exit1->setObjectName(QStringLiteral("Exit1"));
  connect(Exit1, &QAction::triggered, this, &QWidget::close);
  View1 = menuBar()->addMenu(QStringLiteral("&View"));
  View1->setObjectName(QStringLiteral("View1"));
  Spectrum1 = View1->addAction(QStringLiteral("&Spectrum..."));
  Spectrum1->setObjectName(QStringLiteral("Spectrum1"));
  connect(Spectrum1, &QAction::triggered, this, &TMainForm::Spectrum1Click);
  SpectrumForm = new TSpectrumForm(this);
  SpectrumForm->onDrawing = [this](bool drawing) { SetActive(kSpectrum, drawing); };
  AccessPoints1 = View1->addAction(QStringLiteral("&Access Points..."));
  AccessPoints1->setObjectName(QStringLiteral("AccessPoints1"));
  connect(AccessPoints1, &QAction::triggered, this, &TMainForm::AccessPoints1Click);
  AccessPointsForm = new TAccessPointsForm(this);
  AccessPointsForm->onDrawing = [this](bool drawing) { SetActive(kAccessPoints, drawing); };
  AccessPointsForm->delimiter = [this] { return Options().DelimiterChar(); };
  Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
  Help1->setObjectName(QStringLiteral("Help1"));
  About1 = Help1->addAction(QStringLiteral("&About"));
  About1->setObjectName(QStringLiteral("About1"));
  connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
}

void TMainForm::BuildControls() {
  ClientArea = new QWidget(this);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  ClientArea->setFont(WindowFont());
  setCentralWidget(ClientArea);
  QWidget* w = ClientArea;

  Label1 = MakeLabel(w, "Label1", "Input File (from Tarvik)", {8, 16, 169, 13}, true);
  Label2 = MakeLabel(w, "Label2", "Output File (ASCII)", {8, 48, 107, 13}, true);
  Bevel1 = Place(new Bevel(w), "Bevel1", {0, 0, 753, 9});
  btnInputBrowse = MakeButton(w, "btnInputBrowse", "Browse", {416, 16, 65, 25}, true);
  btnOutputBrowse = MakeButton(w, "btnOutputBrowse", "Browse", {416, 48, 65, 25}, true);
  edInputFile = Place(new QLineEdit(w), "edInputFile", {184, 16, 225, 21});
  edOutputFile = Place(new QLineEdit(w), "edOutputFile", {184, 48, 225, 21});
  // A dropped file is picked like a browsed one, not typed into the field.
  edInputFile->setAcceptDrops(false);
  edOutputFile->setAcceptDrops(false);
  // Ctrl+E is Export, not the fields' move to the end of the line.
  edInputFile->installEventFilter(this);
  edOutputFile->installEventFilter(this);

  GroupBox1 = Place(new GroupBox(QStringLiteral("Field Selection (per record)"), w), "GroupBox1",
                    {8, 80, 481, 289});
  GroupBox1->setFont(WindowFont(true));
  SetTextColour(GroupBox1, kBlue);
  QWidget* g = GroupBox1;
  cbRTCDate = MakeCheckBox(g, "cbRTCDate", "Put RTC Date in every record", {16, 16, 193, 17});
  cbRTCTime = MakeCheckBox(g, "cbRTCTime", "Put RTC Time in every record", {16, 32, 201, 17});
  cbMarker = MakeCheckBox(g, "cbMarker", "Put marker number in every record", {232, 16, 217, 17});
  cbGPSDate = MakeCheckBox(g, "cbGPSDate", "Put GPS Date in every record", {16, 48, 209, 17});
  cbGPSTime = MakeCheckBox(g, "cbGPSTime", "Put GPS Time in every record", {16, 64, 201, 17});
  cbGPSLat = MakeCheckBox(g, "cbGPSLat", "Put GPS Latitude in every record", {232, 48, 233, 17});
  cbGPSLon = MakeCheckBox(g, "cbGPSLon", "Put GPS Longitude in every record", {232, 64, 233, 17});
  cbFullSpectrum = MakeCheckBox(g, "cbFullSpectrum", "Convert Full Spectrum Data (RSSI*count)",
                                {16, 88, 289, 17});
  cbSingleSpectrum = MakeCheckBox(
      g, "cbSingleSpectrum", "Convert Single Channel Spectrum (Ch,RSSI*count)", {16, 104, 457, 17});
  cbMAC = MakeCheckBox(g, "cbMAC", "Convert Survey MAC Data (Ch,MAC,SSID,RSSI,WEP,AP/STA)",
                       {16, 136, 401, 17});
  cbAP = MakeCheckBox(g, "cbAP", "Convert Access Points only, no stations.", {64, 160, 289, 17});
  cbSingle = MakeCheckBox(g, "cbSingle", "Convert Single Channel MAC Data", {16, 200, 457, 25});
  cbUtil = MakeCheckBox(g, "cbUtil", "Utilization Data (% for each of the data rates)",
                        {16, 264, 441, 17});
  Label7 =
      MakeLabel(g, "Label7", "--- Tarvik 802.11b (MAC,RSSI,Data Rate,Multipath)", {40, 224, 0, 13});
  Label10 =
      MakeLabel(g, "Label10", "--- Tarvik 802.11g (MAC,RSSI,Data Rate,Packet Length,Good/Bad)",
                {40, 240, 0, 13});

  QStringList delimiterNames;
  for (const std::string_view name : DelimiterNames) {
    delimiterNames << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  }
  rgDelimiter = new RadioGroup(QStringLiteral("Delimiter"), delimiterNames, 2, w);
  Place(rgDelimiter, "rgDelimiter", {496, 320, 201, 81});
  rgDelimiter->setFont(WindowFont(true));
  SetTextColour(rgDelimiter, kGreen);

  cbHeader = MakeCheckBox(w, "cbHeader", "Include Header Record", {8, 384, 161, 17}, true);
  cbHeader->setChecked(true);

  GroupBox3 =
      Place(new GroupBox(QStringLiteral("Input File Data"), w), "GroupBox3", {495, 8, 249, 121});
  GroupBox3->setFont(WindowFont(true));
  g = GroupBox3;
  Label5 = MakeLabel(g, "Label5", "Min Frequency (in MHz)", {8, 56, 135, 13});
  Label6 = MakeLabel(g, "Label6", "Max Frequency (in MHz)", {8, 72, 138, 13});
  // Moved 8 pixels right (same right edge) so they don't cover the end of the captions beside
  // them, which are wider in the Linux fonts.
  lMinFreq = MakeLabel(g, "lMinFreq", "2400 MHz", {160, 56, 82, 13});
  lMaxFreq = MakeLabel(g, "lMaxFreq", "2500 MHz", {160, 72, 82, 13});
  for (QLabel* value : {lMinFreq, lMaxFreq}) {
    MakeValueLabel(value, Qt::AlignHCenter);
    SetTextColour(value, kRed);
  }

  GroupBox4 =
      Place(new GroupBox(QStringLiteral("Conversion Data"), w), "GroupBox4", {495, 136, 249, 177});
  GroupBox4->setFont(WindowFont(true));
  g = GroupBox4;
  pbProgress = Place(new QProgressBar(g), "pbProgress", {8, 104, 233, 25});
  pbProgress->setRange(0, 100);
  pbProgress->setValue(0);
  pbProgress->setTextVisible(true);
  pbProgress->setFormat(QStringLiteral("%p%"));
  pbProgress->setAlignment(Qt::AlignCenter);
  {
    QPalette palette = pbProgress->palette();
    palette.setColor(QPalette::Highlight, kGreen);
    pbProgress->setPalette(palette);
  }
  Label8 = MakeLabel(g, "Label8", "BytesRead", {8, 24, 62, 13});
  Label9 = MakeLabel(g, "Label9", "Total Bytes", {8, 40, 65, 13});
  lBytesRead = MakeLabel(g, "lBytesRead", "0", {136, 24, 105, 13});
  lTotalBytes = MakeLabel(g, "lTotalBytes", "0", {136, 40, 105, 13});
  MakeValueLabel(lBytesRead, Qt::AlignRight);
  MakeValueLabel(lTotalBytes, Qt::AlignRight);
  SetTextColour(lBytesRead, kNavy);
  btnConvert = MakeButton(g, "btnConvert", "CONVERT", {8, 136, 105, 33});
  btnCancel = MakeButton(g, "btnCancel", "CANCEL", {136, 136, 105, 33});
  SetTextColour(btnConvert, kGreen);
  SetTextColour(btnCancel, kRed);

  connect(btnInputBrowse, &QPushButton::clicked, this, &TMainForm::btnInputBrowseClick);
  connect(btnOutputBrowse, &QPushButton::clicked, this, &TMainForm::btnOutputBrowseClick);
  connect(btnConvert, &QPushButton::clicked, this, &TMainForm::btnConvertClick);
  connect(btnCancel, &QPushButton::clicked, this, &TMainForm::btnCancelClick);
}

ConversionOptions TMainForm::Options() const {
  ConversionOptions o;
  o.header = cbHeader->isChecked();
  o.rtcDate = cbRTCDate->isChecked();
  o.rtcTime = cbRTCTime->isChecked();
  o.marker = cbMarker->isChecked();
  o.gpsDate = cbGPSDate->isChecked();
  o.gpsTime = cbGPSTime->isChecked();
  o.gpsLatitude = cbGPSLat->isChecked();
  o.gpsLongitude = cbGPSLon->isChecked();
  o.fullSpectrum = cbFullSpectrum->isChecked();
  o.singleSpectrum = cbSingleSpectrum->isChecked();
  o.survey = cbMAC->isChecked();
  o.accessPointsOnly = cbAP->isChecked();
  o.single = cbSingle->isChecked();
  o.utilization = cbUtil->isChecked();
  o.delimiter = static_cast<Delimiter>(rgDelimiter->itemIndex());
  return o;
}

void TMainForm::SetInputsEnabled(bool enabled) {
  // The options' group box as a whole, so that its caption and labels grey out with them.
  for (QWidget* input :
       std::initializer_list<QWidget*>{edInputFile, btnInputBrowse, edOutputFile, btnOutputBrowse,
                                       GroupBox1, cbHeader, rgDelimiter, btnConvert}) {
    input->setEnabled(enabled);
  }
  Spectrum1->setEnabled(enabled);
  AccessPoints1->setEnabled(enabled);
}

void TMainForm::SetActive(Activity activity, bool running) {
  active_ = running ? active_ | activity : active_ & ~activity;
  SetInputsEnabled(active_ == 0);
  // An export waits for the others; the dialog locks its own inputs while it runs.
  ExportForm->SetLocked((active_ & ~kExporting) != 0);
}

// Reading order: the input and its Browse, the output and its Browse, the options row by row,
// the delimiter, the header, CONVERT, CANCEL.
void TMainForm::SetTabOrder() {
  QList<QCheckBox*> options = GroupBox1->findChildren<QCheckBox*>();
  std::sort(options.begin(), options.end(), [](const QWidget* a, const QWidget* b) {
    return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
  });
  QList<QWidget*> order = {edInputFile, btnInputBrowse, edOutputFile, btnOutputBrowse};
  for (QCheckBox* box : options) order << box;
  for (int i = 0; i < rgDelimiter->count(); ++i) order << rgDelimiter->item(i);
  order << cbHeader << btnConvert << btnCancel;
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

QString TMainForm::InputFolder() const {
  if (!lastInputFolder_.isEmpty()) return lastInputFolder_;
  if (!edInputFile->text().isEmpty()) return QFileInfo(edInputFile->text()).absolutePath();
  return QString();
}

void TMainForm::btnInputBrowseClick() {
  if (const std::optional<QString> name = dialogs_.askInputFile(InputFolder())) {
    PickInputFile(*name);
  }
}

void TMainForm::PickInputFile(const QString& path) {
  lastInputFolder_ = QFileInfo(path).absolutePath();
  const Identification found = IdentifyLog(ToPath(path));
  if (found.result == IdentifyResult::Ok) {
    edInputFile->setText(path);
    edOutputFile->setText(OutputNameFor(path));
  }
  ShowMessage(MessageKind::Information, IdentifyText(found, ToPath(path)));
}

void TMainForm::btnOutputBrowseClick() {
  if (const std::optional<QString> name = dialogs_.askOutputFile(edOutputFile->text())) {
    edOutputFile->setText(*name);
  }
}

void TMainForm::btnConvertClick() {
  if (ConversionRunning() || Busy()) return; // one thing at a time
  const std::optional<std::string> input = IdentifiedInput();
  if (!input) return;
  // The options are taken now, once, and stay locked until the conversion ends.
  const ConversionOptions options = Options();
  ConvertThread_.reset(); // the worker of a conversion that has ended
  ConversionDisplay& display = *this;
  const ProductFile text{ProductId::Text, OutputDestination{ToPath(edOutputFile->text())}};
  ProductSettings settings;
  settings.options = options;
  if (SpareThreads(std::thread::hardware_concurrency(), 1) > 0)
    settings.spare = std::make_shared<SpareThread>();
  Convert::Outputs outputs = MakeOutputs({&text, 1}, settings);
  convertedInput_ = *input;
  ConvertThread_ =
      std::make_unique<ConvertWorker>(*input, std::move(outputs), display, recordHook_);
  Converting_ = true;
  // Its end re-enables them; that can't come before this handler returns.
  SetActive(kConverting, true);
}

void TMainForm::btnCancelClick() {
  if (!Converting_) return;
  ConvertThread_->Terminate();
  // The worker stops at its next display update until the wait is over.
  std::this_thread::sleep_for(std::chrono::milliseconds(kCancelWaitMs));
  ConvertThread_.reset(); // serves the worker's last updates and its message, then joins it
  Converting_ = false;
}

void TMainForm::Export1Click() {
  if (!ExportForm->Exporting() && !edInputFile->text().isEmpty())
    ExportForm->AddLogFirst(edInputFile->text());
  BringToFront(ExportForm);
}

void TMainForm::AccessPoints1Click() {
  DrawLog(AccessPointsForm, *AccessPointsForm);
}

void TMainForm::Spectrum1Click() {
  DrawLog(SpectrumForm, *SpectrumForm);
}

void TMainForm::DrawLog(QWidget* window, LogDrawing& drawing) {
  if (ConversionRunning() || Busy()) return; // locked meanwhile
  const std::optional<std::string> input = IdentifiedInput();
  if (!input) return;
  BringToFront(window);
  drawing.Draw(*input, QFileInfo(edInputFile->text()).fileName());
}

std::optional<std::string> TMainForm::IdentifiedInput() {
  const std::string input = ToPath(edInputFile->text());
  const Identification found = IdentifyLog(input);
  if (found.result == IdentifyResult::Ok) return input;
  ShowMessage(MessageKind::Information, IdentifyText(found, input));
  return std::nullopt;
}

void TMainForm::SetRecordHook(ConvertWorker::RecordHook hook) {
  SpectrumForm->recordHook = hook;
  AccessPointsForm->recordHook = hook;
  recordHook_ = std::move(hook);
}

void TMainForm::About1Click() {
  if (AboutBox_ == nullptr) return;
  BringToFront(AboutBox_);
}

void TMainForm::EndConversionForClose() {
  if (!ConvertThread_) return;
  closing_ = true;
  ConvertThread_.reset();
  closing_ = false;
  Converting_ = false;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(event)->keyCombination() == Export1->shortcut()[0]) {
    event->ignore(); // left to the menu's shortcut
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  EndConversionForClose();
  QMainWindow::closeEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  // The names stay as they are while anything runs.
  if (!ConversionRunning() && !Busy() && !LocalFilesOf(event->mimeData()).isEmpty())
    event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFilesOf(event->mimeData());
  if (files.isEmpty() || ConversionRunning() || Busy()) return;
  event->acceptProposedAction();
  // One file is the input; several go to the Export dialog.
  if (files.size() > 1) {
    ExportForm->AddLogs(files);
    BringToFront(ExportForm);
    return;
  }
  // Picked once the drop is over, so the message box doesn't hold up the program it came from.
  QTimer::singleShot(0, this, [this, file = files.constFirst()] { PickInputFile(file); });
}

void TMainForm::ShowStart(std::int64_t totalBytes) {
  // A log whose size is known only at its end (a pipe): a busy bar and the bytes read so far.
  const bool sized = totalBytes >= 0;
  pbProgress->setRange(0, sized ? 100 : 0);
  pbProgress->setTextVisible(sized);
  pbProgress->setVisible(true);
  lTotalBytes->setText(sized ? QString::number(totalBytes) : QStringLiteral("unknown"));
}

void TMainForm::ShowProgress(std::int64_t bytesRead, std::int64_t totalBytes) {
  pbProgress->setValue(ProgressPercent(bytesRead, totalBytes));
  lBytesRead->setText(QString::number(bytesRead));
}

void TMainForm::ShowFinish(std::int64_t totalBytes) {
  pbProgress->setVisible(false);
  pbProgress->setRange(0, 100);
  pbProgress->setTextVisible(true);
  lBytesRead->setText(QString::number(totalBytes));
  lTotalBytes->setText(QString::number(totalBytes));
}

void TMainForm::ConversionEnded(const ConversionResult& result) {
  // Not while the window is going away.
  if (!closing_) ShowMessage(StatusKind(result.status), ResultText(result, convertedInput_));
  SetActive(kConverting, false);
}

} // namespace veltrix
