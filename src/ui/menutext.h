#pragma once

#include <QString>

// Widest text a menu item shows, in pixels of the menu font.
inline constexpr int kMenuTextWidth = 320;

// A name as a menu item shows it: an '&' shown as itself, and a long name cut
// with an ellipsis, so a submenu of template names never spans the screen.
QString menuItemText(const QString& name);
