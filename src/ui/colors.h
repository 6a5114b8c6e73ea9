// Colours of the windows, as they were designed.
#pragma once

#include <QColor>
#include <cmath>
#include <initializer_list>

namespace zarvel {

inline const QColor kCream(255, 251, 240);       // read-only fields and lists
inline const QColor kPaleYellow(253, 254, 209);  // the history detail band
inline const QColor kMaroon(128, 0, 0);          // notes on the options page
inline const QColor kSendingRed(255, 0, 0);      // progress: sending
inline const QColor kSkyBlue(166, 202, 240);     // progress: sent

// Contrast of two colours as WCAG defines it: 1 (none) to 21 (black on white).
inline double contrast_ratio(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

inline constexpr double kReadableContrast = 4.5;

// The first of the colours that reads on the background; black or white
// when none does. Fixed text colours on the desktop's own backgrounds go
// through this, so that they stay readable under a dark palette.
inline QColor readable_on(const QColor& background, std::initializer_list<QColor> wanted,
                          double at_least = kReadableContrast) {
  for (const QColor& c : wanted)
    if (contrast_ratio(c, background) >= at_least) return c;
  return contrast_ratio(Qt::black, background) >= contrast_ratio(Qt::white, background) ? QColor(Qt::black)
                                                                                        : QColor(Qt::white);
}

}  // namespace zarvel
