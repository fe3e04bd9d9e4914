#pragma once

// The modal windows that the main window and start-up open, one small function each, so that
// the code that opens them does not include the windows themselves.

class QWidget;
class CEngine;

// Runs the options sheet modally; true when it closed with OK (the caller then saves the
// options and renames the mode items).
bool RunOptionsSheet(QWidget* parent, CEngine& engine);

// Shows the About box modally.
void ShowAboutBox(QWidget* parent);
// Shows the About box without waiting for it: it closes itself after a few seconds or when
// clicked. Returns at once.
void ShowStartupAboutBox(QWidget* parent);

// The upgrade check of start-up; true when it found a newer version and showed the offer.
bool RunUpgradeCheck(QWidget* parent, CEngine& engine);
