#include "ui/widget_body_layout.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <climits>
#include <cmath>

namespace zarvel {

BodyLayout::BodyLayout(QTextDocument* document, const QPlainTextEdit* view)
    : QPlainTextDocumentLayout(document), view_(view), block_count_(document->blockCount()) {}

bool BodyLayout::wraps() const {
  return view_->lineWrapMode() == QPlainTextEdit::WidgetWidth &&
         document()->defaultTextOption().wrapMode() != QTextOption::NoWrap;
}

QRectF BodyLayout::blockBoundingRect(const QTextBlock& block) const {
  if (block.isValid() && block.layout()->lineCount() == 0 && wraps()) const_cast<BodyLayout*>(this)->lay_out(block);
  return QPlainTextDocumentLayout::blockBoundingRect(block);
}

void BodyLayout::documentChanged(int from, int chars_removed, int chars_added) {
  QTextDocument* doc = document();
  if (wraps() && doc->blockCount() == block_count_) {
    // A change within one paragraph: the same steps as Qt's layout, through
    // lay_out.
    const QTextBlock block = doc->findBlock(from);
    const QTextBlock end = doc->findBlock(std::max(0, from + chars_removed + chars_added - 1));
    if (block == end && block.isValid() && block.length() > 0) {
      const qreal old_height = blockBoundingRect(block).height();
      keep_glyphs(block);
      lay_out(block);
      if (blockBoundingRect(block).height() == old_height)
        emit updateBlock(block);
      else
        emit update(QRectF(0., -doc->documentMargin(), 1000000000., 1000000000.));
      return;
    }
  }
  QPlainTextDocumentLayout::documentChanged(from, chars_removed, chars_added);
  block_count_ = doc->blockCount();
}

// Qt's line breaking at the width Qt's layout is given (the viewport's), with
// the paragraph's line count kept in the document; only the widest-paragraph
// bookkeeping is left out.
void BodyLayout::lay_out(const QTextBlock& block) {
  QTextDocument* doc = document();
  const qreal margin = doc->documentMargin();
  QTextLayout* layout = block.layout();
  const QTextOption option = doc->defaultTextOption();
  layout->setTextOption(option);
  int extra_margin = 0;
  if (option.flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
    extra_margin = QFontMetrics(block.charFormat().font()).horizontalAdvance(QChar(0x21B5));
  qreal width = view_->viewport()->width();
  if (width <= 0) width = qreal(INT_MAX);
  width -= 2 * margin + extra_margin;

  qreal height = 0;
  layout->beginLayout();
  for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
    line.setLeadingIncluded(true);
    line.setLineWidth(width);
    line.setPosition(QPointF(margin, height));
    height += line.height();
    if (line.leading() < 0) height += std::ceil(line.leading());
  }
  layout->endLayout();

  const int lines_before = doc->lineCount();
  const_cast<QTextBlock&>(block).setLineCount(block.isVisible() ? layout->lineCount() : 0);
  if (doc->lineCount() != lines_before) size_changed();
}

// The paragraph being typed in keeps the glyphs its layout has just shaped,
// so that the repaint after each key does not shape it again; the one typed
// in before gives them up at its next paint. A long paragraph is shaped
// twice: its glyphs would take a lot of memory.
void BodyLayout::keep_glyphs(const QTextBlock& block) {
  constexpr int kLongest = 4096;
  if (!kept_.isNull()) {
    const QTextBlock before = kept_.block();
    if (before != block) {
      if (before.isValid()) before.layout()->setCacheEnabled(false);
      kept_ = QTextCursor();
    }
  }
  if (kept_.isNull()) {
    // At the paragraph's start, and staying there when text is put in
    // before it: the cursor stays in the paragraph whose glyphs it marks.
    kept_ = QTextCursor(block);
    kept_.setKeepPositionOnInsert(true);
  }
  block.layout()->setCacheEnabled(block.length() <= kLongest);
}

// The view measures the document again on this signal, which can lay out
// further paragraphs; they do not tell it again while it measures.
void BodyLayout::size_changed() {
  if (telling_size_) return;
  telling_size_ = true;
  emit documentSizeChanged(documentSize());
  telling_size_ = false;
}

void use_body_layout(QPlainTextEdit* edit) {
  auto* doc = new QTextDocument(edit);
  doc->setDocumentLayout(new BodyLayout(doc, edit));
  doc->setDefaultFont(edit->font());
  edit->setDocument(doc);
}

}  // namespace zarvel
