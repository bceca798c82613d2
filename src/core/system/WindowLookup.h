#pragma once

#include <QString>

namespace orq::sys {

// Whether a program on the X display named by DISPLAY shows a top-level window with exactly
// this title (no case folding, no partial match). Top-level windows are those the window
// manager lists as its clients, or, with no window manager running, the root window's children;
// only windows actually shown (mapped, and inside mapped parents) count. The title is the
// UTF-8 _NET_WM_NAME where the window has one, otherwise WM_NAME. No display, or one that cannot
// be reached, has no windows. A display that breaks off while being asked answers false too and
// leaves the process running. It opens its own connection for each call.
bool topLevelWindowExists(const QString& title);

// Whether the X display named by DISPLAY can be reached now.
bool displayReachable();

} // namespace orq::sys
