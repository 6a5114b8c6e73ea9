// The real program as a process. Ended by the session (SIGTERM, SIGHUP) it
// saves everything and exits normally; killed at any step of its saves,
// every data file is whole in its old or its new version, and the next
// start clears what the kill left behind and loads everything.
#include <gtest/gtest.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <functional>
#include <set>

#include "app/file_io.h"
#include "child_process.h"
#include "data_set.h"
#include "support/temp_dir.h"
#include "ui/start_up.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

// The run of one program: offscreen, with a runtime folder of its own for
// the single-instance lock.
class ProgramRuns {
 public:
  std::vector<std::string> env(std::vector<std::string> extra = {}) const {
    extra.push_back("QT_QPA_PLATFORM=offscreen");
    extra.push_back("XDG_RUNTIME_DIR=" + QFile::encodeName(runtime_.path()).toStdString());
    return extra;
  }
  // Starts the program on `folder`, ends it with `sig` once it has loaded
  // everything, and returns how it ended.
  std::optional<int> run(const QString& folder, const std::vector<std::string>& extra_env = {},
                         int sig = SIGTERM) const {
    ChildProcess p({ZARVEL_PROGRAM, QFile::encodeName(folder).toStdString()}, env(extra_env));
    if (!p.wait_until_ready()) {
      ADD_FAILURE() << "the program never got ready: " << describe_status(p.wait(std::chrono::seconds(5)));
      return std::nullopt;
    }
    p.signal(sig);
    return p.wait();
  }

 private:
  TempDir runtime_;
};

bool exited_normally(const std::optional<int>& status) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

bool killed(const std::optional<int>& status) { return status && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL; }

// The sanitizer runtime insists on coming first among the preloaded
// libraries, so it is named before the shim when the program has one.
std::string preload() {
  std::string runtime;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* out) {
        const std::string name = info->dlpi_name ? info->dlpi_name : "";
        if (name.find("/libasan.so") != std::string::npos) *static_cast<std::string*>(out) = name;
        return 0;
      },
      &runtime);
  return runtime.empty() ? ZARVEL_KILL_SHIM : runtime + ":" + ZARVEL_KILL_SHIM;
}

mode_t mode_of(const QString& path) {
  struct stat st {};
  ::stat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & 0777;
}

}  // namespace

TEST(EndOfSession, SigtermAndSighupSaveEverythingAndEndNormally) {
  ProgramRuns runs;
  TempDir work;
  for (int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    const QString folder = work.file(QStringLiteral("データ%1").arg(sig));
    const auto status = runs.run(folder, {}, sig);
    EXPECT_TRUE(exited_normally(status)) << describe_status(status);
    for (const char* name : {"zarvel.ini", "zarvel.csv", "send.txt", "signa1.txt", "signa2.txt"})
      EXPECT_TRUE(QFileInfo::exists(folder + "/" + name)) << name;
    EXPECT_EQ(mode_of(folder + "/zarvel.ini"), 0600u);
  }
}

