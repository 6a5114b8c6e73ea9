// `make bench`: every figure measured side by side with its floor in one
// run, alternating the two, and printed as one table with the targets.
//
//   zarvel_bench [--runs N] [--only start|exit|files|counter|send]
//   zarvel_bench --data FOLDER    writes the full data folder and ends
//
// Start-up and idle memory: zarvel itself and floor_window, each started as
//   a process on the same full data folder, both carrying start_hook (via
//   LD_PRELOAD), which reports when the first window has been painted and
//   the resident memory once the event loop has been idle.
// Load and save: the main window's own routines (send_read, send_write,
//   astaki_read, astaki_write) against reading and writing the same bytes
//   with no parsing (read_file, write_file_atomic).
// Keystroke: the whole key (event, count, repaint) in a 5 MB body against
//   the same key in a 5 KB body, and against a bare editor at 5 MB.
// Send: the transport against the curl command line, both sending the same
//   message to a local aiosmtpd; also against the transfer time curl
//   reports itself, which leaves out its process start.
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "addressbook/address_book_file.h"
#include "addressbook/recipient_model.h"
#include "app/file_io.h"
#include "compose/kaomoji_file.h"
#include "history/history_file.h"
#include "history/history_model.h"
#include "interop/server_process.h"
#include "mail/message.h"
#include "mail/transport.h"
#include "support/main_window.h"
#include "ui/app_style.h"
#include "ui/widget_statusbar.h"

extern char** environ;

using namespace zarvel;

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double mb(double bytes) { return bytes / 1048576.0; }

// Unwinds to main, so that the temporary folders and the server go.
struct Failure {
  std::string what;
};
[[noreturn]] void fail(const std::string& what) { throw Failure{what}; }

// ---------------------------------------------------------------- the table

struct Row {
  std::string figure;
  std::string zarvel, floor, ratio, target;
  bool met;
};
std::vector<Row> rows;

std::string fmt(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// A row whose target is a bound on zarvel / floor.
// `ratio` when given is the median of paired runs' ratios, not the medians'.
void ratio_row(const std::string& figure, double zarvel, double floor, double max_ratio, const char* unit = "ms",
               std::optional<double> ratio = std::nullopt) {
  const double r = ratio.value_or(zarvel / floor);
  rows.push_back({figure, fmt("%.2f ", zarvel) + unit, fmt("%.2f ", floor) + unit, fmt("%.2fx", r),
                  fmt("<= %.1fx", max_ratio), r <= max_ratio});
}

void print_table() {
  std::vector<std::array<std::string, 6>> lines = {{"figure", "zarvel", "floor", "ratio", "target", "met"}};
  for (const Row& r : rows) lines.push_back({r.figure, r.zarvel, r.floor, r.ratio, r.target, r.met ? "yes" : "NO"});
  std::array<std::size_t, 6> width{};
  for (const auto& l : lines)
    for (std::size_t i = 0; i < 6; ++i) width[i] = std::max(width[i], l[i].size());
  auto figure_column = [](std::size_t i) { return i >= 1 && i <= 3; };  // right-aligned
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::string out = "|";
    for (std::size_t i = 0; i < 6; ++i) {
      const std::size_t pad = width[i] - lines[n][i].size();
      out += ' ';
      if (figure_column(i)) out.append(pad, ' ');
      out += lines[n][i];
      if (!figure_column(i)) out.append(pad, ' ');
      out += " |";
    }
    std::printf("%s\n", out.c_str());
    if (n > 0) continue;
    out = "|";
    for (std::size_t i = 0; i < 6; ++i)
      out += figure_column(i) ? std::string(width[i] + 1, '-') + ":|" : std::string(width[i] + 2, '-') + "|";
    std::printf("%s\n", out.c_str());
  }
}

// ---------------------------------------------------------------- the data

struct DataFolder {
  QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zarvel-bench-XXXXXX")};
  QString folder = dir.path();  // where the files go
  Bytes ini, history, book, palette;
  QString path() const { return folder + QLatin1Char('/'); }
  std::size_t bytes() const { return ini.size() + history.size() + book.size() + palette.size(); }
};

