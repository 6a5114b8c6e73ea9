#include "platform/help_viewer.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QVBoxLayout>

namespace zarvel {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("zarvel ヘルプ"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  browser_->setOpenExternalLinks(true);
  resize(520, 560);
}

void HelpViewer::show_file(const QString& file, int context) {
  QFileInfo info(file);
  if (!info.isFile()) {
    browser_->setHtml(QStringLiteral("<p>ヘルプファイル %1 が見つかりません。</p>").arg(file.toHtmlEscaped()));
  } else {
    QFile f(file);
    if (f.open(QIODevice::ReadOnly)) {
      browser_->setSearchPaths({info.absolutePath()});
      // The ".hlp" name hides that it is HTML, so set it as such.
      browser_->setHtml(QString::fromUtf8(f.readAll()));
    }
    if (context > 1)
      browser_->scrollToAnchor(QStringLiteral("context%1").arg(context));
    else
      browser_->moveCursor(QTextCursor::Start);
  }
  show();
  raise();
  activateWindow();
}

}  // namespace zarvel
