#include "html_generator.h"

#include <array>
#include <string_view>

namespace
{

// Joins texts without temporaries of operator+ (which g++ 12 warns about spuriously).
template <class... Parts> std::string Join(const Parts&... parts)
{
    std::string out;
    (out.append(std::string_view(parts)), ...);
    return out;
}

// splitmix64: small, fast and the same on every platform.
class CRandom
{
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [0, bound).
    std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }
    bool Percent(unsigned chance) { return Below(100) < chance; }
    template <class T, std::size_t N> const T& Pick(const std::array<T, N>& items)
    {
        return items[Below(N)];
    }

private:
    std::uint64_t m_state;
};

constexpr std::array<std::string_view, 64> kWords{
    "the",
    "download",
    "software",
    "release",
    "version",
    "archive",
    "install",
    "driver",
    "update",
    "manual",
    "for",
    "and",
    "with",
    "files",
    "page",
    "support",
    "contact",
    "about",
    "latest",
    "stable",
    "beta",
    "notes",
    "changes",
    "system",
    "windows",
    "linux",
    "mirror",
    "server",
    "network",
    "quick",
    "guide",
    "Setup",
    "Library",
    "photo",
    "gallery",
    "music",
    "video",
    "sample",
    "free",
    "trial",
    "license",
    "source",
    "code",
    "project",
    "community",
    "forum",
    "news",
    "events",
    "a",
    "an",
    "of",
    "to",
    "in",
    "is",
    "are",
    "was",
    "caf\xc3\xa9",
    "na\xc3\xafve",
    "stra\xc3\x9f"
    "e",
    "\xe2\x82\xac"
    "10",
    "r\xc3\xa9sum\xc3\xa9",
    "Z\xc3\xbcrich",
    "\xe6\x97\xa5\xe6\x9c\xac",
    "data",
};
constexpr std::array<std::string_view, 10> kFileTypes{"zip", "exe",    "jpg", "mp3", "mov",
                                                      "pdf", "tar.gz", "msi", "avi", "mpg"};
constexpr std::array<std::string_view, 8> kPageTypes{"html",  "htm", "php", "asp",
                                                     "shtml", "",    "/",   "jsp"};
constexpr std::array<std::string_view, 8> kSections{"products", "downloads", "docs",    "news",
                                                    "support",  "about",     "gallery", "forum"};
constexpr std::array<std::string_view, 8> kClasses{
    "content", "nav-item", "row", "col-md-4", "footer", "sidebar", "title", "btn btn-primary"};

class CPageWriter
{
public:
    CPageWriter(CRandom& random, std::size_t siteIndex)
        : m_random(random), m_site(siteIndex), m_crlf(random.Percent(30)),
          m_tabs(random.Percent(25)), m_indentWidth(random.Percent(50) ? 2 : 4)
    {
    }

