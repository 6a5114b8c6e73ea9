#include "platform/window_size.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zarvel {

namespace {

// Wayland's xdg-shell refuses a maximized window that keeps another size, and
// the toolkit ends the program on that error. The request has already gone
// out when the window hears of it, so the size limit is lifted at once (the
// compositor's size is then taken), and the window asks to be normal again
// as soon as the compositor reports it maximized. Only once it reports the
// normal state again does the fixed size come back.
class FixedSizeKeeper : public QObject {
 public:
  explicit FixedSizeKeeper(QWidget* w) : QObject(w), widget_(w) { w->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == widget_ && e->type() == QEvent::Show) watch_window();
    // A message box fixes its size again at every new layout.
    if (watched == widget_ && e->type() == QEvent::LayoutRequest && lifted_) return true;
    if (watched == window_ && e->type() == QEvent::WindowStateChange) {
      // What the platform applied.
      if (window_->windowStates() & kLarge) {
        answered_ = true;
        lift();
        if (!lifted_) return false;  // a window that may grow keeps the state
        QTimer::singleShot(0, this, [this] {
          if (widget_ && (widget_->windowState() & kLarge)) widget_->setWindowState(widget_->windowState() & ~kLarge);
        });
      } else if (lifted_) {
        QTimer::singleShot(0, this, [this] { restore(); });
      }
    }
    return false;
  }

 private:
  static constexpr Qt::WindowStates kLarge = Qt::WindowMaximized | Qt::WindowFullScreen;

  void watch_window() {
    QWindow* handle = widget_->windowHandle();
    if (!handle || handle == window_) return;
    window_ = handle;
    window_->installEventFilter(this);
    // Asked for by the window's own title bar: before the compositor answers.
    connect(window_, &QWindow::windowStateChanged, this, [this](Qt::WindowState s) {
      if (s & kLarge) lift();
    });
  }

  void lift() {
    if (lifted_ || !widget_) return;
    const QSize unlimited(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (widget_->maximumSize() == unlimited) return;
    lifted_ = true;
    answered_ = false;
    size_ = widget_->maximumSize();
    widget_->setMaximumSize(unlimited);
    // A compositor that ignores the request never answers: the window is
    // normal again, and keeps its limit.
    QTimer::singleShot(5000, this, [this, round = ++rounds_] {
      if (round != rounds_ || !lifted_ || answered_ || !window_) return;
      window_->setWindowStates(window_->windowStates() & ~kLarge);
      restore();
    });
  }

  void restore() {
    if (!lifted_ || !widget_ || !window_ || (window_->windowStates() & kLarge)) return;
    lifted_ = false;
    widget_->setMaximumSize(size_);
    QCoreApplication::postEvent(widget_, new QEvent(QEvent::LayoutRequest));
  }

  QPointer<QWidget> widget_;
  QPointer<QWindow> window_;
  QSize size_;  // the limit that was lifted
  bool lifted_ = false;
  bool answered_ = false;  // the compositor made it large
  int rounds_ = 0;         // maximize requests so far
};

}  // namespace

void keep_fixed_size(QWidget* window) { new FixedSizeKeeper(window); }

}  // namespace zarvel
