#pragma once

#include <QIcon>
#include <QPixmap>

// Makes the embedded icons available; call once before the first window is built.
void InitAppResources();

// A toolbar image by name ("add_site", ...), in 16 and 24 pixels.
QIcon ToolbarIcon(const char* name);
// The site tree's six 16 x 16 node images in one 96 x 16 strip.
QPixmap TreeImageStrip();
QIcon ApplicationIcon();
