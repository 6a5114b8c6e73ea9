// The floor of the start-up figures: a bare Qt window of the main window's
// size that reads every file of the data folder (the same bytes zarvel
// reads) and keeps them, unparsed.
//   floor_window FOLDER
#include <QApplication>
#include <QDir>
#include <QWidget>

#include <vector>

#include "app/file_io.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  std::vector<zarvel::Bytes> data;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
    if (auto bytes = zarvel::read_file(folder.filePath(name))) data.push_back(std::move(*bytes));
  QWidget window;
  window.setWindowTitle(QStringLiteral("zarvel"));
  window.setFixedSize(280, 359);
  window.show();
  return app.exec();
}
