#pragma once

#include <QList>
#include <QRect>

// Where a stored window position goes on today's screens: a window whose title strip is on no
// screen (a monitor was unplugged, the resolution shrank) is moved onto the nearest screen,
// whole where it fits; anything the user can reach stays where it was.
QRect PlaceOnScreens(const QRect& window, const QList<QRect>& screens);

// The same, for the available areas of the screens that the application sees now.
QRect PlaceOnScreens(const QRect& window);
