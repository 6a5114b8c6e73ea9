// The body's length in CP932 bytes with CR LF line ends, kept as a running
// total: each change of the document replaces the counts of the paragraphs
// it touched, so a keystroke costs the same in a long body as in a short one.
#pragma once

#include <QObject>
#include <cstddef>
#include <vector>

class QTextDocument;

namespace zarvel {

class BodyCounter : public QObject {
 public:
  explicit BodyCounter(QTextDocument* doc);
  std::size_t bytes() const { return sum_ + 2 * (blocks_.size() - 1); }  // CR LF between paragraphs
  // Counts the whole document again (a new document).
  void recount();

 private:
  void changed(int pos, int removed, int added);
  QTextDocument* doc_;
  // Bytes of each paragraph, by block number, without its line break.
  // The removed text is gone when the change is reported: what it counted
  // is still here.
  std::vector<std::size_t> blocks_;
  std::size_t sum_ = 0;  // of blocks_
};

}  // namespace zarvel
