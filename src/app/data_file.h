// The one policy for the data files: how a file is loaded and what became
// of it, when it is written again, and how a file that did not load whole
// is kept as "<name>.bak" before that write.
#pragma once

#include <QString>
#include <cstddef>
#include <future>
#include <optional>
#include <string_view>

#include "text/cp932.h"

namespace zarvel {

// What each data file's format takes.
struct DataFileKind {
  bool lone_cr_line_ends;  // a lone CR ends a line (else only LF and CR LF)
  std::size_t max_size;    // bytes; larger files are not loaded (0: no limit)
  std::size_t max_line;    // bytes; a longer line keeps the file from loading (0: no limit)
  bool owner_only;         // readable by its owner only, after every save
  // Every byte must be CP932: the program decodes the text and writes it
  // back from its decoded form. The address book and the history keep and
  // write their files' bytes as they are, so there only other encodings
  // (byte order marks, UTF-8, NULs) count.
  bool cp932_only;
};

inline constexpr std::size_t kSmallFileLimit = 1024 * 1024;
inline constexpr std::size_t kLineLimit = 64 * 1024;

inline constexpr DataFileKind kSettingsFile{true, kSmallFileLimit, 0, true, true};
inline constexpr DataFileKind kAddressBookFile{false, 0, 0, false, false};
inline constexpr DataFileKind kHistoryFile{false, 0, 0, false, false};
inline constexpr DataFileKind kTextFile{true, kSmallFileLimit, kLineLimit, false,
                                        true};  // signatures, palette, kept message

enum class FileState {
  Missing,     // no such file: each file has its default
  Whole,       // read as its format has it
  Malformed,   // a line stopped the reading; what came before it was loaded
  Foreign,     // not in the expected form (see FormProblem); loaded as far as it goes
  TooLarge,    // over a limit of its kind: not loaded
  Unreadable,  // there, but it cannot be read (a folder, its mode)
};

// Why a file is not in the expected form.
enum class FormProblem {
  None,
  Utf16,     // a UTF-16 byte order mark
  Utf8,      // a UTF-8 byte order mark, or UTF-8 text
  Nul,       // NUL bytes
  NotCp932,  // bytes that are no CP932 character
  LineEnds,  // a lone CR where the format takes only LF and CR LF
  NoRecord,  // nothing of the format in it (set by the file's reader)
  Size,      // larger than the kind allows
  LongLine,  // a line longer than the kind allows
};

struct LoadedFile {
  FileState state = FileState::Missing;
  FormProblem problem = FormProblem::None;
  Bytes bytes;    // Whole, Foreign: the contents; a lone CR is CR LF here when the kind takes none
  QString error;  // Unreadable: the message to report
  bool has_contents() const { return state == FileState::Whole || state == FileState::Foreign; }
};

// What is wrong with the form of these bytes, for a file of `kind`.
FormProblem form_problem(std::string_view bytes, const DataFileKind& kind);

// Reads the file at `path` and sorts it.
LoadedFile load_data_file(const QString& path, const DataFileKind& kind);

// The message the user is shown once at start for a file that did not load
// whole, when its format has no message of its own; empty when it did.
QString load_message(const QString& path, FileState state, FormProblem problem);

// Keeps the file at `path` as "<path>.bak", replacing an older one: a second
// name for the same bytes where the file system allows it, else a copy, else
// (unreadable) the file itself moved. Nothing when there is no file. Throws
// AppError "<path>.bak に書き込めません".
void keep_backup(const QString& path, bool owner_only);

// What tells one version of a file from another.
struct FileStamp {
  bool exists = false;
  unsigned long long device = 0, inode = 0, size = 0, modified_ns = 0, changed_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// A file read ahead, with its stamp before and after the read.
struct PrefetchedFile {
  FileStamp before, after;
  LoadedFile file;
};

// One data file through a run: how it loaded, whether what the program
// holds of it has changed since, and its write.
class DataFile {
 public:
  DataFile(QString path, const DataFileKind& kind) : path_(std::move(path)), kind_(kind) {}

  const QString& path() const { return path_; }
  // Starts reading the file on another thread, for a load() to come: a
  // large file is then read while the windows are built. A small or missing
  // one is left to load(), which costs less than a thread. What load()
  // gives is still the file as it is when load() is called: one changed in
  // between is read again.
  void prefetch();
  bool reading_ahead() const { return prefetched_.valid(); }
  // Reads the file and notes how it loaded. Whether that already counts as
  // a change (a file to create, entries dropped) is the owner's call:
  // mark_changed(). A file the run does not change is never written again,
  // in whatever form the user left it.
  LoadedFile load();
  FileState state() const { return state_; }
  // The reader's verdict on a file it could not read to the end, or that
  // held nothing of its format.
  void set_state(FileState state, FormProblem problem = FormProblem::None);
  FormProblem problem() const { return problem_; }

  void mark_changed() { changed_ = true; }
  bool changed() const { return changed_; }

  // Replaces the file with `bytes`, atomically. A file that did not load
  // whole is first kept as "<path>.bak", once a run. Afterwards the file is
  // whole and unchanged. Throws AppError.
  void save(std::string_view bytes);

 private:
  QString path_;
  DataFileKind kind_;
  FileState state_ = FileState::Missing;
  FormProblem problem_ = FormProblem::None;
  bool changed_ = false;
  // The read ahead, if it ran and the file has not changed since.
  std::optional<LoadedFile> take_prefetched();
  std::future<PrefetchedFile> prefetched_;  // its end waits for the read
};

// Whether a file in this state is kept as "<name>.bak" before its first
// write of the run.
bool needs_backup(FileState state);

// keep_backup() for a file that did not load whole, at most once a run for
// each path, so that a later write of the same run (another window's, a
// second close) never replaces the original in the backup.
void keep_backup_once(const QString& path, bool owner_only);
// A new run: every file may be backed up again.
void forget_backups();

}  // namespace zarvel
