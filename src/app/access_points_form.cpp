#include "app/access_points_form.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include <QAbstractTableModel>
#include <QClipboard>
#include <QCloseEvent>
#include <QCollator>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "analysis/access_points.h"
#include "app/app_icon.h"
#include "app/controls.h"
#include "app/notify_user.h"
#include "io/output_file.h"
#include "outputs/maps/ap_table.h"
#include "outputs/maps/map_output.h"
#include "products/catalogue.h"
#include "products/output_names.h"

namespace veltrix {
namespace {

constexpr int kColumns = static_cast<int>(kAccessPointColumns.size());

constexpr int ColumnOf(std::string_view name) {
  for (int i = 0; i < kColumns; ++i)
    if (kAccessPointColumns[static_cast<std::size_t>(i)] == name) return i;
  return -1;
}

constexpr int kMacColumn = ColumnOf("MAC");
constexpr int kSsidColumn = ColumnOf("SSID");
constexpr int kLatitudeColumn = ColumnOf("Latitude");
static_assert(kMacColumn >= 0 && kSsidColumn >= 0 && kLatitudeColumn >= 0);

struct Cell {
  QString text;
  std::optional<double> number; // when the whole text is one
};
using Row = std::array<Cell, kAccessPointColumns.size()>;

std::optional<double> NumberOf(const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<QString> RunTableDialog(QWidget* parent, const QString& proposed) {
  QFileDialog dialog(parent, QString(), QString(), QStringLiteral("CSV Tables (*.csv)"));
  dialog.setObjectName(QStringLiteral("TableDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

} // namespace

// The rows as the table file has them, read-only.
class TAccessPointsForm::Model : public QAbstractTableModel {
public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetRows(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
  }
  const Cell& At(int row, int column) const {
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : kColumns;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return At(index.row(), index.column()).text;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns)
      return QString::fromUtf8(kAccessPointColumns[static_cast<std::size_t>(section)]);
    return QAbstractTableModel::headerData(section, orientation, role);
  }

private:
  std::vector<Row> rows_;
};

// The rows shown: those whose SSID or MAC holds the filter text, in the order of the column
// clicked. Numbers sort as numbers, before any text; empty cells go last either way.
class TAccessPointsForm::Rows : public QSortFilterProxyModel {
public:
  explicit Rows(QObject* parent) : QSortFilterProxyModel(parent) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
  }

  void SetFilter(const QString& text) {
    filter_ = text;
    invalidateFilter();
  }

protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex&) const override {
    return filter_.isEmpty() ||
           Source().At(sourceRow, kSsidColumn).text.contains(filter_, Qt::CaseInsensitive) ||
           Source().At(sourceRow, kMacColumn).text.contains(filter_, Qt::CaseInsensitive);
  }

  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
    const Cell& a = Source().At(left.row(), left.column());
    const Cell& b = Source().At(right.row(), right.column());
    // A descending sort asks with the two swapped; an empty cell is "greater" then.
    if (a.text.isEmpty() != b.text.isEmpty())
      return sortOrder() == Qt::AscendingOrder ? b.text.isEmpty() : a.text.isEmpty();
    if (a.number && b.number) return *a.number < *b.number;
    if (a.number.has_value() != b.number.has_value()) return a.number.has_value();
    return collator_.compare(a.text, b.text) < 0;
  }

private:
  const Model& Source() const { return static_cast<const Model&>(*sourceModel()); }

