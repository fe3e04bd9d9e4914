#pragma once

#include "platform/CalendarTime.h"
#include "platform/TextArena.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

class CArchiveReader;
class CArchiveWriter;

// A set of text keys, each with the calendar time of its first addition, shared by threads:
// the page history and the download history. Keys that are URLs compare in their normal form
// (scheme and host without case, path and query exactly); other keys exactly. Every operation
// holds the list's lock for itself alone.
class CTSList
{
public:
    CTSList() = default;
    CTSList(const CTSList&) = delete;
    CTSList& operator=(const CTSList&) = delete;

    // Adds key with time when it is absent. False when it is present (its first time stays).
    bool Add(const std::string& key, const CCalendarTime& time);
    // True when key is present.
    bool Contains(const std::string& key) const;
    // True and the stored time when key is present.
    bool Lookup(const std::string& key, CCalendarTime& time) const;
    // Empties the list.
    void RemoveAll();
    std::size_t GetCount() const;

    // Replaces the list by the file fileName joined to workDir (unchanged when absolute).
    // False with an empty list when the file cannot be opened or is damaged.
    bool Load(const std::string& fileName, const std::string& workDir);
    // Writes the list to fileName joined to workDir, replacing the old file in one step.
    // Raises CFileError when the file cannot be written.
    bool Save(const std::string& fileName, const std::string& workDir) const;

    // The file's content. Reading raises CFileError on a short or inconsistent file and
    // leaves the list unchanged then.
    void Read(CArchiveReader& archive);
    void Write(CArchiveWriter& archive) const;
    bool LoadFromBytes(std::string_view bytes, const std::string& path = {});
    std::string SaveToBytes() const;

protected:
    // For tests that must hold the lock from outside.
    std::mutex& Mutex() const { return m_mutex; }

private:
    // A history holds a text for every page or file ever met: the keys live end to end in an
    // arena rather than one allocation each.
    struct CEntries
    {
        CTextArena keys;
        std::unordered_map<std::string_view, CCalendarTime> times;

        // Adds key with time when it is absent; false when it is present.
        bool Add(std::string_view key, const CCalendarTime& time);
    };

    // Installs entries in place of the current ones.
    void Replace(CEntries entries);

    mutable std::mutex m_mutex;
    CEntries m_entries;
};
