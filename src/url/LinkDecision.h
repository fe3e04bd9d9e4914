#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the crawl did with a link it met.
enum class CVerdict : std::uint8_t
{
    None = 0,
    Listed,      // a wanted file: listed, or queued for download
    Followed,    // a page queued to be read
    Read,        // a page that was read
    Shown,       // a page in the site tree that is not followed
    NotFollowed, // a link that is neither followed nor shown
    NotListed,   // a file that is not wanted
    NotRead,     // a followed page whose text was never read
};

// The one rule behind a verdict. The comment names the value that explains it.
enum class CReason : std::uint8_t
{
    None = 0,
    StartPage,         // the page a browse began with
    FileType,          // text: the File Types entry that the extension matched
    Downloading,       // text: the File Types entry; the file was queued for download
    NoExtension,       //
    Scheme,            // the scheme is not one the crawl reads
    Unparsable,        //
    Excluded,          // text: the exclude entry that matched
    NotInFileTypes,    // text: the File Types list
    TooSmall,          // Size(): size in bytes; limit: minimum in KB
    TooLarge,          // Size(): size in bytes; limit: maximum in KB
    InFileHistory,     // downloaded before
    ParentDirectory,   // text: the mode's name
    LocalMaximum,      // limit: the local maximum; text: the mode's name
    ExternalOff,       // text: the mode's name
    Depth,             // limit: the maximum depth; text: the mode's name
    ExternalMaximum,   // limit: the external maximum; text: the mode's name
    Unchanged,         // unchanged since it was last read (only if modified)
    Error,             // status: the HTTP status, 0 when no answer came
    Cancelled,         //
    AnsweredElsewhere, // the server answered from another site
    CrawlBound,        // limit: the bound the crawl had reached before its turn
    ListedByType,      // text: the media type the server gave, which a File Types entry takes
    ListedByName,      // text: the name whose extension a File Types entry takes (its type said
                       // nothing)
    TypeNotWanted,     // text: the media type the server gave ("none" for none): no page, and
                       // no File Types entry takes it
    RobotsDisallowed,  // text: the Disallow rule of the site's robots.txt that matched
    RobotsUnreachable, // status: the HTTP status that refused the site's robots.txt, 0 for no
                       // answer
};

// One decision in 16 bytes: verdict, reason and the value that explains it. Texts (an exclude
// entry, the file types, a mode's name) are kept once in a process-wide table and named by id.
struct CDecision
{
    CVerdict verdict = CVerdict::None;
    CReason reason = CReason::None;
    std::uint16_t status = 0;
    std::uint32_t number = 0;
    std::uint32_t limit = 0;
    std::uint32_t text = 0;

    // A size may pass 32 bits. The reasons that carry one name no text, so the text field holds
    // the size's high half and every record keeps its 16 bytes.
    std::uint64_t Size() const { return (static_cast<std::uint64_t>(text) << 32) | number; }
    void SetSize(std::uint64_t bytes)
    {
        number = static_cast<std::uint32_t>(bytes);
        text = static_cast<std::uint32_t>(bytes >> 32);
    }
};
static_assert(sizeof(CDecision) == 16);

// The decision kept on a record. Browse threads write it while the window reads it, so every
// access takes one of a few shared locks chosen by the record's address.
class CLinkDecision
{
public:
    void Set(const CDecision& decision);
    CDecision Get() const;

private:
    CDecision m_decision;
};
static_assert(sizeof(CLinkDecision) == 16);

// The id of text in the process-wide table, 0 for an empty text. Ids stay valid for the whole
// process; the table only grows with distinct option texts (excludes, file types, mode names).
std::uint32_t DecisionTextId(std::string_view text);
std::string DecisionText(std::uint32_t id);
