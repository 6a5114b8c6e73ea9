// The body's length in CP932 bytes with CR LF line ends, kept up to date
// per edit: each paragraph keeps its own count, and an edit recounts only
// the paragraphs it touched, so a keystroke in a long body costs little.
#pragma once

#include <QObject>

#include <cstddef>

class QTextDocument;

namespace zarvel {

class BodyCounter : public QObject {
 public:
  explicit BodyCounter(QTextDocument* doc);
  std::size_t bytes();

 private:
  void changed(int pos, int removed, int added);
  QTextDocument* doc_;
  std::size_t total_ = 0;
  bool dirty_ = true;
};

}  // namespace zarvel
