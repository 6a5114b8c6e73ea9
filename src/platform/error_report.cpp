#include "platform/error_report.h"

#include <new>

#include "platform/dialogs.h"

namespace zarvel {

void report_current_exception() {
  QString message;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    message = QStringLiteral("メモリが不足しています");
  } catch (const std::exception& e) {
    message = QString::fromUtf8(e.what());
  } catch (...) {
    message = QStringLiteral("不明なエラー");
  }
  dialogs().error(QStringLiteral("予期しないエラーが発生しました\n") + message, nullptr);
}

bool ZarvelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    report_current_exception();
    return false;
  }
}

}  // namespace zarvel
