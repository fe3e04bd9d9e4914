#pragma once

#include "platform/FileStream.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// The bytes of a download that a later attempt may continue: a file beside the final name whose
// name follows from the URL and the folder ("~harvestor-r<hash>.part", never a possible final
// name), and a record beside it ("<part>.info") with the URL, the folder, the
// validator the server gave (ETag, else Last-Modified) and the announced length. Only bytes
// that came with a validator are ever continued. The file is locked while a download uses it,
// so two downloads (or two runs) never write one file; without the lock a download falls back
// to a CPartFile of its own. So it does when the folder holds, under these names, a link or a
// file that is not the user's own private one (a shared folder such as /tmp): such a file is
// never read, written or adopted. The record never holds the URL's password. The destructor removes
// both files unless the download kept them for later or gave the file its final name.
class CResumablePart
{
public:
    CResumablePart() = default;
    ~CResumablePart();
    CResumablePart(const CResumablePart&) = delete;
    CResumablePart& operator=(const CResumablePart&) = delete;

    // Opens (or creates) and locks the partial file of url and the folder of path. 0, EWOULDBLOCK
    // when another download holds it, EPERM or ELOOP when the file or its record is not the user's
    // own private file, or the system's error number.
    int Open(const std::string& url, const std::string& path);
    // Bytes kept by an earlier attempt that may be continued (0 when there are none or they
    // came without a validator), and what the server said about them then.
    std::uint64_t KeptBytes() const { return m_keptBytes; }
    const std::string& Validator() const { return m_validator; }
    // The length announced with the kept bytes; 0 when none was.
    std::uint64_t Length() const { return m_length; }

    // Starts over with an empty file and no record; 0 or the system's error number.
    int Restart();
    // Records what the server says about the body that starts now (validator may be empty: the
    // bytes are then not kept after a failure). 0 or the system's error number.
    int Remember(const std::string& validator, std::uint64_t length);
    // The stream, positioned after the kept bytes.
    std::FILE* Stream() const { return m_stream.get(); }
    const std::string& Path() const { return m_path; }
    // Writes out what is buffered and gives the file the usual mode of the user's new files,
    // ready for its final name (the lock stays held): 0, or the system's error number.
    int Finish();
    // The download stopped part way: the bytes stay for the next attempt when they came with a
    // validator, else they go.
    void KeepForLater();
    // The file has its final name now: only the record goes.
    void Placed();

private:
    void RemoveRecord() const;

    CFileStream m_stream;
    std::string m_path;
    std::string m_url;
    std::string m_localPath;
    std::string m_validator;
    std::uint64_t m_length = 0;
    std::uint64_t m_keptBytes = 0;
    bool m_keep = false;
};

// The partial file that a download of url into the folder of path continues from.
std::string ResumablePartPath(const std::string& url, const std::string& path);

// Removes what a cut download of url to path left (unless a download uses it now). For the
// user clearing files that are no longer to be downloaded.
void DiscardPartialDownload(const std::string& url, const std::string& path);
