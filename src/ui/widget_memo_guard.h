// Makes a multi-line field show at once, as 〓, every character CP932
// cannot hold, whether typed, pasted or dropped. Only the inserted stretch
// is looked at, so the cost follows the edit, not the text.
#pragma once

class QPlainTextEdit;

namespace zarvel {

void guard_cp932(QPlainTextEdit* edit);

}  // namespace zarvel
