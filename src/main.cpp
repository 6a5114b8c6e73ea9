// Process start: one copy per user, at most one argument (the data folder),
// the six windows, the event loop.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QStringList>
#include <QStyleFactory>
#include <QTimer>

#include <cerrno>
#include <csignal>

#include "app/file_io.h"
#include "mail/form_mailsend.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/start_up.h"
#include "ui/widget_fonts.h"

namespace {

int end_signal_pipe[2] = {-1, -1};

extern "C" void on_end_signal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(end_signal_pipe[1], &byte, 1);
  errno = saved;
}

// Closes the main window as its close box does, so that everything is saved
// (and a failed save keeps it open, as always). A send under way is let
// finish first: it ends in the history.
void close_main_window(AppWindows& windows) {
  if (windows.mailsend.built() && windows.mailsend->isVisible()) {
    QTimer::singleShot(200, windows.Form1, [&windows] { close_main_window(windows); });
    return;
  }
  if (windows.Form1->isVisible()) windows.Form1->close();
}

// The end of the session (SIGTERM) or of the terminal (SIGHUP) ends the
// program through the main window's normal close. The handler only writes
// to a pipe; the event loop does the rest.
void close_on_end_signals(AppWindows& windows) {
  if (::pipe2(end_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(end_signal_pipe[0], QSocketNotifier::Read, windows.Form1);
  QObject::connect(notifier, &QSocketNotifier::activated, windows.Form1, [&windows] {
    char drained[16];
    while (::read(end_signal_pipe[0], drained, sizeof drained) > 0) {
    }
    zarvel::guarded([&windows] { close_main_window(windows); });
  });
  struct sigaction sa {};
  sa.sa_handler = on_end_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

}  // namespace

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
  // What a kill in the middle of a save left behind. This copy is the only
  // one running, so no write is under way.
  zarvel::remove_stale_temp_files(
      start.options.data_folder, {"zarvel.ini", "zarvel.csv", "zarvel.csv.bak", "send.txt", "send.txt.bak", "close.txt",
                                  "signa1.txt", "signa2.txt", "kaomoji.txt"});

  QApplication::setApplicationName(QStringLiteral("zarvel"));
  QApplication::setApplicationDisplayName(QStringLiteral("zarvel"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/zarvel.svg")));
  zarvel::prepare_application();

  AppWindows windows(start.options);
  QObject::connect(windows.Form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  windows.Form1->show();  // loads the data files
  // Only now: a close before everything is loaded would save half of it.
  close_on_end_signals(windows);
  return app.exec();
}
