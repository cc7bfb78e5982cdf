#pragma once
// TMainForm: the working window. It collects the input and output names and the options, runs
// one conversion at a time on a worker and shows its progress.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include "app/convert_worker.h"
#include "convert/conversion_options.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QProgressBar;
class QPushButton;

namespace veltrix {

class Bevel;
class RadioGroup;
class TAboutBox;
class TAccessPointsForm;
class TExportForm;
class TSpectrumForm;

inline constexpr const char* kMainCaption = "Veltrix Data Converter (Tarvik Edition)";
// How long CANCEL waits before it takes the worker down; the window handles nothing meanwhile.
inline constexpr int kCancelWaitMs = 1000;

// The output name the window proposes for an input: its last three characters replaced by ".out"
// ("log.qx" -> "log.out", "log.qxyz" -> "log.q.out"); the cut stops at the folder.
QString OutputNameFor(const QString& inputPath);

class TMainForm : public QMainWindow, public ConversionDisplay {
  Q_OBJECT

public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // How the window asks for file names; each returns the chosen name, or nothing when the user
  // cancels. The defaults run the open and save dialogs.
  struct FileDialogs {
    // `folder`: where the dialog starts.
    std::function<std::optional<QString>(const QString& folder)> askInputFile;
    // `current`: the output name shown now.
    std::function<std::optional<QString>(const QString& current)> askOutputFile;
  };
  void SetFileDialogs(FileDialogs dialogs) { dialogs_ = std::move(dialogs); }
  // For tests: runs on the worker of each conversion and each picture after every record (see
  // ConvertWorker).
  void SetRecordHook(ConvertWorker::RecordHook hook);
  void SetAboutBox(TAboutBox* box) { AboutBox_ = box; }

  void btnInputBrowseClick();
  void btnOutputBrowseClick();
  void btnConvertClick();
  void btnCancelClick();
  void Export1Click();
  void Spectrum1Click();
  void AccessPoints1Click();
  void About1Click();

  // Takes `path` as the input log, as Browse does with the file the dialog returns.
  void PickInputFile(const QString& path);
  // The options as the controls show them.
  ConversionOptions Options() const;
  bool Converting() const { return Converting_; }
  // True from CONVERT until the worker's last call.
  bool ConversionRunning() const { return ConvertThread_ && !ConvertThread_->Ended(); }
  // True while a conversion, a drawing or an export runs: they all open logs exclusively, so
  // one waits for the other.
  bool Busy() const { return active_ != 0; }

  QWidget* ClientArea; // the parent of the window-level controls
  QLabel* Label1;
  QLabel* Label2;
  Bevel* Bevel1;
  QPushButton* btnInputBrowse;
  QPushButton* btnOutputBrowse;
  QLineEdit* edInputFile;
  QLineEdit* edOutputFile;
  QGroupBox* GroupBox1;
  QCheckBox* cbRTCDate;
  QCheckBox* cbRTCTime;
  QCheckBox* cbMarker;
  QCheckBox* cbGPSDate;
  QCheckBox* cbGPSTime;
  QCheckBox* cbGPSLat;
  QCheckBox* cbGPSLon;
  QCheckBox* cbFullSpectrum;
  QCheckBox* cbSingleSpectrum;
  QCheckBox* cbMAC;
  QCheckBox* cbAP;
  QCheckBox* cbSingle;
  QCheckBox* cbUtil;
  QLabel* Label7;
  QLabel* Label10;
  RadioGroup* rgDelimiter;
  QCheckBox* cbHeader;
  QGroupBox* GroupBox3;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* lMinFreq;
  QLabel* lMaxFreq;
  QGroupBox* GroupBox4;
  QProgressBar* pbProgress;
  QLabel* Label8;
  QLabel* Label9;
  QLabel* lBytesRead;
  QLabel* lTotalBytes;
  QPushButton* btnConvert;
  QPushButton* btnCancel;
  QMenu* File1;
  QAction* Export1;
  QAction* Exit1;
  TExportForm* ExportForm;
  QMenu* View1;
  QAction* Spectrum1;
  TSpectrumForm* SpectrumForm;
  QAction* AccessPoints1;
  TAccessPointsForm* AccessPointsForm;
  QMenu* Help1;
  QAction* About1;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void ShowStart(std::int64_t totalBytes) override;
  void ShowProgress(std::int64_t bytesRead, std::int64_t totalBytes) override;
  void ShowFinish(std::int64_t totalBytes) override;
  void ConversionEnded(const ConversionResult& result) override;

  void BuildControls();
  void BuildMenu();
  // The input field's path when it names a Tarvik log; otherwise says why, and nothing.
  std::optional<std::string> IdentifiedInput();
  // Draws the input's log in a second window (Spectrum, Access Points), unless something runs.
  void DrawLog(QWidget* window, LogDrawing& drawing);
  // What runs: each a bit of active_.
  enum Activity : unsigned { kConverting = 1, kSpectrum = 2, kAccessPoints = 4, kExporting = 8 };
  // Marks `activity` as running or not, and locks or unlocks what must wait for it.
  void SetActive(Activity activity, bool running);
  // Every input: the file names, their Browse buttons, the options, CONVERT and the views.
  void SetInputsEnabled(bool enabled);
  void SetTabOrder();
  // Ends a running conversion at once, without a wait or messages.
  void EndConversionForClose();
  QString InputFolder() const;

  FileDialogs dialogs_;
  ConvertWorker::RecordHook recordHook_;
  TAboutBox* AboutBox_ = nullptr;
  std::unique_ptr<ConvertWorker> ConvertThread_;
  bool Converting_ = false;
  bool closing_ = false;
  unsigned active_ = 0; // Activity bits
  QString lastInputFolder_;
  std::string convertedInput_; // of the conversion running or last run
};

} // namespace veltrix
