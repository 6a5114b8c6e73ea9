#include "compose/widget_body_counter.h"

#include <QTextBlock>
#include <QTextDocument>

#include "text/cp932.h"

namespace zarvel {
namespace {
constexpr int kUnknown = -1;
}

BodyCounter::BodyCounter(QTextDocument* doc) : QObject(doc), doc_(doc) {
  for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) b.setUserState(kUnknown);
  connect(doc_, &QTextDocument::contentsChange, this, &BodyCounter::changed);
}

void BodyCounter::changed(int pos, int, int added) {
  QTextBlock last = doc_->findBlock(pos + added);
  for (QTextBlock b = doc_->findBlock(pos); b.isValid(); b = b.next()) {
    b.setUserState(kUnknown);
    if (b == last) break;
  }
  dirty_ = true;
}

std::size_t BodyCounter::bytes() {
  if (!dirty_) return total_;
  std::size_t total = 0;
  int blocks = 0;
  for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next(), ++blocks) {
    int n = b.userState();
    if (n < 0) {
      n = static_cast<int>(cp932_length(b.text()));
      b.setUserState(n);
    }
    total += static_cast<std::size_t>(n);
  }
  if (blocks > 1) total += 2 * static_cast<std::size_t>(blocks - 1);  // CR LF between paragraphs
  total_ = total;
  dirty_ = false;
  return total_;
}

}  // namespace zarvel
