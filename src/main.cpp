// Process start: one copy per user, at most one argument (the data folder),
// the six windows, the event loop.
#include <csignal>

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStringList>
#include <QStyleFactory>

#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/start_up.h"
#include "ui/widget_fonts.h"

int main(int argc, char** argv) {
  // A full disk or a file-size limit must fail the write, not end the
  // process: the atomic writes then keep the old file and say so.
  std::signal(SIGXFSZ, SIG_IGN);
  // The windows are laid out in pixels for 96 dots per inch.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");

  zarvel::ZarvelApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  const zarvel::StartUp start = zarvel::start_checks(args, QCoreApplication::applicationFilePath());
  if (!start.error.isEmpty()) {
    zarvel::error_box(start.error);
    return 0;
  }

  QApplication::setApplicationName(QStringLiteral("zarvel"));
  QApplication::setApplicationDisplayName(QStringLiteral("zarvel"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/zarvel.svg")));
  zarvel::prepare_application();

  AppWindows windows(start.options);
  QObject::connect(windows.Form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  windows.Form1->show();
  return app.exec();
}
