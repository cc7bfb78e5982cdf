// Saves pictures of the main window and the about box as the program shows them, for looking at
// the layout: veltrix-screenshot MAIN.png [ABOUT.png]. Run it under a display (xvfb-run).

#include <cstdio>

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QTimer>

#include "app/about_box.h"
#include "app/application.h"
#include "app/main_form.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: veltrix-screenshot MAIN.png [ABOUT.png]\n");
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
    QApplication::quit();
  });
  QApplication::exec();
  return status;
}
