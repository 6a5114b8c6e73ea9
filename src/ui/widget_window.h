// Placing top-level windows.
#pragma once

class QWidget;

namespace zarvel {

// Moves the whole window, frame included where there is one, to the middle
// of its screen's available area.
void centre_on_screen(QWidget* window);

}  // namespace zarvel
