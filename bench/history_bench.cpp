// A full history, 999 entries with 10 KB bodies, loaded at start and saved at
// exit through the main window; prints the time of each step.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "history/history_file.h"
#include "history/history_model.h"
#include "support/main_window.h"
#include "ui/widget_listview.h"

using namespace zarvel;

namespace {

// The best of `runs` timings of `f`, in milliseconds.
double best_ms(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    f();
    best = std::min(best, t.nsecsElapsed() / 1e6);
  }
  return best;
}

std::vector<HistoryEntry> full_history() {
  Bytes body;
  for (int line = 0; body.size() < 10 * 1024; ++line) {
    body += to_cp932(u"本文の行です。") + " line " + std::to_string(line) + " with \"quotes\", commas\r\n";
    if (line % 20 == 7) body += "~!!\r\n";  // a line that needs the escaped form
  }
  std::vector<HistoryEntry> list;
  for (int i = 0; i < 999; ++i) {
    list.push_back({to_cp932(u"宛先") + std::to_string(i), to_cp932(u"件名") + std::to_string(i),
                    to_cp932(u"26/12/08(火) 09:05:03"), body});
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  const std::vector<HistoryEntry> list = full_history();
  const HistoryList held(list);
  const Bytes file = format_history(held);
  std::printf("history: %zu entries, send.txt %.1f MB\n", list.size(), file.size() / 1048576.0);

  std::printf("format_history          %8.1f ms\n", best_ms(5, [&] { (void)format_history(held); }));
  std::printf("parse_history           %8.1f ms\n", best_ms(5, [&] { (void)parse_history(file); }));

  test::MainWindowRun run;
  run.dir().write(QStringLiteral("send.txt"), file);
  run.dir().write(QStringLiteral("zarvel.ini"), "[Options]\r\nsend_max=999\r\n");
  TForm1* f = nullptr;
  std::printf("start (all windows)     %8.1f ms\n", best_ms(1, [&] { f = run.start(); }));
  if (f->history->count() != 999) {
    std::printf("loaded %d entries, expected 999\n", f->history->count());
    return 1;
  }
  std::printf("send_read               %8.1f ms\n", best_ms(5, [&] { f->send_read(); }));
  std::printf("enter the history view  %8.1f ms\n", best_ms(1, [&] {
                QTest::mouseClick(f->ToolButton6, Qt::LeftButton);
                QApplication::processEvents();
              }));
  std::printf("select the last entry   %8.1f ms\n", best_ms(1, [&] {
                f->ListView3->select_row(998);
                QApplication::processEvents();
              }));
  std::printf("send_add (list full)    %8.1f ms\n", best_ms(5, [&] { f->send_add("a", "s", list[0].body); }));
  f->delete_check->setChecked(false);
  std::printf("delete the first entry  %8.1f ms\n", best_ms(5, [&] {
                f->ListView3->select_row(0);
                QTest::mouseClick(f->Button2, Qt::LeftButton);
              }));
  std::printf("send_write              %8.1f ms\n", best_ms(5, [&] {
                f->history_file.mark_changed();
                f->send_write();
              }));
  std::printf("exit (whole shut-down)  %8.1f ms\n", best_ms(1, [&] { run.close(); }));
  return 0;
}
