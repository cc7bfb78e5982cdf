// mime_type FILE...: prints the MIME type a desktop gives each FILE, by name and by content, from
// the shared MIME database found through XDG_DATA_DIRS.
#include <cstdio>

#include <QCoreApplication>
#include <QMimeDatabase>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QMimeDatabase db;
  for (int i = 1; i < argc; ++i) {
    const QString file = QString::fromLocal8Bit(argv[i]);
    std::printf("%s\n", qPrintable(db.mimeTypeForFile(file).name()));
  }
  return 0;
}
