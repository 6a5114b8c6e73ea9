// A dark scheme as the desktops ship them (Breeze Dark's colours), for
// the tests that look at the windows in a dark palette.
#pragma once

#include <QColor>
#include <QPalette>

namespace zarvel::test {

inline QPalette dark_palette() {
  QPalette p;
  const QColor window(49, 54, 59), base(35, 38, 41), text(239, 240, 241), button(49, 54, 59);
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, window);
    p.setColor(group, QPalette::WindowText, text);
    p.setColor(group, QPalette::Base, base);
    p.setColor(group, QPalette::AlternateBase, QColor(49, 54, 59));
    p.setColor(group, QPalette::Text, text);
    p.setColor(group, QPalette::Button, button);
    p.setColor(group, QPalette::ButtonText, text);
    p.setColor(group, QPalette::Highlight, QColor(61, 174, 233));
    p.setColor(group, QPalette::HighlightedText, QColor(252, 252, 252));
    p.setColor(group, QPalette::Link, QColor(29, 153, 243));
    p.setColor(group, QPalette::ToolTipBase, window);
    p.setColor(group, QPalette::ToolTipText, text);
    p.setColor(group, QPalette::PlaceholderText, QColor(161, 169, 177));
    p.setColor(group, QPalette::Light, QColor(64, 70, 76));
    p.setColor(group, QPalette::Midlight, QColor(54, 59, 64));
    p.setColor(group, QPalette::Mid, QColor(37, 41, 44));
    p.setColor(group, QPalette::Dark, QColor(22, 24, 26));
    p.setColor(group, QPalette::Shadow, QColor(17, 19, 20));
  }
  p.setColor(QPalette::Disabled, QPalette::Window, window);
  p.setColor(QPalette::Disabled, QPalette::Base, base);
  p.setColor(QPalette::Disabled, QPalette::Button, button);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, QColor(101, 106, 109));
  return p;
}

}  // namespace zarvel::test
