#include "settings/TSList.h"

#include "platform/Archive.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/FileTime.h"
#include "settings/DataPaths.h"
#include "url/UrlCanonicalizer.h"
#include "url/UrlPassword.h"

#include <utility>

namespace
{
// One entry takes at least a one-byte key length and the two time words.
constexpr std::size_t kSmallestEntry = 1 + 4 + 4;

// The keys are URLs, kept and compared without their passwords (a history file must not hand
// a password to whoever reads it) and in their normal form, so that a URL met again with its
// host in capitals or an escape in small letters is found. Entries of older files are
// normalised as they are read; the file keeps its bytes' layout. Most keys need neither step and
// are used as they are.
template <class TUse> auto WithKeptKey(std::string_view key, TUse&& use)
{
    if (!HasUrlPassword(key))
    {
        if (IsNormalUrl(key))
            return use(key);
        const std::string normal = NormalizeUrl(key);
        return use(std::string_view(normal));
    }
    const std::string kept = NormalizeUrl(UrlWithoutPassword(key));
    return use(std::string_view(kept));
}
} // namespace

bool CTSList::Add(const std::string& key, const CCalendarTime& time)
{
    std::lock_guard lock(m_mutex);
    return WithKeptKey(key, [&](std::string_view kept) { return m_entries.Add(kept, time); });
}

bool CTSList::Contains(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    return WithKeptKey(key, [&](std::string_view kept) { return m_entries.times.contains(kept); });
}

bool CTSList::Lookup(const std::string& key, CCalendarTime& time) const
{
    std::lock_guard lock(m_mutex);
    return WithKeptKey(key,
                       [&](std::string_view kept)
                       {
                           const auto found = m_entries.times.find(kept);
                           if (found == m_entries.times.end())
                               return false;
                           time = found->second;
                           return true;
                       });
}

void CTSList::RemoveAll()
{
    Replace({});
}

std::size_t CTSList::GetCount() const
{
    std::lock_guard lock(m_mutex);
    return m_entries.times.size();
}

bool CTSList::CEntries::Add(std::string_view key, const CCalendarTime& time)
{
    if (times.contains(key))
        return false;
    times.emplace(keys.Keep(key), time);
    return true;
}

void CTSList::Replace(CEntries entries)
{
    {
        std::lock_guard lock(m_mutex);
        std::swap(m_entries, entries);
    }
    // The old entries are freed outside the lock.
}

void CTSList::Read(CArchiveReader& archive)
{
    CEntries entries;
    const std::int32_t count = archive.ReadI32();
    if (count < 0)
        archive.FailInvalid("negative entry count");
    if (count > 0)
    {
        if (static_cast<std::size_t>(count) > archive.Remaining() / kSmallestEntry)
            archive.FailInvalid("entry count larger than the file");
        entries.times.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i)
        {
            const std::string key = archive.ReadString();
            const std::uint64_t low = archive.ReadU32();
            const std::uint64_t high = archive.ReadU32();
            CCalendarTime time; // a file time that has no calendar time reads as "no time"
            FileTimeToCalendarTime(low | (high << 32), time);
            // A repeated key keeps its first time; an older file's passwords are dropped.
            WithKeptKey(key, [&](std::string_view kept) { return entries.Add(kept, time); });
        }
    }
    // Entries beyond the count: the count is wrong, so the list may be too.
    if (archive.Remaining() != 0)
        archive.FailInvalid("bytes after the last entry");
    Replace(std::move(entries));
}

void CTSList::Write(CArchiveWriter& archive) const
{
    std::lock_guard lock(m_mutex);
    archive.WriteU32(static_cast<std::uint32_t>(m_entries.times.size()));
    for (const auto& [key, time] : m_entries.times)
    {
        std::uint64_t fileTime = 0; // a time with no file time, such as "no time", is written as 0
        CalendarTimeToFileTime(time, fileTime);
        archive.WriteString(key);
        archive.WriteU32(static_cast<std::uint32_t>(fileTime & 0xFFFFFFFFu));
        archive.WriteU32(static_cast<std::uint32_t>(fileTime >> 32));
    }
}

bool CTSList::LoadFromBytes(std::string_view bytes, const std::string& path)
{
    try
    {
        CArchiveReader archive(bytes, path);
        Read(archive);
        return true;
    }
    catch (const CFileError&)
    {
        // A damaged file counts as a missing one.
        RemoveAll();
        return false;
    }
}

std::string CTSList::SaveToBytes() const
{
    CArchiveWriter archive;
    Write(archive);
    return archive.Bytes();
}

bool CTSList::Load(const std::string& fileName, const std::string& workDir)
{
    const std::string path = JoinDataPath(workDir, fileName);
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
    {
        RemoveAll();
        return false;
    }
    return LoadFromBytes(bytes, path);
}

bool CTSList::Save(const std::string& fileName, const std::string& workDir) const
{
    WriteFileAtomically(JoinDataPath(workDir, fileName), SaveToBytes());
    return true;
}
