// What screen readers and keyboard users need from the windows: names for
// controls whose caption is a separate label (or a picture), the hints as
// descriptions, toggle-button roles for the tool bars, and the Enter key
// doing in a list what its double-click does.
#pragma once

#include <QString>
#include <functional>

class QAbstractItemView;
class QLabel;
class QWidget;

namespace zarvel {

// A caption as it is spoken: without its access-key marker ("(&S)", or a
// lone "&"; "&&" stays one "&") and without padding blanks, full-width
// ones included. "SMTPサーバー(&S)" gives "SMTPサーバー", "　ﾒｰﾙ　" "ﾒｰﾙ".
QString caption_name(const QString& caption);

// Ties `caption` to `field`: its access key (if it shows one) moves the
// caret there, and the field is named by the caption.
void name_by_caption(QWidget* field, QLabel* caption);

// Names every button of `window` (and its children) by its caption, or by
// its hint where it shows only a picture; every field tied to a caption
// by that caption; and gives every control with a hint that hint as its
// description. Names set before are kept.
void name_controls(QWidget* window);

// Enter (or the keypad's Enter) in `list` runs `action`: the keyboard's
// double-click. Clicks are not touched.
void on_enter_key(QAbstractItemView* list, std::function<void()> action);

// Lets the accessibility layer know that `widget`'s name (its spoken text)
// has changed, so a screen reader can say it.
void announce_name(QWidget* widget);

// The accessible interfaces of our own widgets (tool-bar buttons, status
// bar, separator). Called before the first window is built; once is enough.
void install_accessible_factory();

}  // namespace zarvel