// The shim counts the steps of the saves (write, fsync, close, rename) and
// kills the program at step N, for every N up to the run that completes.
TEST(KillDuringSave, EveryFileIsWholeOldOrNewAndTheNextStartLoadsEverything) {
  ProgramRuns runs;
  TempDir work;
  const Snapshot old = old_data_set();
  auto folder_with_old_files = [&](const QString& name) {
    const QString folder = work.file(name);
    QDir().mkpath(folder);
    place(folder + "/", old);
    return folder;
  };
  auto shim_env = [&](const QString& folder, long kill_at) {
    return std::vector<std::string>{"LD_PRELOAD=" + preload(),
                                    "ZARVEL_KILL_DIR=" + QFile::encodeName(folder).toStdString(),
                                    "ZARVEL_KILL_AT=" + std::to_string(kill_at),
                                    "ZARVEL_KILL_COUNT=" + QFile::encodeName(work.file("steps")).toStdString()};
  };

  // A run without a kill: the new version of every file and the number of
  // steps.
  const QString reference = folder_with_old_files(QStringLiteral("reference"));
  const auto status = runs.run(reference, shim_env(reference, 0));
  ASSERT_TRUE(exited_normally(status)) << describe_status(status);
  const Snapshot fresh = snapshot(reference + "/");
  std::set<QString> rewritten;
  for (const QString& name : data_file_names())
    if (fresh.at(name) != old.at(name)) rewritten.insert(name);
  // Only what the start changed is written: the settings (keys added) and
  // the history (cut to its limit). The files the run left as they were
  // keep the form they were found in (LF line ends, no final line break).
  ASSERT_EQ(rewritten, (std::set<QString>{QStringLiteral("zarvel.ini"), QStringLiteral("send.txt")}));
  const long steps = std::stol(work.read(QStringLiteral("steps")));
  ASSERT_GE(steps, 4L * static_cast<long>(rewritten.size()));

  const QRegularExpression temp_name(QStringLiteral(
      R"(^(zarvel\.ini|zarvel\.csv|send\.txt|close\.txt|signa[12]\.txt|kaomoji\.txt)\.tmp[A-Za-z0-9]{6}$)"));
  std::set<std::size_t> progress;  // how many files were new at a kill
  bool temp_left = false;
  for (long n = 1; n <= steps; ++n) {
    SCOPED_TRACE("killed at step " + std::to_string(n));
    const QString folder = folder_with_old_files(QStringLiteral("kill%1").arg(n));
    const auto at_kill = runs.run(folder, shim_env(folder, n));
    ASSERT_TRUE(killed(at_kill)) << describe_status(at_kill);
    const Snapshot after = snapshot(folder + "/");
    std::size_t new_files = 0;
    for (const QString& name : data_file_names()) {
      EXPECT_TRUE(after.at(name) == old.at(name) || after.at(name) == fresh.at(name))
          << name.toStdString() << " is neither its old nor its new version";
      new_files += rewritten.count(name) && after.at(name) == fresh.at(name);
    }
    progress.insert(new_files);
    for (const QString& t : temp_files(folder + "/")) {
      EXPECT_TRUE(temp_name.match(t).hasMatch()) << t.toStdString();
      temp_left = true;
    }

    // The next start: whatever mix of old and new it finds, it loads it all
    // and its exit writes every file's new version; the leftovers are gone.
    const auto restarted = runs.run(folder);
    EXPECT_TRUE(exited_normally(restarted)) << describe_status(restarted);
    EXPECT_EQ(snapshot(folder + "/"), fresh);
    EXPECT_TRUE(temp_files(folder + "/").isEmpty()) << temp_files(folder + "/").join(' ').toStdString();
    QDir(folder).removeRecursively();
  }
  EXPECT_TRUE(temp_left) << "no kill fell between a temporary file and its rename";
  // The kills fell before, between and after the files: 0 to all but the
  // last one were new at some kill.
  for (std::size_t i = 0; i < rewritten.size(); ++i) EXPECT_TRUE(progress.count(i)) << i << " new files";
}

// What an interrupted save leaves is "<data file>.tmpXXXXXX"; only those
// plain files go, nothing that merely looks similar.
TEST(StaleTempFiles, OnlyTheLeftoversOfTheDataFilesAreRemoved) {
  TempDir dir;
  const QStringList gone = {"zarvel.ini.tmpAb12Cd", "send.txt.tmp000000", "zarvel.csv.bak.tmpzZ9aQx"};
  const QStringList kept = {
      "zarvel.ini.tmpAb12C", "zarvel.ini.tmpAb12Cd.x", "other.txt.tmpAbcdef", "send.txt.tmp12345_",
      "zarvel.ini",          "xzarvel.ini.tmpAbcdef",  "close.txt.tmp"};
  for (const QString& name : gone + kept) dir.write(name, "x");
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("signa1.txt.tmpAbcdef")));
  ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("zarvel.ini")), dir.file(QStringLiteral("signa2.txt.tmpAbcdef"))));
  remove_stale_temp_files(dir.path(),
                          {"zarvel.ini", "zarvel.csv.bak", "send.txt", "signa1.txt", "signa2.txt", "close.txt"});
  for (const QString& name : gone) EXPECT_FALSE(QFileInfo::exists(dir.file(name))) << name.toStdString();
  for (const QString& name : kept) EXPECT_TRUE(dir.exists(name)) << name.toStdString();
  EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("signa1.txt.tmpAbcdef"))).isDir());
  EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("signa2.txt.tmpAbcdef"))).isSymLink());
  // A folder that cannot be listed is no error.
  remove_stale_temp_files(dir.file(QStringLiteral("missing")), {"zarvel.ini"});
}

namespace {

// The start checks of a second copy, in a child process with its own
// environment (and user): 'R' refused as a second copy, 'S' started, 'E'
// another error.
char second_start(const QString& folder, const std::function<void()>& setup) {
  int out[2];
  if (::pipe(out) != 0) return '?';
  const pid_t pid = ::fork();
  if (pid == 0) {
    setup();
    const StartUp s = start_checks({folder}, QStringLiteral("/x/zarvel"));
    const char c = s.error.isEmpty() ? 'S' : s.error == QStringLiteral("zarvel はすでに起動しています。") ? 'R' : 'E';
    (void)!::write(out[1], &c, 1);
    ::_exit(0);
  }
  char c = '?';
  (void)!::read(out[0], &c, 1);
  ::waitpid(pid, nullptr, 0);
  ::close(out[0]);
  ::close(out[1]);
  return c;
}

}  // namespace

