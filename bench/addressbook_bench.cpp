// How much a 10,000-entry address book adds to the main window's first
// showing: the whole start (windows created, shown, first paint) with an
// empty book and with the big one, and the load and picker rebuild alone.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "addressbook/address_book_file.h"
#include "addressbook/recipient_model.h"
#include "support/main_window.h"
#include "ui/widget_listview.h"

using namespace zarvel;
using Clock = std::chrono::steady_clock;

namespace {

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

Bytes big_book_file(int n) {
  std::vector<Recipient> book;
  for (int i = 0; i < n; ++i)
    book.push_back({to_cp932(u"山田　太郎") + std::to_string(i), "user" + std::to_string(i) + "@example.jp"});
  return format_address_book(book);
}

// The first showing, from creating the windows to the first paint.
double start_once(const Bytes* file) {
  test::MainWindowRun run;
  if (file) run.dir().write(QStringLiteral("zarvel.csv"), *file);
  const auto t = Clock::now();
  run.start();
  QApplication::processEvents();
  return ms_since(t);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kEntries = 10000;
  constexpr int kRounds = 15;
  const Bytes file = big_book_file(kEntries);

  start_once(nullptr);  // warm up fonts and styles
  std::vector<double> empty, full, load, view;
  for (int i = 0; i < kRounds; ++i) {
    empty.push_back(start_once(nullptr));
    full.push_back(start_once(&file));
  }
  test::MainWindowRun run;
  run.dir().write(QStringLiteral("zarvel.csv"), file);
  TForm1* f = run.start();
  for (int i = 0; i < kRounds; ++i) {
    f->address_book->set_list({});
    f->picker->set_list({});
    auto t = Clock::now();
    f->astaki_read();  // reads, parses, fills the edit list, rebuilds the picker
    QApplication::processEvents();
    load.push_back(ms_since(t));
    t = Clock::now();
    f->ToolButton2Click();  // the address-book view with its first rows drawn
    QApplication::processEvents();
    view.push_back(ms_since(t));
    f->ToolButton1Click();
    QApplication::processEvents();
  }
  if (f->picker->size() != kEntries || f->address_book->size() != kEntries) {
    std::fprintf(stderr, "the book did not load whole\n");
    return 1;
  }
  std::printf("address book, %d entries (%zu bytes), median of %d rounds:\n", kEntries, file.size(), kRounds);
  std::printf("  first showing, empty book          %8.2f ms\n", median(empty));
  std::printf("  first showing, %d entries       %8.2f ms  (+%.2f ms)\n", kEntries, median(full),
              median(full) - median(empty));
  std::printf("  astaki_read + listvew1_listview2   %8.2f ms\n", median(load));
  std::printf("  entering the address-book view     %8.2f ms\n", median(view));
  return 0;
}
