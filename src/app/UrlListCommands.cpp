// The site tree's commands. They arrive with the site tree's own work (add-site dialog,
// browsing a node with a mode, open, remove, find); until then they do nothing.
#include "app/UrlList.h"

void CUrlList::AddSite() {}

void CUrlList::BrowseSelected(int /*modeNumber*/) {}

void CUrlList::ExploreSelected() {}

void CUrlList::OpenSelected() {}

void CUrlList::RemoveSelected() {}

void CUrlList::FindInList() {}
