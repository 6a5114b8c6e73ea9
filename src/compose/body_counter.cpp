#include "compose/body_counter.h"

#include <QTextBlock>
#include <QTextDocument>

#include "text/cp932.h"

namespace zarvel {

BodyCounter::BodyCounter(QTextDocument* doc) : QObject(doc), doc_(doc) {
  recount();
  connect(doc_, &QTextDocument::contentsChange, this, &BodyCounter::changed);
}

void BodyCounter::recount() {
  blocks_.clear();
  blocks_.reserve(static_cast<std::size_t>(doc_->blockCount()));
  sum_ = 0;
  for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
    blocks_.push_back(cp932_length(b.text()));
    sum_ += blocks_.back();
  }
}

// The change replaced the old paragraphs from the one holding `pos` to the
// one holding pos + removed by the new ones from `pos` to pos + added; the
// paragraphs before and after are the same, only renumbered.
void BodyCounter::changed(int pos, int, int added) {
  const QTextBlock first = doc_->findBlock(pos);
  QTextBlock last = doc_->findBlock(pos + added);
  if (!last.isValid()) last = doc_->lastBlock();
  const std::size_t new_count = static_cast<std::size_t>(doc_->blockCount());
  if (!first.isValid() || blocks_.empty() || last.blockNumber() < first.blockNumber()) {
    recount();
    return;
  }
  const std::size_t from = static_cast<std::size_t>(first.blockNumber());
  const std::size_t touched_new = static_cast<std::size_t>(last.blockNumber()) - from + 1;
  // How many old paragraphs the change covered: the same tail follows both.
  const std::ptrdiff_t touched_old = static_cast<std::ptrdiff_t>(touched_new) +
                                     static_cast<std::ptrdiff_t>(blocks_.size()) -
                                     static_cast<std::ptrdiff_t>(new_count);
  if (touched_old < 1 || from + static_cast<std::size_t>(touched_old) > blocks_.size()) {
    recount();  // not a change this rule can follow
    return;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(touched_old); ++i) sum_ -= blocks_[from + i];
  const auto at = blocks_.begin() + static_cast<std::ptrdiff_t>(from);
  if (static_cast<std::size_t>(touched_old) > touched_new)
    blocks_.erase(at, at + (touched_old - static_cast<std::ptrdiff_t>(touched_new)));
  else if (touched_new > static_cast<std::size_t>(touched_old))
    blocks_.insert(at, touched_new - static_cast<std::size_t>(touched_old), 0);
  QTextBlock b = first;
  for (std::size_t i = 0; i < touched_new; ++i, b = b.next()) {
    blocks_[from + i] = cp932_length(b.text());
    sum_ += blocks_[from + i];
  }
}

}  // namespace zarvel
