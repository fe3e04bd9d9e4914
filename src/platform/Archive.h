#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Little-endian reading and writing of the settings and history files: 32-bit integers and
// length-prefixed byte strings (one byte below 255; else 0xFF and 16 bits below 0xFFFE; else
// 0xFF, 0xFFFF and 32 bits), no terminators, no class headers.

// Reads from bytes already in memory (which must outlive the reader), so that no length or count
// taken from a file can ask for more than the file holds. A short read raises CFileError
// (kEndOfFile) naming m_path.
class CArchiveReader
{
public:
    explicit CArchiveReader(std::string_view bytes, std::string path = {})
        : m_bytes(bytes), m_path(std::move(path))
    {
    }

    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    bool ReadBool() { return ReadU32() != 0; }
    std::string ReadString();

    std::size_t Remaining() const { return m_bytes.size() - m_offset; }
    const std::string& GetPath() const { return m_path; }

    // Raises the archive's invalid-file error for this file.
    [[noreturn]] void FailInvalid(const std::string& detail) const;

private:
    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    void Need(std::size_t count) const;

    std::string_view m_bytes;
    std::size_t m_offset = 0;
    std::string m_path;
};

// Collects the bytes of a file; the caller puts them on disk in one piece.
class CArchiveWriter
{
public:
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value) { WriteU32(static_cast<std::uint32_t>(value)); }
    void WriteBool(bool value) { WriteU32(value ? 1 : 0); }
    void WriteString(std::string_view text);

    const std::string& Bytes() const { return m_bytes; }

private:
    void WriteU8(std::uint8_t value) { m_bytes.push_back(static_cast<char>(value)); }
    void WriteU16(std::uint16_t value);

    std::string m_bytes;
};
