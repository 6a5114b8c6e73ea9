// Loaded with LD_PRELOAD into a program the runner starts (zarvel itself,
// unchanged, or the floor window), so both are measured the same way. To
// the descriptor named by ZARVEL_BENCH_FD it writes the monotonic time when
// the first window has been shown and painted once, with the window's
// class; the resident memory once the event loop has been idle for a
// while; then it ends the process without its shut-down (which would
// rewrite the data files).
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace {

constexpr int kSettleMs = 300;

void report(const std::string& line) {
  const char* fd_text = std::getenv("ZARVEL_BENCH_FD");
  if (!fd_text) return;
  const std::string out = line + "\n";
  [[maybe_unused]] const ssize_t n = ::write(std::atoi(fd_text), out.data(), out.size());
}

long long monotonic_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

long resident_kb(const char* which) {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == which) {
      long kb = -1;
      status >> kb;
      return kb;
    }
    status.ignore(1 << 16, '\n');
  }
  return -1;
}

class FirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (seen_ || e->type() != QEvent::Paint || !watched->isWidgetType()) return false;
    QWidget* window = static_cast<QWidget*>(watched)->window();
    if (!window->isVisible()) return false;
    seen_ = true;
    // The class tells the runner that the window is the one it waits for
    // (not a message box).
    const std::string name = window->metaObject()->className();
    // Runs once the whole paint (every child, and the flush) is done.
    QTimer::singleShot(0, this, [name, window] {
      report("shown " + std::to_string(monotonic_ns()) + " " + name);
      QTimer::singleShot(kSettleMs, [window] {
        report("rss_kb " + std::to_string(resident_kb("VmRSS:")));
        if (std::getenv("ZARVEL_BENCH_EXIT")) {
          // The window's own close, with its whole shut-down.
          const long long t0 = monotonic_ns();
          window->close();
          report("exit_ns " + std::to_string(monotonic_ns() - t0));
          report("peak_kb " + std::to_string(resident_kb("VmHWM:")));
        }
        std::_Exit(0);
      });
    });
    return false;
  }

 private:
  bool seen_ = false;
};

void install() {
  if (std::getenv("ZARVEL_BENCH_FD")) QCoreApplication::instance()->installEventFilter(new FirstPaint);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
