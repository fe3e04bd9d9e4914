#include "app/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <limits>

namespace
{

// The part of a window that must be on a screen for the user to grab it: its top strip, at
// least this wide and high.
constexpr int kGrabWidth = 48;
constexpr int kGrabHeight = 24;

bool CanBeGrabbed(const QRect& window, const QRect& screen)
{
    const QRect strip(window.left(), window.top(), window.width(), kGrabHeight);
    const QRect shown = strip.intersected(screen);
    return shown.width() >= std::min(kGrabWidth, window.width()) &&
           shown.height() >= std::min(kGrabHeight, window.height());
}

// Squared distance between the window's centre and the nearest point of the screen.
qint64 Distance(const QRect& window, const QRect& screen)
{
    const QPoint centre = window.center();
    const qint64 dx = centre.x() < screen.left()    ? screen.left() - centre.x()
                      : centre.x() > screen.right() ? centre.x() - screen.right()
                                                    : 0;
    const qint64 dy = centre.y() < screen.top()      ? screen.top() - centre.y()
                      : centre.y() > screen.bottom() ? centre.y() - screen.bottom()
                                                     : 0;
    return dx * dx + dy * dy;
}

} // namespace

QRect PlaceOnScreens(const QRect& window, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return window;
    const QRect* nearest = nullptr;
    qint64 nearestDistance = std::numeric_limits<qint64>::max();
    for (const QRect& screen : screens)
    {
        if (CanBeGrabbed(window, screen))
            return window;
        const qint64 distance = Distance(window, screen);
        if (distance < nearestDistance)
        {
            nearestDistance = distance;
            nearest = &screen;
        }
    }
    QRect placed = window;
    placed.setSize(window.size().boundedTo(nearest->size()));
    placed.moveLeft(
        std::clamp(window.left(), nearest->left(), nearest->right() - placed.width() + 1));
    placed.moveTop(
        std::clamp(window.top(), nearest->top(), nearest->bottom() - placed.height() + 1));
    return placed;
}

QRect PlaceOnScreens(const QRect& window)
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    return PlaceOnScreens(window, screens);
}
