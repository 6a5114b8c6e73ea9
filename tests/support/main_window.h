// Runs the real windows of one run on a temporary data folder, offscreen,
// with message boxes answered by FakeDialogs.
#pragma once

#include <QApplication>
#include <QTest>
#include <memory>

#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "ui/fonts.h"
#include "ui/form_main.h"
#include "ui/widget_statusbar.h"

namespace zarvel::test {

class MainWindowRun {
 public:
  // Files to place in the data folder before the windows are created are
  // written by the caller through dir() first, then start() is called.
  MainWindowRun() { prepare_application(); }
  ~MainWindowRun() { windows_.reset(); }

  TempDir& dir() { return dir_; }
  FakeDialogs& dialogs() { return dialogs_; }

  // Creates the six windows and shows the main window (its first showing
  // loads the data files).
  TForm1* start(bool show = true) {
    StartOptions o;
    o.data_folder = dir_.path();
    o.help_file = dir_.file(QStringLiteral("zarvel.hlp"));
    windows_ = std::make_unique<AppWindows>(o);
    if (show) {
      form()->show();
      QApplication::setActiveWindow(form());
      QApplication::processEvents();
    }
    return form();
  }
  // Closes the main window as the user would; true when it closed.
  bool close() {
    const bool closed = form()->close();
    QApplication::processEvents();
    return closed;
  }
  // Ends this run and starts another on the same folder.
  TForm1* restart(bool show = true) {
    windows_.reset();
    return start(show);
  }

  TForm1* form() const { return windows_->Form1; }
  AppWindows& windows() const { return *windows_; }
  QString panel(int i) const { return form()->StatusBar1->panel_text(i); }

 private:
  TempDir dir_;
  FakeDialogs dialogs_;
  std::unique_ptr<AppWindows> windows_;
};

}  // namespace zarvel::test