  QString filter_;
  QCollator collator_;
};

TAccessPointsForm::TAccessPointsForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("AccessPointsForm"));
  setWindowTitle(QStringLiteral("Access Points"));
  setWindowIcon(ProgramIcon());
  setFont(WindowFont());

  edFilter = new QLineEdit(this);
  edFilter->setObjectName(QStringLiteral("edFilter"));
  edFilter->setPlaceholderText(QStringLiteral("SSID or MAC"));
  edFilter->setClearButtonEnabled(true);
  auto* lFilter = new QLabel(QStringLiteral("&Filter:"), this);
  lFilter->setObjectName(QStringLiteral("lFilter"));
  lFilter->setBuddy(edFilter);

  model_ = new Model(this);
  rows_ = new Rows(this);
  rows_->setSourceModel(model_);
  tvAccessPoints = new QTableView(this);
  tvAccessPoints->setObjectName(QStringLiteral("tvAccessPoints"));
  tvAccessPoints->setModel(rows_);
  tvAccessPoints->setSelectionBehavior(QAbstractItemView::SelectRows);
  tvAccessPoints->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tvAccessPoints->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvAccessPoints->setWordWrap(false);
  tvAccessPoints->verticalHeader()->setVisible(false);
  tvAccessPoints->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  tvAccessPoints->horizontalHeader()->setStretchLastSection(true);
  // The table's own order until a header is clicked.
  tvAccessPoints->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  tvAccessPoints->setSortingEnabled(true);
  tvAccessPoints->resizeColumnsToContents();
  tvAccessPoints->installEventFilter(this);

  lCount = new QLabel(this);
  lCount->setObjectName(QStringLiteral("lCount"));
  pbDrawing = new QProgressBar(this);
  pbDrawing->setObjectName(QStringLiteral("pbDrawing"));
  pbDrawing->setRange(0, 100);
  pbDrawing->setVisible(false);
  progressBar_ = pbDrawing;
  btnCancelDrawing = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancelDrawing->setObjectName(QStringLiteral("btnCancelDrawing"));
  cancelButton_ = btnCancelDrawing;
  btnCopy = new QPushButton(QStringLiteral("Copy"), this);
  btnCopy->setObjectName(QStringLiteral("btnCopy"));
  btnSaveTable = new QPushButton(QStringLiteral("Save Table..."), this);
  btnSaveTable->setObjectName(QStringLiteral("btnSaveTable"));
  for (QPushButton* button : {btnCancelDrawing, btnCopy, btnSaveTable}) {
    button->setAutoDefault(true);
    button->setEnabled(false);
  }

  auto* top = new QHBoxLayout;
  top->addWidget(lFilter);
  top->addWidget(edFilter, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lCount, 1);
  bottom->addWidget(pbDrawing);
  bottom->addWidget(btnCancelDrawing);
  bottom->addWidget(btnCopy);
  bottom->addWidget(btnSaveTable);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(tvAccessPoints, 1);
  layout->addLayout(bottom);
  setTabOrder(edFilter, tvAccessPoints);
  setTabOrder(tvAccessPoints, btnCancelDrawing);
  setTabOrder(btnCancelDrawing, btnCopy);
  setTabOrder(btnCopy, btnSaveTable);

  // Wide enough for every column's header, as far as the screen allows.
  const QMargins margins = layout->contentsMargins();
  const int tableWidth = tvAccessPoints->horizontalHeader()->length() +
                         2 * tvAccessPoints->frameWidth() +
                         tvAccessPoints->verticalScrollBar()->sizeHint().width();
  const int screenWidth = screen()->availableGeometry().width() * 9 / 10;
  resize(std::min(std::max(900, tableWidth + margins.left() + margins.right()), screenWidth), 500);

  askTableFile = [this](const QString& proposed) { return RunTableDialog(this, proposed); };
  connect(edFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
    rows_->SetFilter(text);
    UpdateCount();
    UpdateButtons();
  });
  connect(tvAccessPoints->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TAccessPointsForm::UpdateButtons);
  connect(btnCancelDrawing, &QPushButton::clicked, this, &TAccessPointsForm::btnCancelDrawingClick);
  connect(btnCopy, &QPushButton::clicked, this, &TAccessPointsForm::btnCopyClick);
  connect(btnSaveTable, &QPushButton::clicked, this, &TAccessPointsForm::btnSaveTableClick);
}

TAccessPointsForm::~TAccessPointsForm() {
  EndDrawing(); // it calls into the controls: gone before they are
}

