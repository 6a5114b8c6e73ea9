// The floor of the start-up figures: a bare Qt window of the main window's
// size that reads every file of the data folder (the same bytes zarvel
// reads) and keeps them, unparsed; registers the same pictogram font and
// paints Japanese labels in the same two fonts.
//   floor_window FOLDER
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QWidget>
#include <vector>

#include "app/file_io.h"
#include "ui/fonts.h"

int main(int argc, char** argv) {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  zarvel::prepare_application();  // fontconfig and the pictogram font
  std::vector<zarvel::Bytes> data;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
    if (auto bytes = zarvel::read_file(folder.filePath(name))) data.push_back(std::move(*bytes));
  QWidget window;
  window.setWindowTitle(QStringLiteral("zarvel"));
  window.setFixedSize(280, 359);
  window.setFont(zarvel::proportional_font());
  auto* a = new QLabel(QStringLiteral("宛先　ﾒｰﾙ　履歴　設定 E-mail"), &window);
  a->move(5, 88);
  auto* b = new QLabel(QStringLiteral("件名　本日の打ち合わせの件"), &window);
  b->setFont(zarvel::fixed_font());
  b->move(5, 128);
  window.show();
  return app.exec();
}
