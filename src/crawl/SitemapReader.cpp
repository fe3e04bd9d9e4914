#include "crawl/SitemapReader.h"

#include "platform/AsciiText.h"

#include <algorithm>
#include <climits>
#include <expat.h>

namespace
{

// Sitemaps are three elements deep; anything far deeper is no sitemap.
constexpr std::size_t kMaxDepth = 32;
constexpr std::size_t kTrailingBlanks = 256;

std::string_view LocalName(std::string_view name)
{
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

CSitemapReader& Reader(void* user)
{
    return *static_cast<CSitemapReader*>(user);
}

void XMLCALL StartElement(void* user, const XML_Char* name, const XML_Char**)
{
    Reader(user).OnStart(name);
}

void XMLCALL EndElement(void* user, const XML_Char*)
{
    Reader(user).OnEnd();
}

void XMLCALL Text(void* user, const XML_Char* text, int length)
{
    Reader(user).OnText(std::string_view(text, static_cast<std::size_t>(length)));
}

// Entities are where expansion attacks live; sitemaps never declare any.
void XMLCALL Doctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    Reader(user).Refuse("a DOCTYPE");
}

void XMLCALL EntityDeclaration(void* user, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
{
    Reader(user).Refuse("an entity");
}

} // namespace

struct CSitemapReader::CParser
{
    XML_Parser parser;

    explicit CParser(CSitemapReader& reader) : parser(XML_ParserCreate(nullptr))
    {
        if (parser == nullptr)
            return;
        XML_SetUserData(parser, &reader);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetStartDoctypeDeclHandler(parser, Doctype);
        XML_SetEntityDeclHandler(parser, EntityDeclaration);
        XML_SetElementHandler(parser, StartElement, EndElement);
        XML_SetCharacterDataHandler(parser, Text);
    }
    ~CParser()
    {
        if (parser != nullptr)
            XML_ParserFree(parser);
    }
    CParser(const CParser&) = delete;
    CParser& operator=(const CParser&) = delete;
};

CSitemapReader::CSitemapReader(const CSitemapLimits& limits)
    : m_limits(limits), m_parser(std::make_unique<CParser>(*this))
{
    if (m_parser->parser == nullptr)
        Stop("no XML parser");
}

CSitemapReader::~CSitemapReader() = default;

void CSitemapReader::Stop(std::string problem)
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_problem = std::move(problem);
    if (m_parser->parser != nullptr)
        XML_StopParser(m_parser->parser, XML_FALSE);
}

void CSitemapReader::Refuse(const char* what)
{
    Stop(std::string("it declares ") + what + ", which no sitemap needs");
}

bool CSitemapReader::Feed(std::string_view bytes)
{
    if (m_stopped || bytes.empty())
        return !m_stopped;
    if (!m_started)
    {
        m_started = true;
        // A packed file says so in its first two bytes, whatever its name or type says.
        if (CGzipInflater::IsGzip(bytes))
            m_gzip = std::make_unique<CGzipInflater>(m_limits.maxBytes, [this](std::string_view xml)
                                                     { return ParseXml(xml, false); });
    }
    if (!m_gzip)
        return ParseXml(bytes, false);
    if (!m_gzip->Feed(bytes) && !m_stopped)
        Stop(m_gzip->Problem().empty() ? "the gzip data stopped" : m_gzip->Problem());
    return !m_stopped;
}

void CSitemapReader::Finish()
{
    if (m_stopped)
        return;
    if (m_gzip && m_gzip->EndedEarly())
    {
        Stop("the gzip data ends early");
        return;
    }
    ParseXml({}, true);
}

bool CSitemapReader::ParseXml(std::string_view bytes, bool last)
{
    if (m_stopped)
        return false;
    m_xmlBytes += bytes.size();
    if (m_xmlBytes > m_limits.maxBytes)
    {
        Stop("it is larger than " + std::to_string(m_limits.maxBytes / (1024 * 1024)) + " MB");
        return false;
    }
    while (!bytes.empty() || last)
    {
        const std::size_t part = std::min<std::size_t>(bytes.size(), INT_MAX);
        const XML_Status status = XML_Parse(m_parser->parser, bytes.data(), static_cast<int>(part),
                                            last && part == bytes.size() ? XML_TRUE : XML_FALSE);
        if (m_stopped)
            return false;
        if (status == XML_STATUS_ERROR)
        {
            const XML_Parser parser = m_parser->parser;
            Stop("XML error at line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
                 XML_ErrorString(XML_GetErrorCode(parser)));
            return false;
        }
        bytes.remove_prefix(part);
        if (bytes.empty())
            break;
    }
    return true;
}

void CSitemapReader::OnStart(const char* name)
{
    if (m_stopped)
        return;
    if (m_open.size() >= kMaxDepth)
    {
        Stop("its elements are nested too deep");
        return;
    }
    const std::string_view local = LocalName(name);
    EOpen kind = EOpen::Other;
    if (m_open.size() == 1 && local == "url")
        kind = EOpen::Url;
    else if (m_open.size() == 1 && local == "sitemap")
        kind = EOpen::Sitemap;
    else if (local == "loc" && !m_open.empty() &&
             (m_open.back() == EOpen::Url || m_open.back() == EOpen::Sitemap))
    {
        kind = EOpen::Loc;
        m_loc.clear();
        m_locTooLong = false;
    }
    m_open.push_back(kind);
}

void CSitemapReader::OnEnd()
{
    if (m_stopped || m_open.empty())
        return;
    const EOpen kind = m_open.back();
    m_open.pop_back();
    if (kind != EOpen::Loc)
        return;
    const std::string_view loc = AsciiTrim(m_loc);
    if (loc.empty() || m_locTooLong || loc.size() > m_limits.maxLocLength)
        return;
    if (m_pages.size() + m_sitemaps.size() >= m_limits.maxEntries)
    {
        Stop("it lists more than " + std::to_string(m_limits.maxEntries) +
             " addresses; the rest are skipped");
        return;
    }
    (m_open.back() == EOpen::Url ? m_pages : m_sitemaps).emplace_back(loc);
}

void CSitemapReader::OnText(std::string_view text)
{
    if (m_stopped || m_open.empty() || m_open.back() != EOpen::Loc || m_locTooLong)
        return;
    if (m_loc.empty())
        text.remove_prefix(std::min(text.size(), text.find_first_not_of(" \t\r\n")));
    // Room for blanks after the address; beyond that the address is none of ours.
    if (m_loc.size() + text.size() > m_limits.maxLocLength + kTrailingBlanks)
    {
        m_locTooLong = true;
        std::string().swap(m_loc);
        return;
    }
    m_loc.append(text);
}
