// A data folder with every data file in place (Japanese text, CP932, some
// files not yet in the form the program writes), and snapshots of the
// folder to compare runs byte for byte.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "support/history_bytes.h"
#include "support/sjis.h"
#include "text/cp932.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace zarvel::test {

// The data files by name.
inline const QString kIni = QStringLiteral("zarvel.ini");
inline const QString kCsv = QStringLiteral("zarvel.csv");
inline const QString kSend = QStringLiteral("send.txt");
inline const QString kClose = QStringLiteral("close.txt");
inline const QString kSigna1 = QStringLiteral("signa1.txt");
inline const QString kSigna2 = QStringLiteral("signa2.txt");
inline const QString kKaomoji = QStringLiteral("kaomoji.txt");

inline const std::vector<QString>& data_file_names() {
  static const std::vector<QString> names = {kIni, kCsv, kSend, kClose, kSigna1, kSigna2, kKaomoji};
  return names;
}

// A file's bytes, or nullopt when there is no file.
using Snapshot = std::map<QString, std::optional<std::string>>;

inline std::optional<std::string> read_bytes(const QString& path) {
  QFile f(path);
  if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray b = f.readAll();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

inline void write_bytes(const QString& path, const std::string& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      f.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
    throw std::runtime_error("cannot write test file " + path.toStdString());
}

// `folder` ends with "/".
inline Snapshot snapshot(const QString& folder) {
  Snapshot s;
  for (const QString& name : data_file_names()) s[name] = read_bytes(folder + name);
  return s;
}

inline void place(const QString& folder, const Snapshot& files) {
  for (const auto& [name, bytes] : files)
    if (bytes) write_bytes(folder + name, *bytes);
}

// Names in the folder left by an interrupted write.
inline QStringList temp_files(const QString& folder) {
  QStringList out;
  for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
    if (name.contains(QStringLiteral(".tmp"))) out << name;
  return out;
}

// Every data file as an earlier run (or an older version) left it. The
// settings limit the history to two entries, so the exit drops the oldest
// of the three; the address book and the first signature have LF line
// ends and the second signature lacks its final line break, which an exit
// that changes them puts right (one that does not leaves them alone).
inline Snapshot old_data_set() {
  const Bytes time = sj(u"25/01/02(木) 09:05:03");
  const std::vector<HistoryEntry> history = {
      {sj(u"山田太郎"), sj(u"新年会"), time, sj(u"こんにちは。\r\n来週の新年会の件です。")},
      {sj(u"佐藤花子"), sj(u"（件名なし）"), time, sj(u"ﾃｽﾄ①\r\n")},
      {"old", "oldest", time, "the oldest entry\r\n"},
  };
  Snapshot s;
  s[QStringLiteral("zarvel.ini")] =
      "[Options]\r\nsend_max=2\r\n[Server]\r\nsmtp_server=smtp.example.jp\r\n"
      "mail_address=taro@example.jp\r\naccount=" +
      sj(u"山田") + "\r\n";
  s[QStringLiteral("zarvel.csv")] = sj(u"山田太郎,taro@example.jp\n佐藤　花子,hanako@example.jp\n");
  s[QStringLiteral("send.txt")] = history_bytes(history);
  s[QStringLiteral("close.txt")] = sj(u"前回の件名\r\n前回の本文\r\n二行目");
  s[QStringLiteral("signa1.txt")] = sj(u"--\n山田太郎");
  s[QStringLiteral("signa2.txt")] = sj(u"署名その二");
  s[QStringLiteral("kaomoji.txt")] = sj(u"(^_^)\r\nよろしくお願いします。\r\n");
  return s;
}

}  // namespace zarvel::test
