// Placing top-level windows.
#pragma once

class QPoint;
class QWidget;

namespace zarvel {

// Moves the whole window, frame included where there is one, to the middle
// of its screen's available area.
void centre_on_screen(QWidget* window);

// False where the platform places windows itself and never says where
// (Wayland): the position a window reports there means nothing and is not
// stored.
bool platform_reports_positions();

// Puts the window at a stored position when it then lies whole on a screen
// (its available area); otherwise, say after a change of screens or a
// position that some platform made up, it goes to the middle of the screen.
void place_or_centre(QWidget* window, const QPoint& stored);

}  // namespace zarvel
