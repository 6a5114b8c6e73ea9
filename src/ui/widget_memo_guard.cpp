#include "ui/widget_memo_guard.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <limits>

#include "text/cp932.h"

namespace zarvel {
namespace {

// The stretch changed since the last clean-up, fixed after the change has
// settled (the document must not be edited inside its own change signal).
class Guard : public QObject {
 public:
  explicit Guard(QPlainTextEdit* edit) : QObject(edit), doc_(edit->document()) {
    connect(doc_, &QTextDocument::contentsChange, this, &Guard::changed);
  }

 private:
  void changed(int pos, int, int added) {
    if (added <= 0 || fixing_) return;
    lo_ = std::min(lo_, pos);
    hi_ = std::max(hi_, pos + added);
    if (!queued_) {
      queued_ = true;
      QMetaObject::invokeMethod(this, &Guard::fix, Qt::QueuedConnection);
    }
  }

  void fix() {
    queued_ = false;
    const int lo = lo_, hi = hi_;
    lo_ = std::numeric_limits<int>::max();
    hi_ = -1;
    if (hi < 0) return;
    fixing_ = true;
    QTextCursor edit_cursor(doc_);
    bool open = false;
    for (QTextBlock block = doc_->findBlock(std::max(0, lo)); block.isValid() && block.position() <= hi;
         block = block.next()) {
      const QString text = block.text();
      // Right to left, so earlier positions stay valid while fixing.
      for (qsizetype i = text.size() - 1; i >= 0; --i) {
        qsizetype start = i;
        if (i > 0 && text.at(i).isLowSurrogate() && text.at(i - 1).isHighSurrogate()) start = i - 1;
        int units = 0;
        const char16_t to = cp932_fix_at(text, start, &units);
        if (to == 0) {
          i = start;
          continue;
        }
        if (!open) {
          edit_cursor.beginEditBlock();
          open = true;
        }
        edit_cursor.setPosition(block.position() + static_cast<int>(start));
        edit_cursor.setPosition(block.position() + static_cast<int>(start) + units, QTextCursor::KeepAnchor);
        edit_cursor.insertText(QString(QChar(to)));
        i = start;
      }
    }
    if (open) edit_cursor.endEditBlock();
    fixing_ = false;
  }

  QTextDocument* doc_;
  int lo_ = std::numeric_limits<int>::max();
  int hi_ = -1;
  bool queued_ = false;
  bool fixing_ = false;
};

}  // namespace

void guard_cp932(QPlainTextEdit* edit) { new Guard(edit); }

}  // namespace zarvel
