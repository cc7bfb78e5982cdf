// make_icons DIR: writes the window's icon as DIR/NxN/apps/veltrix.png for the sizes a desktop
// asks for, so that menus and file managers show the very picture the window draws.
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>

#include "app/app_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons DIR\n");
    return 2;
  }
  // Runs during the build, where there may be no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    const QString file = dir + QStringLiteral("/veltrix.png");
    if (!QDir().mkpath(dir) || !veltrix::ProgramPixmap(size).save(file, "PNG")) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
