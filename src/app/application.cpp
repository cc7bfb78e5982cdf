#include "app/application.h"

#include <exception>

#include <QMessageBox>

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

int RunApplication(int& argc, char** argv) {
  VeltrixApplication app(argc, argv);
  try {
    TMainForm MainForm;
    // A child of the main window: closing the main window ends the program even while the about
    // box is open.
    auto* AboutBox = new TAboutBox(&MainForm);
    MainForm.SetAboutBox(AboutBox);
    MainForm.show();
    QApplication::exec();
  } catch (const std::exception& e) {
    ShowException(e.what());
  }
  return 0;
}

} // namespace veltrix
