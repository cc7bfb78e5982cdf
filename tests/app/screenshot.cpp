// Saves pictures of the main window and the about box as the program shows them, for looking at
// the layout: veltrix-screenshot MAIN.png [ABOUT.png [CONVERTING.png LOG]], the last the window
// while it converts LOG (held after its first records). Run it under a display (xvfb-run).

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/about_box.h"
#include "app/application.h"
#include "app/main_form.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc == 4) {
    std::fprintf(stderr, "usage: veltrix-screenshot MAIN.png [ABOUT.png [CONVERTING.png LOG]]\n");
    return 2;
  }
  veltrix::VeltrixApplication app(argc, argv);
  veltrix::TMainForm form;
  auto* about = new veltrix::TAboutBox(&form);
  form.SetAboutBox(about);
  // Every check box ticked and some progress, so each state is seen.
  for (QCheckBox* box : form.findChildren<QCheckBox*>()) box->setChecked(true);
  form.pbProgress->setValue(42);
  form.lBytesRead->setText(QStringLiteral("123456789"));
  form.lTotalBytes->setText(QStringLiteral("293999999"));
  form.show();
  if (argc > 2) form.About1Click();
  int status = 0;
  QTimer::singleShot(500, [&] {
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) status = 1;
    if (argc > 2 && !about->grab().save(QString::fromLocal8Bit(argv[2]))) status = 1;
    if (argc < 5) QApplication::quit();
  });
  // A conversion held after its first records, so the window is seen locked.
  std::atomic<bool> done{false};
  if (argc > 4) {
    about->hide();
    form.SetRecordHook([&](const std::atomic<bool>& terminate) {
      while (!done && !terminate) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    QTimer::singleShot(700, [&] {
      form.edInputFile->setText(QString::fromLocal8Bit(argv[4]));
      form.edOutputFile->setText(QString::fromLocal8Bit(argv[4]) + QStringLiteral(".shot.out"));
      form.btnConvert->click();
    });
    QTimer::singleShot(1500, [&] {
      if (!form.grab().save(QString::fromLocal8Bit(argv[3]))) status = 1;
      done = true;
      QApplication::quit();
    });
  }
  QApplication::exec();
  return status;
}