// About 10 KB of an ordinary Japanese mail: paragraphs, blank lines, a
// quoted reply, and now and then a line that starts with a double quote,
// which the reader has to look at closely.
Bytes history_body() {
  const Bytes text = to_cp932(u"本日の打ち合わせの件、資料を添えてお送りします。ご確認ください。");
  const Bytes quoted = to_cp932(u"> 先日お問い合わせいただいた件について、担当者から回答します。");
  Bytes body;
  for (int line = 0; body.size() < 10 * 1024; ++line) {
    if (line % 8 == 7)
      body += "\r\n";
    else if (line % 40 >= 30)
      body += quoted + "\r\n";
    else if (line % 40 == 13)
      body += "\"" + text + "\" (" + std::to_string(line) + ")\r\n";
    else
      body += text + std::to_string(line) + "\r\n";
  }
  return body;
}

void make_data(DataFolder& d) {
  const Bytes body = history_body();
  std::vector<HistoryEntry> history;
  for (int i = 0; i < 999; ++i)
    history.push_back({to_cp932(u"山田　太郎") + std::to_string(i),
                       to_cp932(u"打ち合わせの件 その") + std::to_string(i), to_cp932(u"26/12/08(火) 09:05:03"), body});
  std::vector<Recipient> book;
  for (int i = 0; i < 10000; ++i)
    book.push_back({to_cp932(u"山田　太郎") + std::to_string(i), "yamada.taro" + std::to_string(i) + "@example.jp"});
  std::vector<Bytes> palette;
  for (int i = 0; i < 10; ++i)
    for (const Bytes& row : builtin_kaomoji()) palette.push_back(row);
  d.ini = "[Options]\r\nsend_max=999\r\n";
  d.history = format_history(HistoryList(history));
  d.book = format_address_book(book);
  d.palette = format_kaomoji(palette);
  write_file_atomic(d.path() + QStringLiteral("zarvel.ini"), d.ini);
  write_file_atomic(d.path() + QStringLiteral("send.txt"), d.history);
  write_file_atomic(d.path() + QStringLiteral("zarvel.csv"), d.book);
  write_file_atomic(d.path() + QStringLiteral("kaomoji.txt"), d.palette);
}

// ---------------------------------------------------------------- processes

std::vector<std::string> environment_with(const std::vector<std::pair<std::string, std::string>>& set) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string kv = *e;
    const std::string key = kv.substr(0, kv.find('='));
    if (std::none_of(set.begin(), set.end(), [&](const auto& p) { return p.first == key; })) env.push_back(kv);
  }
  for (const auto& [k, v] : set) env.push_back(k + "=" + v);
  return env;
}

