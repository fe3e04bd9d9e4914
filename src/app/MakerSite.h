#pragma once

#include <string>
#include <string_view>

// The maker's web site, which serves the documentation pages and the upgrade marker.
// HTTPS: the upgrade check trusts what this address answers.
inline constexpr const char* kMakerSiteBase = "https://www.quillfen.com";
// The folder of this version's documentation on that site.
inline constexpr const char* kDocsPath = "/harvestor/docs152/";

// The site's base URL without a trailing "/": the environment variable HARVESTOR_SITE when it
// is set and not empty (tests point it at a local server), else kMakerSiteBase.
std::string MakerSiteBase();

// The URL of a page in the documentation folder, e.g. DocumentationUrl("interface.htm").
std::string DocumentationUrl(std::string_view page);
