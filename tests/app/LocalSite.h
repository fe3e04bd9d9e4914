#pragma once

#include "support/TestHttpServer.h"

#include <string>

// A small site on 127.0.0.1: a start page with a file and a sub-page that has two more files.
class CLocalSite
{
public:
    CLocalSite()
    {
        auto page = [](std::string html)
        {
            return [html](const httplib::Request&, httplib::Response& response)
            { response.set_content(html, "text/html"); };
        };
        m_server.Server().Get("/", page("<html><body><a href=\"a.zip\">a</a> "
                                        "<a href=\"sub/page.html\">more</a></body></html>"));
        m_server.Server().Get(
            "/sub/page.html",
            page("<html><body><a href=\"b.exe\">b</a> "
                 "<a href=\"/c.mp3\">c</a> <a href=\"/\">home</a></body></html>"));
        m_server.Start();
    }

    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    CTestHttpServer m_server;
};
