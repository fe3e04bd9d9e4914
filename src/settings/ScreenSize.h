#pragma once

#include <cstdint>
#include <functional>

// The primary screen's size in pixels, which the window defaults are computed from.
struct CScreenSize
{
    std::int32_t width = 1024;
    std::int32_t height = 768;
};

// Supplies the screen size. The GUI installs one once it can ask the display; it is called on
// the user-interface thread when the options take their defaults, and must not block.
using ScreenSizeProvider = std::function<CScreenSize()>;

// Installs the provider; an empty one goes back to 1024 x 768.
void SetScreenSizeProvider(ScreenSizeProvider provider);

// The provider's answer, or 1024 x 768 while none is installed.
CScreenSize CurrentScreenSize();
