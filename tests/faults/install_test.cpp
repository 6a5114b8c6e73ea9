// The installed program: where its files go, a menu entry that
// desktop-file-validate accepts, and a launcher that keeps the user's data
// in the user's own folder, never in the program's.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "child_process.h"
#include "data_set.h"
#include "support/temp_dir.h"

using namespace zarvel::test;

namespace {

bool exited_normally(const std::optional<int>& status) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

std::string path_of(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Installs the build into `prefix` (under `destdir` when one is given).
void install(const QString& prefix, const QString& destdir = {}) {
  std::vector<std::string> env;
  env.push_back(destdir.isEmpty() ? "DESTDIR" : "DESTDIR=" + path_of(destdir));
  std::string output;
  const auto status =
      run_to_end({ZARVEL_CMAKE, "--install", ZARVEL_BUILD_DIR, "--prefix", path_of(prefix)}, env, &output);
  ASSERT_TRUE(exited_normally(status)) << describe_status(status) << "\n" << output;
}

bool executable(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) == 0111;
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Starts the launcher the way the menu does, ends it as the session does,
// and returns how it ended.
std::optional<int> launch(const QString& launcher, const std::vector<std::string>& args, std::vector<std::string> env) {
  std::vector<std::string> argv{path_of(launcher)};
  argv.insert(argv.end(), args.begin(), args.end());
  env.push_back("QT_QPA_PLATFORM=offscreen");
  ChildProcess p(argv, env);
  if (!p.wait_until_ready()) {
    ADD_FAILURE() << "the program never got ready: " << describe_status(p.wait(std::chrono::seconds(5)));
    return std::nullopt;
  }
  p.signal(SIGTERM);
  return p.wait();
}

}  // namespace

TEST(Install, PutsEachFileInItsPlaceWithAValidMenuEntry) {
  TempDir dir;
  const QString prefix = dir.file(QStringLiteral("prefix"));
  ASSERT_NO_FATAL_FAILURE(install(prefix));
  EXPECT_TRUE(executable(prefix + "/bin/zarvel"));
  EXPECT_TRUE(executable(prefix + "/lib/zarvel/zarvel"));
  // The help file is the program file's path with ".hlp".
  EXPECT_EQ(read_bytes(prefix + "/lib/zarvel/zarvel.hlp"),
            read_bytes(QStringLiteral(ZARVEL_SOURCE_DIR "/resources/help/zarvel.html")));
  EXPECT_EQ(read_bytes(prefix + "/share/icons/hicolor/scalable/apps/zarvel.svg"),
            read_bytes(QStringLiteral(ZARVEL_SOURCE_DIR "/resources/icons/zarvel.svg")));

  const QString entry = prefix + "/share/applications/zarvel.desktop";
  std::string output;
  const auto status = run_to_end({"desktop-file-validate", path_of(entry)}, {}, &output);
  EXPECT_TRUE(exited_normally(status)) << describe_status(status) << "\n" << output;
  EXPECT_EQ(output, "");  // not even a warning or a hint
  const std::string text = read_bytes(entry).value_or("");
  for (const std::string& line : std::vector<std::string>{"Name=zarvel", "Icon=zarvel", "Categories=Network;Email;",
                                                          "Terminal=false", "Exec=" + path_of(prefix) + "/bin/zarvel"})
    EXPECT_NE(text.find("\n" + line + "\n"), std::string::npos) << line;
}

// Staged under DESTDIR, the launcher and the menu entry still name the
// files by their final places.
TEST(Install, AStagedInstallNamesTheFinalPlaces) {
  TempDir dir;
  const QString stage = dir.file(QStringLiteral("stage"));
  ASSERT_NO_FATAL_FAILURE(install(QStringLiteral("/opt/zarvel-staged"), stage));
  const std::string launcher = read_bytes(stage + "/opt/zarvel-staged/bin/zarvel").value_or("");
  EXPECT_NE(launcher.find("'/opt/zarvel-staged/lib/zarvel/zarvel'"), std::string::npos) << launcher;
  EXPECT_EQ(launcher.find(path_of(stage)), std::string::npos);
  const std::string entry = read_bytes(stage + "/opt/zarvel-staged/share/applications/zarvel.desktop").value_or("");
  EXPECT_NE(entry.find("\nExec=/opt/zarvel-staged/bin/zarvel\n"), std::string::npos) << entry;
  EXPECT_TRUE(QFileInfo::exists(stage + "/opt/zarvel-staged/lib/zarvel/zarvel.hlp"));
}

// The program's folder is not the user's: started from the menu it keeps
// its data in ~/.local/share/zarvel (or $XDG_DATA_HOME/zarvel), and one
// folder named on the command line is used instead.
TEST(Install, TheLauncherKeepsTheDataInTheUsersOwnFolder) {
  TempDir dir;
  const QString prefix = dir.file(QStringLiteral("prefix"));
  ASSERT_NO_FATAL_FAILURE(install(prefix));
  const QString launcher = prefix + "/bin/zarvel";
  const QString home = dir.file(QStringLiteral("home"));
  const QString runtime = dir.file(QStringLiteral("runtime"));
  ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(runtime));
  QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const std::vector<std::string> session = {"HOME=" + path_of(home), "XDG_RUNTIME_DIR=" + path_of(runtime)};
  auto with = [&](std::vector<std::string> more) {
    more.insert(more.end(), session.begin(), session.end());
    return more;
  };
  auto holds_data = [](const QString& folder) {
    return QFileInfo::exists(folder + "/zarvel.ini") && QFileInfo::exists(folder + "/signa1.txt");
  };

