#include "platform/Archive.h"

#include "platform/FileError.h"

#include <limits>

namespace
{
constexpr std::uint8_t kLongLength8 = 0xFF;
constexpr std::uint16_t kLongLength16 = 0xFFFF;
// A 16-bit length of 0xFFFE announced wide characters in the original format; we never write
// them and refuse to guess.
constexpr std::uint16_t kWideMarker = 0xFFFE;
} // namespace

void CArchiveReader::Need(std::size_t count) const
{
    if (count > Remaining())
        throw CFileError(CFileError::Cause::kEndOfFile, m_path, {});
}

void CArchiveReader::FailInvalid(const std::string& detail) const
{
    throw CFileError(CFileError::Cause::kInvalidFile, m_path, detail);
}

std::uint8_t CArchiveReader::ReadU8()
{
    Need(1);
    return static_cast<std::uint8_t>(m_bytes[m_offset++]);
}

std::uint16_t CArchiveReader::ReadU16()
{
    Need(2);
    const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + m_offset);
    m_offset += 2;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t CArchiveReader::ReadU32()
{
    Need(4);
    const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + m_offset);
    m_offset += 4;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string CArchiveReader::ReadString()
{
    std::uint32_t length = ReadU8();
    if (length == kLongLength8)
    {
        length = ReadU16();
        if (length == kWideMarker)
            FailInvalid("wide-character string");
        if (length == kLongLength16)
            length = ReadU32();
    }
    Need(length); // before allocating: a length never asks for more than the file holds
    std::string text(m_bytes.substr(m_offset, length));
    m_offset += length;
    return text;
}

void CArchiveWriter::WriteU16(std::uint16_t value)
{
    WriteU8(static_cast<std::uint8_t>(value & 0xFF));
    WriteU8(static_cast<std::uint8_t>(value >> 8));
}

void CArchiveWriter::WriteU32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        WriteU8(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void CArchiveWriter::WriteString(std::string_view text)
{
    const std::size_t length = text.size();
    if (length < kLongLength8)
    {
        WriteU8(static_cast<std::uint8_t>(length));
    }
    else if (length < kWideMarker)
    {
        WriteU8(kLongLength8);
        WriteU16(static_cast<std::uint16_t>(length));
    }
    else
    {
        if (length > std::numeric_limits<std::uint32_t>::max())
            throw CFileError(CFileError::Cause::kWriteFailed, {}, "string too long");
        WriteU8(kLongLength8);
        WriteU16(kLongLength16);
        WriteU32(static_cast<std::uint32_t>(length));
    }
    m_bytes.append(text);
}
