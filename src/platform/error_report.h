// The application-wide error handler: an error that no handler deals with
// is shown as "予期しないエラーが発生しました" and the error's own message, in
// the error dialog, and the program carries on with the next event.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <utility>

namespace zarvel {

// Shows the error of the exception being handled (call inside a catch).
void report_current_exception();

// Runs `f`; an exception that escapes it is reported and goes no further.
// Every window handler runs through this, so an error never unwinds
// through the toolkit's own code.
template <class F>
void guarded(F&& f) {
  try {
    std::forward<F>(f)();
  } catch (...) {
    report_current_exception();
  }
}

// Wraps a handler for connect(): the slot runs guarded.
template <class F>
auto guard(F f) {
  return [f = std::move(f)](auto&&...) { guarded(f); };
}

// The application object: events whose handlers throw are reported, not
// fatal.
class ZarvelApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace zarvel
