#pragma once
// TExportForm: the Export dialog. It makes the products of the catalogue from many logs at once,
// each log's own or one merged survey, with the filters of the maps and tables, beside each log or
// into one folder: the same files as the command-line converter makes, run in the background.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QDialog>
#include <QStringList>

#include "app/batch_worker.h"
#include "convert/conversion_options.h"
#include "products/catalogue.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace veltrix {

class TExportForm : public QDialog {
  Q_OBJECT

public:
  explicit TExportForm(QWidget* parent = nullptr);
  ~TExportForm() override;

  // How the dialog asks for files; each returns nothing (or no file) when the user cancels. The
  // defaults run the file dialogs.
  struct FileDialogs {
    std::function<QStringList(const QString& folder)> askLogs;
    std::function<std::optional<QString>(const QString& folder)> askMacFile;
    std::function<std::optional<QString>(const QString& folder)> askFolder;
    // `current`: the database file named now.
    std::function<std::optional<QString>(const QString& current)> askDatabase;
  };
  void SetFileDialogs(FileDialogs dialogs) { dialogs_ = std::move(dialogs); }

  // Puts the log at `path` first in the list, unless it is there already.
  void AddLogFirst(const QString& path);
  // Adds logs at the end of the list, each once.
  void AddLogs(const QStringList& paths);
  QStringList Logs() const;

  bool Exporting() const { return worker_ != nullptr; }
  // While the main window converts or draws, Export waits: they all open the log exclusively.
  void SetLocked(bool locked);

  void btnAddClick();
  void btnRemoveClick();
  void btnLoadMacsClick();
  void btnFolderClick();
  void btnDatabaseClick();
  void btnExportClick();
  void btnCancelExportClick();

  // The main window's options: the split text's record groups, context fields, header and
  // delimiter, and the access-point table's delimiter.
  std::function<ConversionOptions()> options;
  // Told when an export starts (true) and ends (false): the main window locks its inputs.
  std::function<void(bool exporting)> onExporting;
  // For tests: runs on the export's thread before the logs are read, with its stop flag.
  std::function<void(const std::atomic<bool>& stop)> startHook;

  QListWidget* lwLogs;
  QPushButton* btnAdd;
  QPushButton* btnRemove;
  QGroupBox* gbProducts;
  std::vector<std::pair<ProductId, QCheckBox*>> productBoxes; // in the order shown
  QLineEdit* edDatabase;                                      // the database's file
  QPushButton* btnDatabase;
  QCheckBox* cbMerge;
  QLabel* lMergeName;
  QLineEdit* edMergeName;
  QGroupBox* gbFilters;
  QLineEdit* edSsids;
  QLineEdit* edExcludeSsids;
  QLineEdit* edExcludeMacs;
  QPushButton* btnLoadMacs;
  QLineEdit* edChannels;
  QComboBox* cbEncryption;
  QCheckBox* cbMinRssi;
  QSpinBox* seMinRssi;
  QCheckBox* cbFrom;
  QDateTimeEdit* dtFrom;
  QCheckBox* cbTo;
  QDateTimeEdit* dtTo;
  QGroupBox* gbWhere;
  QRadioButton* rbBeside;
  QRadioButton* rbFolder;
  QLineEdit* edFolder;
  QPushButton* btnFolder;
  QProgressBar* pbExport;
  QLabel* lExportProgress;
  QPushButton* btnExport;
  QPushButton* btnCancelExport;
  QPushButton* btnClose;

protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

public slots:
  void reject() override;

private:
  void BuildControls();
  void SetTabOrder();
  // Enables what goes with what is chosen; locks everything while an export runs.
  void UpdateControls();
  ProductSet Products() const;
  bool Merging() const;
  // The filters as the controls give them; a message and nothing when one is wrong.
  std::optional<MapFilters> Filters();
  // The folder of the files: empty beside each log.
  QString Folder() const;
  void ShowExportProgress();
  void ExportEnded();
  // Stops a running export at once, without a message.
  void EndExportForClose();

  FileDialogs dialogs_;
  bool locked_ = false;
  bool closing_ = false;
  QString lastFolder_;
  QTimer* progressTimer_;
  // The files the export writes, for the message at its end.
  std::vector<Job> jobs_;
  MergePlan merge_;
  QString where_;            // "beside each log" or "into FOLDER"
  std::size_t exported_ = 0; // the logs that wrote files; the export's thread counts them
  std::unique_ptr<BatchWorker> worker_;
};

} // namespace veltrix
