#pragma once

// Windows that arrive with later work (the options sheet, the About box, the upgrade check).
// Each is one small function; its body is replaced when the window lands.

class QWidget;
class CTrawlerCore;

// Runs the options sheet modally; true when it closed with OK (the caller then saves the
// options and renames the mode items). Until the sheet exists: nothing is shown, false.
bool RunOptionsSheet(QWidget* parent, CTrawlerCore& core);

// Shows the About box modally. Until it exists: a plain box with the program's version.
void ShowAboutBox(QWidget* parent);

// The upgrade check of start-up; true when it found a newer version and showed the offer.
// Until it exists: no request is made, false.
bool RunUpgradeCheck(QWidget* parent, CTrawlerCore& core);
