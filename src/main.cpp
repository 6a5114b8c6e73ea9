// Process start: one copy per user, at most one argument (the data folder),
// the six windows, the event loop.
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <cerrno>
#include <csignal>

#include "app/file_io.h"
#include "mail/form_mailsend.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "ui/app_style.h"
#include "ui/fonts.h"
#include "ui/form_main.h"
#include "ui/start_up.h"
#include "ui/svg_icon.h"

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
    windows.mailsend->stop_send();  // a send the server has taken still ends as sent
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
  // No core dump, no debugger of another process: memory holds passwords.
  ::prctl(PR_SET_DUMPABLE, 0);
  // A full disk or a file-size limit must fail the write, not end the
  // process: the atomic writes then keep the old file and say so.
  std::signal(SIGXFSZ, SIG_IGN);
  // The windows are laid out in pixels for 96 dots per inch; Qt scales
  // them by the desktop's factor as it is, 1.25 and 1.5 included.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);

  // Every argument is the program's own: the toolkit would take out the ones
  // it knows (-reverse, -style X, -platform X) before the check, so it is
  // shown the program name alone.
  const QStringList args = zarvel::program_arguments(argc, argv);
  int toolkit_argc = 1;
  char* toolkit_argv[] = {argv[0], nullptr};
  zarvel::ZarvelApplication app(toolkit_argc, toolkit_argv);
  QApplication::setStyle(new zarvel::AppStyle);

  const zarvel::StartUp start = zarvel::start_checks(args, QCoreApplication::applicationFilePath());
  if (!start.error.isEmpty()) {
    zarvel::error_box(start.error);
    return 0;
  }
  // What a kill in the middle of a save left behind. This copy is the only
  // one running, so no write is under way.
  zarvel::remove_stale_temp_files(
      start.options.data_folder,
      {"zarvel.ini", "zarvel.csv", "send.txt", "close.txt", "signa1.txt", "signa2.txt", "kaomoji.txt", "zarvel.ini.bak",
       "zarvel.csv.bak", "send.txt.bak", "close.txt.bak", "signa1.txt.bak", "signa2.txt.bak", "kaomoji.txt.bak"});

  // No display name: the toolkit would append it to every window's title.
  QApplication::setApplicationName(QStringLiteral("zarvel"));
  QApplication::setWindowIcon(zarvel::svg_icon(QStringLiteral(":/icons/zarvel.svg")));
  zarvel::prepare_application();

  AppWindows windows(start.options);
  QObject::connect(windows.Form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  windows.Form1->show();  // loads the data files
  // Only now: a close before everything is loaded would save half of it.
  close_on_end_signals(windows);
  return app.exec();
}
