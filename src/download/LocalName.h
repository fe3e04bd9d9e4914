#pragma once

#include "net/TransferContext.h"
#include "net/UrlTransfers.h"

#include <cstddef>
#include <string>
#include <string_view>

class CUrl;
class COptions;

// Longest file name that the file systems we write to accept, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The file-name stem of a record: the trailing run of letters, digits, "_", "." and "-" of its
// file title (else its object when longer than "/", else its URL), "unknown" when that run is
// empty or only dots. Never holds a separator, so it cannot leave the download directory; cut
// from the front so that a name with a counter and the extension stays within
// kMaxFileNameBytes. So every final name begins with one of those characters.
std::string LocalBaseName(const CUrl& record);

// A name to save under, split where a counter goes: before the extension.
struct CSaveName
{
    std::string base;
    std::string extension; // without the dot; empty for none
};

// The name a download of the record is saved under: dispositionName (the answer's
// Content-Disposition name) when given, else the URL's decoded last path segment, made safe by
// SafeFileName; "unknown" when that is empty or only dots. The whole name, counter included,
// stays within kMaxFileNameBytes: the base is cut on a character boundary, the extension kept.
CSaveName SaveNameOf(const CUrl& record, std::string_view dispositionName = {});
// The name of LocalBaseName and the URL's extension: for a file system that refuses the other.
CSaveName SafeCharacterName(const CUrl& record);

// The download directory as a prefix: a separator is added when it lacks one, so that files go
// into the directory and not beside it.
std::string DownloadDirectoryPrefix(const std::string& downloadDir);

// Creates a missing download directory (one level); one that cannot be made is reported through
// context.prompts. False when there is none.
bool PrepareDownloadDirectory(const COptions& options, const CTransferContext& context);

// Chooses the path that a download of the record goes to under name (SaveNameOf the record when
// not given), applying options.m_duplicateAction to a file that exists. It creates a missing
// download directory (one level); a directory that cannot be made is reported through
// context.prompts. The skip-same-size policy asks the server for the record's size (watching
// context.cancelDownload). False: the file is not to be downloaded. Runs on a download worker.
bool MakeLocalName(CUrl& record, const COptions& options, const CTransferContext& context,
                   std::string& path, const CSaveName* name = nullptr);

// Gives a complete download, the file partPath in the download directory, its final name: path
// as MakeLocalName chose it. The name is taken only while it is free, in one step, so two
// downloads never share one; overwriting replaces what has the name (a symbolic link itself,
// never what it points to). When another download took the name meanwhile, the policy decides
// again: rename counts on, skip-same-size compares with the size that arrived, skip gives up.
// A file system that refuses the name (EINVAL, as vfat, exFAT and SMB do for some characters)
// gets SafeCharacterName instead, under the same policy.
// Returns 0 with path set to the name taken, kKeptOldFile when the policy keeps the file already
// there, or the system's error number.
int PlaceLocalFile(const CUrl& record, const COptions& options, const CSaveName& name,
                   const std::string& partPath, std::string& path);
