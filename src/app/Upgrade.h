#pragma once

#include <atomic>
#include <string>

class CEngine;
class QWidget;

// The upgrade check. The maker publishes a marker file at a path that carries this version's
// number only when a newer version exists; its body is the URL of the new version's installer.
inline constexpr const char* kUpgradeMarker = "upgrade.fil";
inline constexpr const char* kUpgradeFailedMessage =
    "Failed to download upgrade.  Please try again later.";

// The marker's URL on the maker's site.
std::string UpgradeCheckUrl();

// True for an installer URL the program may fetch and start: http or https on the maker site's
// host. Anyone who can answer for the maker's address over plain HTTP could name any other.
bool IsTrustedInstallerUrl(const std::string& url);

// Reads the marker (with the login prompt on 401 when logins are on) and returns the installer
// URL it names; empty unless the answer is a 200 whose body (blanks around it aside) is a
// trusted installer URL. cancel (may be null) stops the request.
std::string FetchInstallerUrl(CEngine& engine, const std::atomic<bool>* cancel);

// The check of start-up: a newer version exists only when FetchInstallerUrl names one; then the
// offer runs modally, owned by owner. True when it was shown.
bool CheckForUpgrade(QWidget* owner, CEngine& engine);

// Where the installer is downloaded: the download folder (CEngine::DownloadFolder, which ends
// in a "/"), then the file name part of the installer's URL.
std::string UpgradeTargetPath(const std::string& downloadFolder, const std::string& fileName);
