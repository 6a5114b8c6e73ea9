// Colours of the windows, as they were designed.
#pragma once

#include <QColor>

namespace zarvel {

inline const QColor kCream(255, 251, 240);       // read-only fields and lists
inline const QColor kPaleYellow(253, 254, 209);  // the history detail band
inline const QColor kMaroon(128, 0, 0);          // notes on the options page
inline const QColor kSendingRed(255, 0, 0);      // progress: sending
inline const QColor kSkyBlue(166, 202, 240);     // progress: sent

}  // namespace zarvel
