// The body's document layout: Qt's plain-text layout without its search for
// the widest paragraph. Qt walks every paragraph of the body whenever the
// widest one gets narrower (a Backspace at the end of the longest line), so
// such a key cost time in proportion to the body. A body wrapped at the
// window's width never scrolls sideways, so the widest paragraph is not
// needed; without wrapping, Qt's own layout does all the work.
#pragma once

#include <QPlainTextDocumentLayout>
#include <QTextCursor>

class QPlainTextEdit;

namespace zarvel {

class BodyLayout : public QPlainTextDocumentLayout {
 public:
  BodyLayout(QTextDocument* document, const QPlainTextEdit* view);

  QRectF blockBoundingRect(const QTextBlock& block) const override;

 protected:
  void documentChanged(int from, int chars_removed, int chars_added) override;

 private:
  bool wraps() const;
  void lay_out(const QTextBlock& block);
  void keep_glyphs(const QTextBlock& block);
  void size_changed();

  const QPlainTextEdit* view_;
  int block_count_ = 1;  // as Qt's layout last saw it
  bool telling_size_ = false;
  QTextCursor kept_;  // in the paragraph whose glyphs are kept, if any
};

// Gives `edit` a new, empty document laid out by BodyLayout. Called before
// anything holds the edit's document.
void use_body_layout(QPlainTextEdit* edit);

}  // namespace zarvel
