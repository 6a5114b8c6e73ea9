// Whole-file reads and atomic whole-file writes of the data files.
#pragma once

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "text/cp932.h"

namespace zarvel {

// An error meant for the user: its message (UTF-8) is shown as it stands by
// the application-wide error handler.
class AppError : public std::runtime_error {
 public:
  explicit AppError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString message() const { return QString::fromUtf8(what()); }
};

bool file_exists(const QString& path);

// The size of a regular file, or -1 (no file, or not a regular one).
std::int64_t file_size(const QString& path);

// The whole file, or nullopt when it does not exist. A file that exists but
// cannot be read throws AppError "<path> を開けません".
std::optional<Bytes> read_file(const QString& path);

// Replaces the file whole: the bytes go to a temporary file in the same
// folder, which is synced and renamed over the old one, so a failure or a
// kill at any moment leaves either the old or the new file. With
// `owner_only` the file is 0600 afterwards, whatever it was; otherwise a
// replaced file keeps its mode, with read and write for its owner added,
// and a new one (or one that replaces a symlink) gets the usual mode.
// Throws AppError "<path> に書き込めません" and leaves the old file as it was.
void write_file_atomic(const QString& path, std::string_view bytes, bool owner_only = false);

// "<path> に書き込めません"
QString cannot_write_message(const QString& path);

// Removes what a write cut short by a crash or a kill left in `folder`: the
// temporary files "<name>.tmpXXXXXX" of these file names. Call it only when
// no write can be under way. Anything that cannot be removed stays.
void remove_stale_temp_files(const QString& folder, std::initializer_list<std::string_view> names);

}  // namespace zarvel
