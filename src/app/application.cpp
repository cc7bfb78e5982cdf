#include "app/application.h"

#include <exception>
#include <iostream>
#include <sstream>

#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/main_form.h"

namespace veltrix {

void ShowException(const char* what) {
  QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle),
                  QString::fromLocal8Bit(what), QMessageBox::Ok);
  box.exec();
}

VeltrixApplication::VeltrixApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The application name, not the display name: Qt would append that to every caption.
  setApplicationName(QString::fromLatin1(kApplicationTitle));
  setWindowIcon(ProgramIcon());
}

bool VeltrixApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e.what());
  }
  return false;
}

namespace {

constexpr const char* kUsage =
    "Usage: veltrix [LOG]\n"
    "Opens the converter window; with LOG, picks that log as Browse does.\n"
    "\n"
    "  -h, --help   show this help and exit\n"
    "  --version    show the version and exit\n";
constexpr const char* kVersionLine = "veltrix " VELTRIX_VERSION "\n";

} // namespace

std::optional<int> ParseWindowArguments(const QStringList& arguments, QString& log,
                                        std::ostream& out, std::ostream& err) {
  log.clear();
  QStringList logs;
  bool optionsEnded = false;
  for (const QString& a : arguments) {
    if (!optionsEnded && (a == QLatin1String("-h") || a == QLatin1String("--help"))) {
      out << kUsage;
      return 0;
    }
    if (!optionsEnded && a == QLatin1String("--version")) {
      out << kVersionLine;
      return 0;
    }
    if (!optionsEnded && a == QLatin1String("--")) {
      optionsEnded = true;
    } else if (!optionsEnded && a.startsWith('-') && a.size() > 1) {
      err << "veltrix: unknown option '" << a.toStdString() << "'\n" << kUsage;
      return 2;
    } else {
      logs.append(a);
    }
  }
  if (logs.size() > 1) {
    err << "veltrix: one LOG at most\n" << kUsage;
    return 2;
  }
  if (!logs.isEmpty()) log = logs.front();
  return std::nullopt;
}

void PickLogOnStart(TMainForm& form, const QString& log) {
  // Browse hands over a full path; so does a file manager.
  const QString path = QFileInfo(log).absoluteFilePath();
  QTimer::singleShot(0, &form, [&form, path] { form.PickInputFile(path); });
}

int RunApplication(int& argc, char** argv) {
  // --help and --version are answered before Qt starts, so they need no display.
  // Anything else is judged once Qt has taken out its own options.
  QStringList raw;
  for (int i = 1; i < argc; ++i) raw.append(QString::fromLocal8Bit(argv[i]));
  QString log;
  std::ostringstream notYet;
  if (ParseWindowArguments(raw, log, std::cout, notYet) == 0) return 0;
  VeltrixApplication app(argc, argv);
  // Qt has taken its own options out by now.
  if (const std::optional<int> exit =
          ParseWindowArguments(QApplication::arguments().mid(1), log, std::cout, std::cerr)) {
    return *exit;
  }
  try {
    TMainForm MainForm;
    // A child of the main window: closing the main window ends the program even while the about
    // box is open.
    auto* AboutBox = new TAboutBox(&MainForm);
    MainForm.SetAboutBox(AboutBox);
    MainForm.show();
    if (!log.isEmpty()) PickLogOnStart(MainForm, log);
    QApplication::exec();
  } catch (const std::exception& e) {
    ShowException(e.what());
  }
  return 0;
}

} // namespace veltrix