// The data folder has its own lock: a second copy is refused whatever its
// runtime folder, without one, and as another user of a shared folder; the
// lock goes with the first copy, even when it is killed.
TEST(OneCopyPerDataFolder, ASecondCopyIsRefusedWhateverItsEnvironment) {
  ProgramRuns runs;
  TempDir work;
  TempDir other_runtime;
  ::chmod(QFile::encodeName(work.path()).constData(), 0755);  // a folder shared with another user
  const QString folder = work.file(QStringLiteral("shared"));
  QDir().mkpath(folder);
  ::chmod(QFile::encodeName(folder).constData(), 0777);
  place(folder + "/", old_data_set());
  ChildProcess first({ZARVEL_PROGRAM, QFile::encodeName(folder).toStdString()}, runs.env());
  ASSERT_TRUE(first.wait_until_ready());
  const Snapshot before = snapshot(folder + "/");

  const std::string other = QFile::encodeName(other_runtime.path()).toStdString();
  EXPECT_EQ(second_start(folder, [&] { ::setenv("XDG_RUNTIME_DIR", other.c_str(), 1); }), 'R');
  TempDir tmp;  // where the per-user lock goes without a runtime folder
  const std::string tmp_path = QFile::encodeName(tmp.path()).toStdString();
  EXPECT_EQ(second_start(folder,
                         [&] {
                           ::unsetenv("XDG_RUNTIME_DIR");
                           ::setenv("TMPDIR", tmp_path.c_str(), 1);
                         }),
            'R');
  if (::geteuid() == 0) {
    TempDir nobody_runtime;
    const std::string runtime = QFile::encodeName(nobody_runtime.path()).toStdString();
    ASSERT_EQ(::chown(runtime.c_str(), 65534, 65534), 0);
    EXPECT_EQ(second_start(folder,
                           [&] {
                             ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
                             if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
                           }),
              'R');
  }
  EXPECT_EQ(snapshot(folder + "/"), before);

  first.signal(SIGKILL);
  EXPECT_TRUE(killed(first.wait()));
  EXPECT_EQ(second_start(folder, [&] { ::setenv("XDG_RUNTIME_DIR", other.c_str(), 1); }), 'S');
}

// The per-user lock is kept only in a folder that is the user's own and
// that nobody else may write; anywhere else it is not taken (and cannot be
// blocked), and the data folder's lock alone guards the start.
TEST(OneCopyPerUser, TheLockIsNeverKeptWhereOthersCanWrite) {
  TempDir runtime;
  ::chmod(QFile::encodeName(runtime.path()).constData(), 0777);
  TempDir data;
  const QString folder = data.file(QStringLiteral("d"));
  TempDir tmp;
  auto with_runtime = [&] {
    ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()).constData(), 1);
    ::setenv("TMPDIR", QFile::encodeName(tmp.path()).constData(), 1);
  };
  EXPECT_EQ(second_start(folder, with_runtime), 'S');
  EXPECT_FALSE(QFileInfo::exists(runtime.file(QStringLiteral("zarvel.lock"))));
  EXPECT_TRUE(QFileInfo::exists(tmp.file(QStringLiteral("zarvel-%1/zarvel.lock").arg(::getuid()))));
  ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
  EXPECT_EQ(second_start(folder, with_runtime), 'S');
  EXPECT_TRUE(QFileInfo::exists(runtime.file(QStringLiteral("zarvel.lock"))));
}

// The running program cannot be dumped (a core would hold the passwords):
// its /proc files belong to root although it runs as an ordinary user.
TEST(Dumpable, TheProgramIsNotDumpable) {
  if (::geteuid() == 0) GTEST_SKIP() << "needs an ordinary user: ctest runs it through tests/support/run_unprivileged";
  ProgramRuns runs;
  TempDir work;
  ChildProcess p({ZARVEL_PROGRAM, QFile::encodeName(work.file(QStringLiteral("data"))).toStdString()}, runs.env());
  ASSERT_TRUE(p.wait_until_ready());
  struct stat st {};
  ASSERT_EQ(::stat(("/proc/" + std::to_string(p.pid()) + "/status").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  p.signal(SIGTERM);
  EXPECT_TRUE(exited_normally(p.wait()));
}
