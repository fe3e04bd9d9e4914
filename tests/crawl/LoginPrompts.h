#pragma once

#include "core/TrawlerCore.h"

#include <atomic>
#include <string>

// Answers every login prompt with one name and password, from any thread, and counts them
// (the crawl fixture's observer passes the prompt events to it).
struct CLoginPrompts : CUnattendedPrompts
{
    CLoginPrompts(const char* userName, const char* password) : user(userName), secret(password) {}
    bool AskLogin(const std::string&, std::string& userName, std::string& password) override
    {
        ++asked;
        userName = user;
        password = secret;
        return true;
    }
    std::string user, secret;
    std::atomic<int> asked{0};
};
