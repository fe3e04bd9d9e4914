#pragma once

// Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) the program runs headless: Qt's
// offscreen platform, no window or dialog shown, and it ends when its work is done.
bool IsHeadlessEnvironment();

// Makes Qt use its offscreen platform; call before the application object is created.
void UseOffscreenPlatform();

// Printed to standard error when a headless run names no site; the exit status is then
// kUsageExitCode.
extern const char* const kHeadlessUsage;
inline constexpr int kUsageExitCode = 2;
