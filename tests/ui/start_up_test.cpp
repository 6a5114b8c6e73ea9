#include "ui/start_up.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "platform/single_instance.h"
#include "support/temp_dir.h"

using namespace zarvel;
using zarvel::test::TempDir;

TEST(StartUp, DataFolderFromTheArgumentsIsCreatedWithItsParents) {
  TempDir dir;
  const QString folder = dir.file(QStringLiteral("a/b/c"));
  StartUp s = settle_start({folder}, QStringLiteral("/opt/zarvel/bin/zarvel"));
  EXPECT_TRUE(s.error.isEmpty());
  EXPECT_EQ(s.options.data_folder, folder + "/");
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(s.options.help_file, QStringLiteral("/opt/zarvel/bin/zarvel.hlp"));
  // The separator is appended even when the argument ends with one.
  EXPECT_EQ(settle_start({folder + "/"}, "/x/zarvel").options.data_folder, folder + "//");
}

TEST(StartUp, NoArgumentMeansTheProgramFolderAndEmptyArgumentsCountAsNone) {
  EXPECT_EQ(settle_start({}, "/opt/z/zarvel").options.data_folder, QStringLiteral("/opt/z/"));
  EXPECT_EQ(settle_start({QString(), QString()}, "/opt/z/zarvel").options.data_folder, QStringLiteral("/opt/z/"));
}

TEST(StartUp, TwoArgumentsOrAnUncreatableFolderStopTheStart) {
  TempDir dir;
  EXPECT_EQ(settle_start({dir.file("a"), dir.file("b")}, "/x/zarvel").error,
            QStringLiteral("パラメータが間違っています"));
  EXPECT_FALSE(QFileInfo::exists(dir.file("a")));
  dir.write("file", "x");  // a file where a folder should be
  EXPECT_EQ(settle_start({dir.file("file/sub")}, "/x/zarvel").error, QStringLiteral("フォルダを作成出来ません！"));
  EXPECT_EQ(settle_start({dir.file("file")}, "/x/zarvel").error, QStringLiteral("フォルダを作成出来ません！"));
}

TEST(StartUp, ASecondCopyIsRefusedBeforeAnythingIsTouched) {
  TempDir runtime;
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t first = fork();
  if (first == 0) {
    // The first copy: takes the lock and keeps it until killed.
    char ok = acquire_single_instance("zarvel") ? '1' : '0';
    (void)!write(ready[1], &ok, 1);
    pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, '1');
  TempDir data;
  const QString folder = data.file("new");
  StartUp s = start_checks({folder}, "/x/zarvel");
  EXPECT_EQ(s.error, QStringLiteral("zarvel はすでに起動しています。"));
  EXPECT_FALSE(QFileInfo::exists(folder));  // not even the folder was made
  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
  // The lock goes with the process that held it, even when it was killed.
  EXPECT_TRUE(start_checks({folder}, "/x/zarvel").error.isEmpty());
  close(ready[0]);
  close(ready[1]);
}
