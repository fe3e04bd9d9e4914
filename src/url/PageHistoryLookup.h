#pragma once

#include <string>

// What parsing a URL asks of the page history: was this exact text browsed before?
// Called on any thread that makes records; implementations take their own lock.
class CPageHistoryLookup
{
public:
    virtual ~CPageHistoryLookup() = default;
    virtual bool Contains(const std::string& url) const = 0;
};
