// The real program as a process. Ended by the session (SIGTERM, SIGHUP) it
// saves everything and exits normally; killed at any step of its saves,
// every data file is whole in its old or its new version, and the next
// start clears what the kill left behind and loads everything.
#include <gtest/gtest.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <set>

#include "app/file_io.h"
#include "child_process.h"
#include "data_set.h"
#include "support/temp_dir.h"

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
  // Everything but the kept message (the fields were empty) and the palette
  // texts (the palette was shut) is written in a new form.
  ASSERT_EQ(rewritten.size(), data_file_names().size() - 2);
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