void TAccessPointsForm::Draw(const std::string& inputPath, const QString& name) {
  if (Drawing()) return;
  ShowTable(nullptr);
  setWindowTitle(QStringLiteral("Access Points \u2014 ") + name);
  // The access points as --ap-summary gathers them, with no file to write.
  auto output = std::make_unique<MapOutput>(MapFiles{}, MapSettings{});
  output_ = output.get();
  Convert::Outputs outputs;
  outputs.push_back(std::move(output));
  StartDrawing(inputPath, std::move(outputs));
}

void TAccessPointsForm::btnCancelDrawingClick() {
  CancelDrawing();
}

void TAccessPointsForm::btnCopyClick() {
  QModelIndexList selected = tvAccessPoints->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QString text;
  for (const QModelIndex& index : selected) {
    const int row = rows_->mapToSource(index).row();
    for (int column = 0; column < kColumns; ++column) {
      if (column > 0) text += QLatin1Char('\t');
      text += model_->At(row, column).text;
    }
    text += QLatin1Char('\n');
  }
  QGuiApplication::clipboard()->setText(text);
}

void TAccessPointsForm::btnSaveTableClick() {
  if (!shown_) return;
  const std::string name = FileBeside(OutputStemOf(OutputNameLastThreeReplaced(input_path_)),
                                      ProductOf(ProductId::AccessPointSummary));
  const std::optional<QString> file = askTableFile(FromPath(name));
  if (!file) return;
  // Every row, whatever is shown: the file --ap-summary writes.
  OutputFile out(delimiter ? delimiter() : ',');
  bool written = out.Create(ToPath(*file));
  if (written) {
    maps::WriteAccessPointTable(out, output_->Table());
    written = out.Close();
  }
  if (!written) {
    const std::string detail = out.FailureDetail();
    out.Abandon();
    ShowMessage(MessageKind::Error, OutputFailureText(kMsgCannotWrite, detail));
  }
}

void TAccessPointsForm::closeEvent(QCloseEvent* event) {
  EndDrawing(); // drawing stops with the window; a table already shown stays
  QWidget::closeEvent(event);
}

bool TAccessPointsForm::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+C in the table copies whole rows, as Copy does, rather than the current cell.
  if (watched == tvAccessPoints && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    btnCopyClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TAccessPointsForm::Drawn(const ConversionResult& result, bool closing) {
  // A cancelled drawing read only part of the log: its table would mislead.
  const bool whole = result.status == ConvertStatus::Completed && !closing;
  ShowTable(whole ? &output_->Table() : nullptr);
}

void TAccessPointsForm::ShowTable(const AccessPointTable* table) {
  std::vector<Row> rows;
  if (table) {
    rows.reserve(table->All().size());
    for (const AccessPoint& ap : table->All()) {
      const std::array<std::string, kAccessPointColumns.size()> fields = AccessPointFields(ap);
      Row& row = rows.emplace_back();
      for (std::size_t i = 0; i < fields.size(); ++i)
        row[i] = {QString::fromStdString(fields[i]), NumberOf(fields[i])};
    }
  }
  model_->SetRows(std::move(rows));
  shown_ = table != nullptr;
  if (shown_) tvAccessPoints->resizeColumnsToContents();
  UpdateCount();
  UpdateButtons();
}

void TAccessPointsForm::UpdateCount() {
  if (!shown_) {
    lCount->clear();
    return;
  }
  const int count = rows_->rowCount();
  int placed = 0;
  for (int row = 0; row < count; ++row) {
    const int source = rows_->mapToSource(rows_->index(row, 0)).row();
    if (!model_->At(source, kLatitudeColumn).text.isEmpty()) ++placed;
  }
  lCount->setText(QStringLiteral("%1 access point%2, %3 with a position")
                      .arg(count)
                      .arg(count == 1 ? QString() : QStringLiteral("s"))
                      .arg(placed));
}

void TAccessPointsForm::UpdateButtons() {
  btnCopy->setEnabled(shown_ && tvAccessPoints->selectionModel()->hasSelection());
  btnSaveTable->setEnabled(shown_);
}

} // namespace veltrix
