#pragma once

#include <string>

class CTrawlerCore;
class QWidget;

// The upgrade check. The maker publishes a marker file at a path that carries this version's
// number only when a newer version exists; its body is the URL of the new version's installer.
inline constexpr const char* kUpgradeMarker = "upgrade.fil";
inline constexpr const char* kUpgradeFailedMessage =
    "Failed to download upgrade.  Please try again later.";

// The marker's URL on the maker's site.
std::string UpgradeCheckUrl();

// The check of start-up: a HEAD request for the marker (with the login prompt on 401 when
// logins are on). Any answer but a status below 300 means that there is no newer version, and
// nothing is shown. Otherwise the offer runs modally, owned by owner. True when it was shown.
bool CheckForUpgrade(QWidget* owner, CTrawlerCore& core);

// Where the installer is downloaded: the download directory (with a "/" added when it lacks
// one), then the file name part of the installer's URL.
std::string UpgradeTargetPath(const std::string& downloadDir, const std::string& fileName);
