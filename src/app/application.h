#pragma once
// src/app/ holds the window (veltrix), one class per window. The program's entry procedure: the
// application object, the main window and the hidden about box, and the message loop until the main
// window is closed.

#include <optional>
#include <ostream>

#include <QApplication>
#include <QStringList>

namespace veltrix {

inline constexpr const char* kApplicationTitle = "Veltrix (Tarvik Edition)";

// Shows an exception that reached the application in an error box titled with the application
// title; the program goes on.
void ShowException(const char* what);

// Catches what an event handler throws, so one failure doesn't end the program.
class VeltrixApplication : public QApplication {
public:
  VeltrixApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

class TMainForm;

// The window's command line, `veltrix [LOG]`, without Qt's own options. Returns the status to exit
// with at once (after --help or --version, written to `out`, or a usage error, explained on
// `err`), or nothing to go on with `log` (empty when none is named).
std::optional<int> ParseWindowArguments(const QStringList& arguments, QString& log,
                                        std::ostream& out, std::ostream& err);

// Picks `log` as Browse picks a file (the same identification, message and output name), once
// the message loop runs, so that its message shows over the window.
void PickLogOnStart(TMainForm& form, const QString& log);

// Runs the program: `veltrix [LOG]`. Returns the exit status.
int RunApplication(int& argc, char** argv);

} // namespace veltrix
