#pragma once
// TAccessPointsForm: the window with the access points of the log named in the main window, one
// row each with the cells of the access-point table file. The table is gathered on a worker as a
// conversion runs (progress, Cancel); it sorts by any column, narrows to the rows whose SSID or
// MAC holds a text, copies the selected rows as tab-separated text and saves as the table file.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QString>
#include <QWidget>

#include "app/convert_worker.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace veltrix {

class AccessPointTable;
class MapOutput;

class TAccessPointsForm : public QWidget, public LogDrawing {
  Q_OBJECT

public:
  explicit TAccessPointsForm(QWidget* parent = nullptr);
  ~TAccessPointsForm() override;

  // Gathers and shows the access points of the identified log at `inputPath`, `name` being its
  // file name.
  void Draw(const std::string& inputPath, const QString& name) override;

  void btnCancelDrawingClick();
  void btnCopyClick();
  void btnSaveTableClick();

  // How Save Table asks for a file name; the default runs a save dialog.
  std::function<std::optional<QString>(const QString& proposed)> askTableFile;
  // The delimiter Save Table writes with, asked at the moment of saving.
  std::function<char()> delimiter = [] { return ','; };

  // Whether a table is shown: the last drawing read its whole log.
  bool TableShown() const { return shown_; }

  QLineEdit* edFilter;
  QTableView* tvAccessPoints;
  QLabel* lCount;
  QProgressBar* pbDrawing;
  QPushButton* btnCancelDrawing;
  QPushButton* btnCopy;
  QPushButton* btnSaveTable;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Drawn(const ConversionResult& result, bool closing) override;

  // Shows the rows of `table`, or none.
  void ShowTable(const AccessPointTable* table);
  void UpdateCount();
  void UpdateButtons();

  class Model;
  class Rows;
  Model* model_;
  Rows* rows_;
  const MapOutput* output_ = nullptr; // the worker's
  bool shown_ = false;
};

} // namespace veltrix
