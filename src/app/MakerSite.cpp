#include "app/MakerSite.h"

#include <cstdlib>

std::string MakerSiteBase()
{
    const char* overridden = std::getenv("HARVESTOR_SITE");
    std::string base = (overridden != nullptr && *overridden != '\0') ? overridden : kMakerSiteBase;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

std::string DocumentationUrl(std::string_view page)
{
    std::string url = MakerSiteBase();
    url += kDocsPath;
    url += page;
    return url;
}