  auto status = launch(launcher, {}, with({"XDG_DATA_HOME"}));
  EXPECT_TRUE(exited_normally(status)) << describe_status(status);
  EXPECT_TRUE(holds_data(home + "/.local/share/zarvel"));

  status = launch(launcher, {""}, with({"XDG_DATA_HOME=relative/is/ignored"}));  // an empty argument is none
  EXPECT_TRUE(exited_normally(status)) << describe_status(status);
  EXPECT_FALSE(QFileInfo::exists(QStringLiteral("relative")));

  const QString xdg = dir.file(QStringLiteral("xdg data"));
  status = launch(launcher, {}, with({"XDG_DATA_HOME=" + path_of(xdg)}));
  EXPECT_TRUE(exited_normally(status)) << describe_status(status);
  EXPECT_TRUE(holds_data(xdg + "/zarvel"));

  const QString named = dir.file(QStringLiteral("名前のある フォルダ"));
  status = launch(launcher, {path_of(named)}, with({"XDG_DATA_HOME"}));
  EXPECT_TRUE(exited_normally(status)) << describe_status(status);
  EXPECT_TRUE(holds_data(named));

  EXPECT_EQ(entries(prefix + "/lib/zarvel"), (QStringList{"zarvel", "zarvel.hlp"}));
  EXPECT_EQ(entries(home), QStringList{".local"});
}

// What software centres and `man` read: the AppStream entry validates and
// names the installed menu entry, both manual pages render without a
// warning, and all of them carry the version the package is built as.
TEST(Install, TheSoftwareCentreEntryAndTheManualPagesAreValid) {
  TempDir dir;
  const QString prefix = dir.file(QStringLiteral("prefix"));
  ASSERT_NO_FATAL_FAILURE(install(prefix));
  const std::string changelog = read_bytes(QStringLiteral(ZARVEL_SOURCE_DIR "/debian/changelog")).value_or("");
  ASSERT_EQ(changelog.rfind("zarvel (", 0), 0u) << changelog;
  const std::string version = changelog.substr(8, changelog.find(')') - 8);

  const QString metainfo = prefix + "/share/metainfo/jp.example.zarvel.metainfo.xml";
  std::string output;
  auto status = run_to_end({"appstreamcli", "validate", "--no-net", path_of(metainfo)}, {}, &output);
  EXPECT_TRUE(exited_normally(status)) << describe_status(status) << "\n" << output;
  const std::string entry = read_bytes(metainfo).value_or("");
  EXPECT_NE(entry.find("<launchable type=\"desktop-id\">zarvel.desktop</launchable>"), std::string::npos);
  EXPECT_TRUE(QFileInfo::exists(prefix + "/share/applications/zarvel.desktop"));
  EXPECT_NE(entry.find("<release version=\"" + version + "\""), std::string::npos) << version;
  EXPECT_NE(entry.find("<summary xml:lang=\"ja\">"), std::string::npos);

  const std::vector<std::string> locale = {"LC_ALL=C.UTF-8", "MANWIDTH=80", "MANPAGER", "PAGER"};
  for (const QString& page : {prefix + "/share/man/man1/zarvel.1", prefix + "/share/man/ja/man1/zarvel.1"}) {
    SCOPED_TRACE(path_of(page));
    EXPECT_NE(read_bytes(page).value_or("").find("\"zarvel " + version + "\""), std::string::npos) << version;
    status = run_to_end({"man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", path_of(page)}, locale, &output);
    EXPECT_TRUE(exited_normally(status)) << describe_status(status);
    // -Z leaves troff's output, which holds no warnings.
    EXPECT_EQ(output.find("warning"), std::string::npos) << output;
    status = run_to_end({"man", "-l", path_of(page)}, locale, &output);
    EXPECT_TRUE(exited_normally(status)) << describe_status(status) << "\n" << output;
    EXPECT_NE(output.find("~/.local/share/zarvel"), std::string::npos) << output;
  }
  EXPECT_NE(output.find("データフォルダ"), std::string::npos) << output;  // the Japanese page, rendered
}
