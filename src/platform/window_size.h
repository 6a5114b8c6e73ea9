// Windows of fixed size on platforms that offer to maximize them anyway.
#pragma once

class QWidget;

namespace zarvel {

// A window of limited size survives a maximize request (Wayland title bars
// offer one whatever the window's flags say): the compositor is let make it
// as large as it asks, and the window goes straight back to its own size.
// Windows that may grow are left to be maximized.
void keep_fixed_size(QWidget* window);

}  // namespace zarvel
