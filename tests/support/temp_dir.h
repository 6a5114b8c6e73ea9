// A temporary folder for one test, removed with everything in it.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

namespace zarvel::test {

class TempDir {
 public:
  TempDir() : dir_(QDir::tempPath() + QStringLiteral("/zarvel-test-XXXXXX")) {}
  // The folder's path, ending with "/".
  QString path() const { return dir_.path() + QLatin1Char('/'); }
  QString file(const QString& name) const { return path() + name; }

  void write(const QString& name, const std::string& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write test file");
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  // A file that is missing or cannot be read fails the test, so that a
  // comparison with "" cannot pass for a deleted file.
  std::string read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly)) {
      ADD_FAILURE() << "cannot read " << file(name).toStdString();
      return {};
    }
    QByteArray b = f.readAll();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
  }
  // For files that may rightly be missing, such as a server's log.
  std::string read_if_present(const QString& name) const { return exists(name) ? read(name) : std::string(); }
  bool exists(const QString& name) const { return QFile::exists(file(name)); }

 private:
  QTemporaryDir dir_;
};

}  // namespace zarvel::test
