#pragma once
// The program's entry procedure: the application object, the main window and the hidden about
// box, and the message loop until the main window is closed.

#include <QApplication>

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

// Runs the program; arguments other than Qt's own are ignored. Returns 0.
int RunApplication(int& argc, char** argv);

} // namespace veltrix
