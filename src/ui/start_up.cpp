#include "ui/start_up.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/single_instance.h"

namespace zarvel {

QStringList program_arguments(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

StartUp settle_start(const QStringList& args, const QString& program_file) {
  StartUp s;
  const QFileInfo program(program_file);
  s.options.help_file = program.absolutePath() + QLatin1Char('/') + program.completeBaseName() + QStringLiteral(".hlp");
  QStringList given;
  for (const QString& a : args)
    if (!a.isEmpty()) given << a;
  if (given.size() >= 2) {
    s.error = QStringLiteral("パラメータが間違っています");
    return s;
  }
  if (given.isEmpty()) {
    s.options.data_folder = program.absolutePath() + QLatin1Char('/');
    return s;
  }
  const QString folder = given.first();
  if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
    s.error = QStringLiteral("フォルダを作成出来ません！");
    return s;
  }
  s.options.data_folder = folder + QLatin1Char('/');  // appended even when it already ends with one
  return s;
}

}  // namespace zarvel

namespace zarvel {

StartUp start_checks(const QStringList& args, const QString& program_file) {
  if (!acquire_single_instance("zarvel")) {
    StartUp s;
    s.error = QStringLiteral("zarvel はすでに起動しています。");
    return s;
  }
  StartUp s = settle_start(args, program_file);
  // One data folder, one program, whatever the other copy's environment.
  if (s.error.isEmpty() && !acquire_data_folder_lock(QFile::encodeName(s.options.data_folder).toStdString()))
    s.error = QStringLiteral("zarvel はすでに起動しています。");
  return s;
}

}  // namespace zarvel
