#pragma once

#include <cstdint>
#include <string>

class CTrawlerCore;

// Puts the site into the site tree and starts browsing it with mode number modeIndex (0 to 2;
// any other number browses with the default mode). The browse starts even when the tree had
// the URL already. Used by the command line and by the Add Site command.
void AddAndBrowseSite(CTrawlerCore& core, const std::string& siteText, std::int32_t modeIndex);