    std::string Write(std::size_t targetSize)
    {
        m_out.reserve(targetSize + 4096);
        Line(0, "<!DOCTYPE html>");
        Line(0, "<html lang=\"en\">");
        Line(0, "<head>");
        Line(1, "<meta charset=\"utf-8\">");
        Line(1, "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
        Indent(1);
        m_out += "<title>";
        Words(6);
        m_out += "</title>";
        NewLine();
        Line(1, "<link rel=\"stylesheet\" href=\"/static/site.css?v=3\">");
        Line(1, "<script src=\"/static/app.js\" defer></script>");
        if (m_random.Percent(10))
            Line(1, Join("<base href=\"http://www.site", std::to_string(m_site),
                         ".example/mirror/\">"));
        Line(0, "</head>");
        Line(0, "<body class=\"page\">");
        Navigation();
        while (m_out.size() < targetSize)
            Section();
        Navigation();
        Line(0, "</body>");
        Line(0, "</html>");
        return std::move(m_out);
    }

private:
    void NewLine() { m_out += m_crlf ? "\r\n" : "\n"; }
    void Indent(std::size_t depth)
    {
        if (m_tabs)
            m_out.append(depth, '\t');
        else
            m_out.append(depth * m_indentWidth, ' ');
    }
    void Line(std::size_t depth, std::string_view text)
    {
        Indent(depth);
        m_out += text;
        NewLine();
    }
    void Words(std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            if (i > 0)
                m_out += ' ';
            m_out += m_random.Pick(kWords);
        }
    }
    // A tag name in lower case mostly, sometimes in capitals or mixed.
    void TagName(std::string_view name)
    {
        const std::size_t form = m_random.Below(20);
        for (std::size_t i = 0; i < name.size(); ++i)
        {
            const char c = name[i];
            const bool upper = form == 0 || (form == 1 && i % 2 == 0);
            m_out += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    // name="value", name='value' or name=value.
    void Attribute(std::string_view name, std::string_view value)
    {
        m_out += ' ';
        TagName(name);
        const std::size_t form = m_random.Below(100);
        if (form < 70)
        {
            m_out += "=\"";
            m_out += value;
            m_out += '"';
        }
        else if (form < 85)
        {
            m_out += "='";
            m_out += value;
            m_out += '\'';
        }
        else
        {
            m_out += '=';
            m_out += value;
        }
    }
    std::string Number() { return std::to_string(m_random.Below(500)); }

    std::string PageLink()
    {
        const std::string_view section = m_random.Pick(kSections);
        const std::string_view type = m_random.Pick(kPageTypes);
        std::string path;
        const std::size_t form = m_random.Below(6);
        if (form == 0)
        {
            path.append("http://www.site");
            path.append(std::to_string(m_random.Below(40)));
            path.append(".example/");
        }
        else if (form == 1)
            path.append("/");
        else if (form == 2)
            path.append("../");
        path.append(section);
        if (type == "/")
        {
            path.append("/");
            return path;
        }
        path.append("/item");
        path.append(Number());
        if (!type.empty())
        {
            path.append(".");
            path.append(type);
        }
        if (m_random.Percent(15))
        {
            path.append("?id=");
            path.append(Number());
            path.append("&amp;lang=en");
        }
        if (m_random.Percent(10))
        {
            path.append("#part");
            path.append(Number());
        }
        return path;
    }
    std::string FileLink()
    {
        std::string path(m_random.Percent(30) ? "/files/" : "files/");
        path.append(m_random.Pick(kWords));
        path.append("-");
        path.append(Number());
        path.append(".");
        path.append(m_random.Pick(kFileTypes));
        return path;
    }
    std::string AnyLink()
    {
        const std::size_t kind = m_random.Below(100);
        if (kind < 3)
            return Join("mailto:info@site", std::to_string(m_site), ".example");
        if (kind < 5)
            return "javascript:void(0)";
        if (kind < 7)
            return "#top";
        return kind < 40 ? FileLink() : PageLink();
    }

    void Anchor(std::string_view href)
    {
        m_out += '<';
        TagName("a");
        if (m_random.Percent(30))
            Attribute("class", m_random.Pick(kClasses));
        if (m_random.Percent(10))
            Attribute("title", "more about this");
        Attribute("href", href);
        if (m_random.Percent(10))
            Attribute("target", "_blank");
        m_out += '>';
        Words(1 + m_random.Below(4));
        m_out += "</";
        TagName("a");
        m_out += '>';
    }
    void Image(std::string_view src)
    {
        m_out += '<';
        TagName("img");
        if (m_random.Percent(40))
            Attribute("border", "0");
        Attribute("src", src);
        Attribute("alt", "picture of the product");
        Attribute("width", Number());
        Attribute("height", Number());
        m_out += '>';
    }

    void Navigation()
    {
        // The same links at the top and the bottom of every page of a site.
        CRandom navigation(m_site);
        Line(1, "<div id=\"nav\" class=\"navbar\">");
        Line(2, "<ul>");
        for (std::size_t i = 0; i < 14; ++i)
        {
            Indent(3);
            m_out += "<li class=\"nav-item\">";
            Anchor(
                Join("/", kSections[(i + navigation.Below(8)) % kSections.size()], "/index.html"));
            m_out += "</li>";
            NewLine();
        }
        Line(2, "</ul>");
        Line(1, "</div>");
    }

    void Paragraph(std::size_t depth)
    {
        Indent(depth);
        m_out += "<p class=\"text\">";
        const std::size_t words = 40 + m_random.Below(200);
        std::size_t column = 0;
        for (std::size_t i = 0; i < words; ++i)
        {
            const std::size_t inlineKind = m_random.Below(100);
            if (inlineKind < 4)
                Anchor(AnyLink());
            else if (inlineKind < 7)
            {
                m_out += "<b>";
                Words(2);
                m_out += "</b>";
            }
            else if (inlineKind < 9)
            {
                m_out += "<em>";
                Words(1);
                m_out += "</em>";
            }
            else
                m_out += m_random.Pick(kWords);
            m_out += m_random.Percent(5) ? ", " : " ";
            column += 8;
            if (column > 80)
            {
                NewLine();
                Indent(depth + 1);
                column = 0;
            }
        }
        m_out += "</p>";
        NewLine();
    }

    void LinkList(std::size_t depth)
    {
        Line(depth, "<ul class=\"files\">");
        for (std::size_t i = 3 + m_random.Below(20); i > 0; --i)
        {
            Indent(depth + 1);
            m_out += "<li>";
            Anchor(m_random.Percent(60) ? FileLink() : PageLink());
            m_out += Join(" (", Number(), " KB)</li>");
            NewLine();
        }
        Line(depth, "</ul>");
    }

    void Gallery(std::size_t depth)
    {
        Line(depth, "<div class=\"gallery\">");
        for (std::size_t i = 2 + m_random.Below(10); i > 0; --i)
        {
            Indent(depth + 1);
            const std::string picture = Join("img/photo", Number(), ".jpg");
            m_out += '<';
            TagName("a");
            Attribute("href", picture);
            m_out += '>';
            Image(Join("thumbs/", picture));
            m_out += "</a>";
            NewLine();
        }
        Line(depth, "</div>");
    }

    void Table(std::size_t depth)
    {
        Line(depth, "<table class=\"list\" cellpadding=2>");
        for (std::size_t row = 2 + m_random.Below(12); row > 0; --row)
        {
            Indent(depth + 1);
            m_out += "<tr><td>";
            Words(3);
            m_out += Join("</td>\t<td align=right>", Number(), "</td>\t<td>");
            Anchor(FileLink());
            m_out += "</td></tr>";
            NewLine();
        }
        Line(depth, "</table>");
    }

    void Script(std::size_t depth)
    {
        Line(depth, "<script type=\"text/javascript\">");
        for (std::size_t i = 2 + m_random.Below(10); i > 0; --i)
            Line(depth + 1, "for (var i = 0; i < items.length; i++) { if (items[i].size > limit) "
                            "{ show(items[i], \"<b>\" + i + \"</b>\"); } }");
        Line(depth, "</script>");
    }

    void Comment(std::size_t depth)
    {
        Indent(depth);
        m_out += "<!-- ";
        Words(10 + m_random.Below(30));
        m_out += " -->";
        NewLine();
    }

    void MapAndFrames(std::size_t depth)
    {
        Line(depth, Join("<map name=\"m", Number(), "\">"));
        for (std::size_t i = 1 + m_random.Below(5); i > 0; --i)
        {
            Indent(depth + 1);
            m_out += '<';
            TagName("area");
            Attribute("shape", "rect");
            const std::string width = Number();
            const std::string height = Number();
            Attribute("coords", Join("0,0,", width, ",", height));
            Attribute("href", PageLink());
            m_out += '>';
            NewLine();
        }
        Line(depth, "</map>");
        Indent(depth);
        m_out += '<';
        TagName("iframe");
        Attribute("src", PageLink());
        Attribute("width", "300");
        m_out += "></iframe>";
        NewLine();
        if (m_random.Percent(30))
        {
            Indent(depth);
            m_out += "<frameset cols=\"20%,80%\"><";
            TagName("frame");
            Attribute("src", PageLink());
            m_out += "><frame src=\"main.htm\" name=main></frameset>";
            NewLine();
        }
    }

    void Section()
    {
        const std::size_t depth = 1 + m_random.Below(4);
        Line(depth - 1, Join("<div class=\"", m_random.Pick(kClasses), "\">"));
        const std::size_t kind = m_random.Below(100);
        if (kind < 45)
            Paragraph(depth);
        else if (kind < 65)
            LinkList(depth);
        else if (kind < 75)
            Gallery(depth);
        else if (kind < 85)
            Table(depth);
        else if (kind < 90)
            Script(depth);
        else if (kind < 95)
            Comment(depth);
        else
            MapAndFrames(depth);
        Line(depth - 1, "</div>");
    }

    CRandom& m_random;
    std::size_t m_site;
    bool m_crlf;
    bool m_tabs;
    std::size_t m_indentWidth;
    std::string m_out;
};

} // namespace

std::vector<CGeneratedPage> GenerateHtmlPages(std::size_t totalBytes, std::uint64_t seed)
{
    CRandom random(seed);
    std::vector<CGeneratedPage> pages;
    std::size_t written = 0;
    while (written < totalBytes)
    {
        const std::size_t site = random.Below(40);
        const std::size_t size = 8 * 1024 + random.Below(192 * 1024);
        const std::string_view section = random.Pick(kSections);
        const std::string number = std::to_string(random.Below(1000));
        CGeneratedPage page;
        page.m_url = Join("http://www.site", std::to_string(site), ".example/", section, "/page",
                          number, ".html");
        page.m_html = CPageWriter(random, site).Write(size);
        written += page.m_html.size();
        pages.push_back(std::move(page));
    }
    return pages;
}
