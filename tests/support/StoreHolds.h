#pragma once

#include "core/UrlStore.h"

#include <memory>
#include <string>

// A hold on a new record for url, made as a browse thread or a window makes one.
inline CUrlHold HoldNew(CUrlStore& store, std::string url)
{
    return store.Add(std::make_unique<CUrl>(std::move(url)));
}
