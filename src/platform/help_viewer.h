// A small window that shows the HTML help file.
#pragma once

#include <QTextBrowser>
#include <QWidget>

namespace zarvel {

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QWidget* parent = nullptr);
  // Loads `file` and scrolls to the anchor of `context` ("context1" …);
  // context 1 is the beginning.
  void show_file(const QString& file, int context);
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace zarvel