std::vector<char*> c_strings(std::vector<std::string>& v) {
  std::vector<char*> out;
  for (auto& s : v) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Starts `argv` with `env`, the write end of a pipe as descriptor `report_fd`
// (when >= 0), stdout and stderr into `log`. Returns the pid; the pipe's
// read end goes to `*read_fd`.
pid_t spawn(std::vector<std::string> argv, std::vector<std::string> env, const std::string& log, int report_fd,
            int* read_fd) {
  int p[2] = {-1, -1};
  if (report_fd >= 0) {
    if (::pipe2(p, O_CLOEXEC) != 0) fail("pipe");
  }
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  if (report_fd >= 0) posix_spawn_file_actions_adddup2(&fa, p[1], report_fd);
  auto args = c_strings(argv);
  auto envp = c_strings(env);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (report_fd >= 0) ::close(p[1]);
  if (rc != 0) fail("cannot start " + argv[0]);
  if (read_fd) *read_fd = p[0];
  return pid;
}

bool wait_ok(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What start_hook reported, all of it, within `timeout_ms`.
std::string read_all(int fd, pid_t pid, int timeout_ms) {
  std::string out;
  const auto start = Clock::now();
  for (;;) {
    const int left = timeout_ms - static_cast<int>(ms_since(start));
    if (left <= 0) {
      ::kill(pid, SIGKILL);
      break;
    }
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, left) <= 0) continue;
    char buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

long long monotonic_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct StartFigures {
  double ms;
  double rss_kb;
  double exit_ms = 0, peak_kb = 0;  // with ZARVEL_BENCH_EXIT
};

constexpr int kReportFd = 3;

StartFigures start_once(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                        const std::string& log, const std::string& window_class) {
  int fd = -1;
  const long long t0 = monotonic_ns();
  const pid_t pid = spawn(argv, env, log, kReportFd, &fd);
  const std::string report = read_all(fd, pid, 60000);
  wait_ok(pid);
  std::istringstream in(report);
  std::string key;
  long long shown = -1, rss = -1, exit_ns = 0, peak = 0;
  std::string window;
  while (in >> key) {
    if (key == "shown")
      in >> shown >> window;
    else if (key == "rss_kb")
      in >> rss;
    else if (key == "exit_ns")
      in >> exit_ns;
    else if (key == "peak_kb")
      in >> peak;
  }
  if (shown < 0 || rss < 0) fail(argv[0] + " did not report its start (see " + log + ")");
  if (window != window_class) fail(argv[0] + " showed a " + window + ", not its main window (see " + log + ")");
  return {(shown - t0) / 1e6, static_cast<double>(rss), exit_ns / 1e6, static_cast<double>(peak)};
}

// `display` empty: offscreen; else that X display (xcb).
void bench_start(const DataFolder& data, const QString& runtime_dir, int runs, const std::string& display) {
  std::vector<std::pair<std::string, std::string>> set = {{"XDG_RUNTIME_DIR", runtime_dir.toStdString()},
                                                          {"LD_PRELOAD", ZARVEL_BENCH_HOOK},
                                                          {"ZARVEL_BENCH_FD", std::to_string(kReportFd)}};
  if (display.empty())
    set.push_back({"QT_QPA_PLATFORM", "offscreen"});
  else
    set.insert(set.end(), {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display}});
  const std::vector<std::string> env = environment_with(set);
  const std::string log = runtime_dir.toStdString() + "/start.log";
  const QString empty_folder = runtime_dir + QStringLiteral("/empty");
  QDir().mkpath(empty_folder);
  const std::string where = display.empty() ? "offscreen" : "Xvfb " + display;
  for (const bool full : {true, false}) {
    const std::string folder = full ? data.folder.toStdString() : empty_folder.toStdString();
    const std::vector<std::string> zarvel = {ZARVEL_BENCH_PROGRAM, folder};
    const std::vector<std::string> floor = {ZARVEL_BENCH_FLOOR, folder};
    std::vector<double> zt, zm, ft, fm, pairs;
    for (int i = -2; i < runs; ++i) {  // two rounds to warm the caches
      auto run_zarvel = [&] { return start_once(zarvel, env, log, "TForm1"); };
      auto run_floor = [&] { return start_once(floor, env, log, "QWidget"); };
      const StartFigures a = i % 2 ? run_zarvel() : run_floor();
      const StartFigures b = i % 2 ? run_floor() : run_zarvel();
      if (i < 0) continue;
      const StartFigures& z = i % 2 ? a : b;
      const StartFigures& f = i % 2 ? b : a;
      zt.push_back(z.ms);
      zm.push_back(z.rss_kb);
      ft.push_back(f.ms);
      fm.push_back(f.rss_kb);
      pairs.push_back(z.ms / f.ms);
    }
    // The two of a pair ran one after the other: their ratio leaves out how
    // the machine's speed drifts over the runs.
    ratio_row("start-up to first paint, " + std::string(full ? "full" : "empty") + " folder, " + where, median(zt),
              median(ft), 1.2, "ms", median(pairs));
    if (!full || !display.empty()) continue;
    const double z_mb = median(zm) / 1024, f_mb = median(fm) / 1024, allowed = f_mb + 2 * mb(data.bytes());
    rows.push_back({"resident memory when idle", fmt("%.1f MB", z_mb), fmt("%.1f MB", f_mb),
                    fmt("+%.1f MB", z_mb - f_mb), fmt("<= %.1f MB", allowed), z_mb <= allowed});
  }
}

// The exit (the main window's close, every save) with the full folder
// unchanged against the same exit with an empty folder; and the peak
// memory during the exit against the idle memory before it.
void bench_exit(const DataFolder& data, const QString& runtime_dir, int runs) {
  const std::vector<std::string> env = environment_with({{"QT_QPA_PLATFORM", "offscreen"},
                                                         {"XDG_RUNTIME_DIR", runtime_dir.toStdString()},
                                                         {"LD_PRELOAD", ZARVEL_BENCH_HOOK},
                                                         {"ZARVEL_BENCH_FD", std::to_string(kReportFd)},
                                                         {"ZARVEL_BENCH_EXIT", "1"}});
  const std::string log = runtime_dir.toStdString() + "/exit.log";
  const QString empty_folder = runtime_dir + QStringLiteral("/empty-exit");
  QDir().mkpath(empty_folder);
  const std::vector<std::string> full = {ZARVEL_BENCH_PROGRAM, data.folder.toStdString()};
  const std::vector<std::string> empty = {ZARVEL_BENCH_PROGRAM, empty_folder.toStdString()};
  std::vector<double> ft, et, idle, peak;
  for (int i = -1; i < runs; ++i) {
    const StartFigures a = start_once(i % 2 ? full : empty, env, log, "TForm1");
    const StartFigures b = start_once(i % 2 ? empty : full, env, log, "TForm1");
    if (i < 0) continue;
    const StartFigures& f = i % 2 ? a : b;
    const StartFigures& e = i % 2 ? b : a;
    ft.push_back(f.exit_ms);
    et.push_back(e.exit_ms);
    idle.push_back(f.rss_kb);
    peak.push_back(f.peak_kb);
  }
  if (read_file(data.path() + QStringLiteral("send.txt")) != data.history) fail("the exit changed send.txt");
  ratio_row("exit, full folder unchanged (floor: empty folder)", median(ft), median(et), 1.2);
  const double p = median(peak) / 1024, r = median(idle) / 1024;
  rows.push_back({"  peak memory to the end of the exit (floor: idle)", fmt("%.1f MB", p), fmt("%.1f MB", r),
                  fmt("+%.1f MB", p - r), fmt("<= %.1f MB", r + 2), p <= r + 2});
}

// ---------------------------------------------------------------- load, save

void bench_files(const DataFolder& data, int runs) {
  // Every block comes from the heap and stays there, so that neither side
  // pays for fresh pages by chance of the allocator's state: the figures
  // compare the work itself (fresh memory is in the start-up figure).
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  test::MainWindowRun run;
  run.dir().write(QStringLiteral("zarvel.ini"), data.ini);
  run.dir().write(QStringLiteral("send.txt"), data.history);
  run.dir().write(QStringLiteral("zarvel.csv"), data.book);
  run.dir().write(QStringLiteral("kaomoji.txt"), data.palette);
  TForm1* f = run.start();
  if (f->history->count() != 999 || f->address_book->size() != 10000) fail("the data did not load whole");
  const QString send_txt = run.dir().file(QStringLiteral("send.txt"));
  const QString csv = run.dir().file(QStringLiteral("zarvel.csv"));
  const QString floor_file = run.dir().file(QStringLiteral("floor.txt"));

  std::vector<double> hl, hl0, hs, hs0, bl, bl0, bs, bs0;
  for (int i = -1; i < runs; ++i) {
    const bool keep = i >= 0;
    auto time = [&](std::vector<double>& into, const std::function<void()>& f) {
      const auto t = Clock::now();
      f();
      const double ms = ms_since(t);
      if (keep) into.push_back(ms);
    };
    // The order of each pair alternates, so neither always runs second.
    auto pair = [&](std::vector<double>& z, const std::function<void()>& zf, std::vector<double>& fl,
                    const std::function<void()>& ff) {
      if (i % 2) {
        time(z, zf);
        time(fl, ff);
      } else {
        time(fl, ff);
        time(z, zf);
      }
      QApplication::processEvents();
    };
    // Each load starts from empty lists, as at start-up (not timed).
    f->history->set_list({});
    QApplication::processEvents();
    pair(
        hl, [&] { f->send_read(); }, hl0, [&] { (void)read_file(send_txt); });
    pair(
        hs,
        [&] {
          f->history_file.mark_changed();
          f->send_write();
        },
        hs0, [&] { write_file_atomic(floor_file, data.history); });
    f->address_book->set_list({});
    f->picker->set_list({});
    QApplication::processEvents();
    pair(
        bl, [&] { f->astaki_read(); }, bl0, [&] { (void)read_file(csv); });
    pair(
        bs,
        [&] {
          f->address_book_file.mark_changed();
          f->astaki_write();
        },
        bs0, [&] { write_file_atomic(floor_file, data.book); });
  }
  // What was saved is what was loaded.
  if (run.dir().read(QStringLiteral("send.txt")) != data.history ||
      run.dir().read(QStringLiteral("zarvel.csv")) != data.book)
    fail("a save did not give back the bytes loaded");
  ratio_row(fmt("history load (%.1f MB)", mb(data.history.size())), median(hl), median(hl0), 3);
  ratio_row("history save", median(hs), median(hs0), 3);
  ratio_row(fmt("address book load (%.2f MB)", mb(data.book.size())), median(bl), median(bl0), 3);
  ratio_row("address book save", median(bs), median(bs0), 3);
}

// ---------------------------------------------------------------- counter

QString body_of(std::size_t bytes) {
  const QString line = QStringLiteral("本日の打ち合わせの件、資料を添えてお送りします。ご確認ください。Hello 0123");
  const std::size_t line_bytes = cp932_length(line) + 2;
  QStringList lines;
  for (std::size_t n = 0; n + line_bytes <= bytes; n += line_bytes) lines << line;
  return lines.join(QLatin1Char('\n'));
}

// One keystroke in the middle of `edit`'s text, and a Backspace that takes it
// back (not timed); returns the keystroke's milliseconds, with the events it
// queued. `typed` runs between the two.
double keystroke(
    QPlainTextEdit* edit, const std::function<void()>& typed = [] {}) {
  QTextCursor c = edit->textCursor();
  c.setPosition(edit->document()->characterCount() / 2);
  edit->setTextCursor(c);
  const auto t = Clock::now();
  QTest::keyClick(edit, Qt::Key_A);
  QApplication::processEvents();
  const double ms = ms_since(t);
  typed();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QApplication::processEvents();
  return ms;
}

// The whole keystroke (key event, count, repaint) in the main window's body
// of `bytes`, each key's milliseconds; with `bare`, also the same keystroke
// in a bare editor.
std::pair<std::vector<double>, std::vector<double>> keystrokes(std::size_t bytes, int runs, bool bare_too) {
  test::MainWindowRun run;
  TForm1* f = run.start();
  const QString body = body_of(bytes);
  f->Memo1->setPlainText(body);
  QApplication::processEvents();
  const QString expected = QStringLiteral("半角： ") + QString::number(cp932_length(body));
  if (f->StatusBar1->panel_text(2) != expected) fail("the counter shows " + f->StatusBar1->panel_text(2).toStdString());
  QPlainTextEdit bare;
  bare.setFont(f->Memo1->font());
  bare.resize(f->Memo1->size());
  bare.setPlainText(body);
  bare.show();
  QApplication::processEvents();
  // The typed key must show in the count: a counter that did not count
  // would be fast for nothing.
  const QString one_more = QStringLiteral("半角： ") + QString::number(cp932_length(body) + 1);
  bool counted = true;
  auto typed = [&] { counted = counted && f->StatusBar1->panel_text(2) == one_more; };
  std::vector<double> whole, whole0;
  for (int i = -3; i < runs; ++i) {
    double z = 0, b = 0;
    if (i % 2) {
      z = keystroke(f->Memo1, typed);
      if (bare_too) b = keystroke(&bare);
    } else {
      if (bare_too) b = keystroke(&bare);
      z = keystroke(f->Memo1, typed);
    }
    if (i >= 0) {
      whole.push_back(z);
      whole0.push_back(b);
    }
  }
  if (!counted || f->StatusBar1->panel_text(2) != expected) fail("the counter went wrong while typing");
  return {whole, whole0};
}

void bench_counter(int runs) {
  // In rounds, each starting with another part, so that none always runs
  // first. Each ratio compares keys typed the same way: the 5 KB and the
  // 5 MB body each alone, key after key; the 5 MB body and the bare editor
  // key for key (each then finds the caches filled with the other's 5 MB).
  // Each round makes its windows and bodies anew, and the machine's speed
  // drifts from one to the next: the times are the medians of every key of
  // nine rounds, each ratio the median of the rounds' own.
  std::vector<double> big, small, big_paired, bare, big_ratios, bare_ratios;
  constexpr int kRounds = 9;
  const int n = runs / 3 + 1;
  const auto add = [](std::vector<double>& to, const std::vector<double>& keys) {
    to.insert(to.end(), keys.begin(), keys.end());
    return median(keys);
  };
  double round_small = 0, round_big = 0, round_paired = 0, round_bare = 0;
  const std::function<void()> parts[] = {[&] { round_small = add(small, keystrokes(5 * 1024, n, false).first); },
                                         [&] { round_big = add(big, keystrokes(5 * 1024 * 1024, n, false).first); },
                                         [&] {
                                           const auto [z, b] = keystrokes(5 * 1024 * 1024, n, true);
                                           round_paired = add(big_paired, z);
                                           round_bare = add(bare, b);
                                         }};
  for (int round = 0; round < kRounds; ++round) {
    for (int i = 0; i < 3; ++i) parts[(round + i) % 3]();
    big_ratios.push_back(round_big / round_small);
    bare_ratios.push_back(round_paired / round_bare);
  }
  ratio_row("one keystroke, 5 MB body (floor: 5 KB body)", median(big), median(small), 1.2, "ms", median(big_ratios));
  ratio_row("  5 MB body (floor: bare editor at 5 MB)", median(big_paired), median(bare), 1.2, "ms",
            median(bare_ratios));
}

// ---------------------------------------------------------------- send

// Runs `argv` to its end; its standard output, or nullopt when it failed.
std::optional<std::string> run_output(const std::vector<std::string>& argv, const std::string& log) {
  int fd = -1;
  const pid_t pid = spawn(argv, environment_with({}), log, 1, &fd);
  std::string out = read_all(fd, pid, 60000);
  if (!wait_ok(pid)) return std::nullopt;
  return out;
}

void bench_send(const QString& folder, int runs) {
  const std::string dir = folder.toStdString() + "/";
  test::ServerProcess server({"/usr/bin/python3", test::interop_dir() + "/smtp_server.py", "--dir", dir},
                             dir + "server.log", true);
  if (!server.started()) fail("the SMTP server did not start");
  const std::string port = std::to_string(server.port());
  const std::string host = "127.0.0.1\t" + port + "\t60";
  const std::string from = "sender@example.jp", to = "friend@example.jp";
  const Bytes subject = to_cp932(u"打ち合わせの件");
  Bytes body;
  while (body.size() < 2000) body += to_cp932(u"本日の打ち合わせの件、資料を添えてお送りします。") + "\r\n";
  const std::time_t now = std::time(nullptr);
  const std::string eml = dir + "message.eml";
  std::ofstream(eml, std::ios::binary) << build_message(from, to, subject, body, now, make_message_id(from, now));
  const std::string log = dir + "curl.log";

  char error[kTransportErrorSize] = {};
  auto transport_send = [&] {
    return TransportSendMail(host.c_str(), ("<" + to + ">").c_str(), ("<" + from + ">").c_str(), subject.c_str(),
                             body.c_str(), "", error) != 0;
  };
  // curl reports the time of the transfer itself: connection, dialogue and
  // message, without starting the process, loading its libraries and
  // ending (nor the QUIT, which comes when it ends).
  const std::vector<std::string> curl = {"curl",        "-s",        "-S",          "--url", "smtp://127.0.0.1:" + port,
                                         "--mail-from", from,        "--mail-rcpt", to,      "--upload-file",
                                         eml,           "--noproxy", "*",           "-w",    "%{time_total}"};
  std::vector<double> tt, tc, tc_transfer;
  int sent = 0;
  for (int i = -3; i < runs; ++i) {
    auto t = Clock::now();
    if (!transport_send()) fail(std::string("transport: ") + error);
    const double a = ms_since(t);
    t = Clock::now();
    const std::optional<std::string> out = run_output(curl, log);
    const double b = ms_since(t);
    if (!out) fail("curl failed (see " + log + ")");
    sent += 2;
    if (i < 0) continue;
    tt.push_back(a);
    tc.push_back(b);
    tc_transfer.push_back(std::atof(out->c_str()) * 1000);
  }
  const int received = static_cast<int>(QDir(folder).entryList({QStringLiteral("msg-*.json")}).size());
  if (received != sent) fail("the server received " + std::to_string(received) + " of " + std::to_string(sent));
  const double a = median(tt);
  ratio_row(fmt("send, %.0f KB message, local aiosmtpd", body.size() / 1024.0), a, median(tc), 1.2);
  ratio_row("  against curl's own transfer time", a, median(tc_transfer), 1.2);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 15;
  QString data_only;  // --data FOLDER: only writes the full data folder there
  std::string only;   // --only start|exit|files|counter|send
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::max(3, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
      data_only = QString::fromLocal8Bit(argv[++i]);
    else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
      only = argv[++i];
    else {
      std::fprintf(stderr, "usage: zarvel_bench [--runs N] [--only start|exit|files|counter|send] [--data FOLDER]\n");
      return 2;
    }
  }
  auto part = [&](const char* name) { return only.empty() || only == name; };
  std::signal(SIGPIPE, SIG_IGN);
  QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/zarvel-bench-run-XXXXXX"));
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  QApplication app(argc, argv);
  QApplication::setStyle(new zarvel::AppStyle);  // the program's own look

  DataFolder data;
  if (!data_only.isEmpty()) {
    data.folder = data_only;
    QDir().mkpath(data_only);
    make_data(data);
    return 0;
  }
  make_data(data);
  double load[3] = {};
  if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = -1;
    std::fclose(f);
  }
  std::printf(
      "zarvel_bench: data folder %.1f MB (send.txt 999 entries %.1f MB, zarvel.csv 10,000 entries %.2f MB, "
      "kaomoji.txt %zu bytes)\n",
      mb(data.bytes()), mb(data.history.size()), mb(data.book.size()), data.palette.size());
  // A start takes a few tens of milliseconds and varies by a few more from
  // one to the next: its medians need the most runs.
  const int start_runs = std::max(runs, 41), file_runs = 2 * runs + 1, counter_runs = std::max(runs, 51),
            send_runs = std::max(runs, 30);
  std::printf(
      "medians of alternating runs (start-up %d, files %d, counter %d, send %d); load average %.2f on %ld CPUs\n",
      start_runs, file_runs, counter_runs, send_runs, load[0], sysconf(_SC_NPROCESSORS_ONLN));
  std::fflush(stdout);

  try {
    if (part("start")) {
      bench_start(data, runtime.path(), start_runs, "");
      // On an X display too, when one is named (ZARVEL_BENCH_DISPLAY=:N).
      if (const char* d = std::getenv("ZARVEL_BENCH_DISPLAY"); d && *d)
        bench_start(data, runtime.path(), start_runs, d);
    }
    if (part("exit")) bench_exit(data, runtime.path(), runs);
    if (part("files")) bench_files(data, file_runs);
    if (part("counter")) bench_counter(counter_runs);
    if (part("send")) bench_send(runtime.path(), send_runs);
  } catch (const Failure& f) {
    std::fprintf(stderr, "zarvel_bench: %s\n", f.what.c_str());
    return 1;
  }

  std::printf("\n");
  print_table();
  const auto met = std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.met; });
  std::printf("\ntargets met: %ld of %zu\n", static_cast<long>(met), rows.size());
  std::printf(
      "start-up: from starting the process to the main window painted once; memory: VmRSS 300 ms later. Floors:\n"
      "a bare 280x359 Qt window that reads the data files, keeps their bytes, registers the pictogram font and\n"
      "paints Japanese labels in the two fonts; the exit with an empty folder; read_file and write_file_atomic of\n"
      "the same bytes; the keystroke in a 5 KB body and in a bare QPlainTextEdit; the curl command.\n");
  return 0;
}
