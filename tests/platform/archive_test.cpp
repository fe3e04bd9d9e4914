#include "platform/Archive.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

namespace
{
CFileError::Cause CauseOfReading(std::string_view bytes)
{
    try
    {
        CArchiveReader reader(bytes);
        reader.ReadString();
    }
    catch (const CFileError& error)
    {
        return error.GetCause();
    }
    ADD_FAILURE() << "no error";
    return CFileError::Cause::kOpenFailed;
}
} // namespace

TEST(ArchiveTest, IntegersAreLittleEndian)
{
    CArchiveWriter writer;
    writer.WriteU32(0x12345678);
    writer.WriteI32(-2);
    writer.WriteBool(true);
    EXPECT_EQ(writer.Bytes(), std::string("\x78\x56\x34\x12\xFE\xFF\xFF\xFF\x01\0\0\0", 12));

    CArchiveReader reader(writer.Bytes());
    EXPECT_EQ(reader.ReadU32(), 0x12345678u);
    EXPECT_EQ(reader.ReadI32(), -2);
    EXPECT_TRUE(reader.ReadBool());
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(ArchiveTest, StringLengthEncodings)
{
    struct Case
    {
        std::size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {0, std::string("\0", 1)},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\0", 3)},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\0\0", 7)},
        {65535, std::string("\xFF\xFF\xFF\xFF\xFF\0\0", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\0", 7)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'a');
        if (!text.empty())
            text.back() = 'z';
        CArchiveWriter writer;
        writer.WriteString(text);
        EXPECT_EQ(writer.Bytes(), c.prefix + text);

        CArchiveReader reader(writer.Bytes());
        EXPECT_EQ(reader.ReadString(), text);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

TEST(ArchiveTest, ShortOrInvalidInputRaisesFileErrors)
{
    CArchiveWriter writer;
    writer.WriteU32(7);
    writer.WriteString(std::string(300, 'x'));
    writer.WriteString(std::string(70000, 'y'));
    const std::string& whole = writer.Bytes();
    for (std::size_t size = 0; size < whole.size(); ++size)
    {
        CArchiveReader reader(std::string_view(whole).substr(0, size), "/d/f");
        try
        {
            reader.ReadU32();
            reader.ReadString();
            reader.ReadString();
            ADD_FAILURE() << "read past the end at size " << size;
        }
        catch (const CFileError& error)
        {
            EXPECT_EQ(error.GetCause(), CFileError::Cause::kEndOfFile);
            EXPECT_EQ(error.GetPath(), "/d/f");
        }
    }
    // Lengths far beyond the bytes fail before anything is allocated.
    EXPECT_EQ(CauseOfReading(std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7)),
              CFileError::Cause::kEndOfFile);
    EXPECT_EQ(CauseOfReading("\xFF\xFE\xFF\x01"), CFileError::Cause::kInvalidFile);

    // A longer prefix than needed is still read.
    const std::string looseBytes("\xFF\x03\0abc", 6);
    CArchiveReader loose(looseBytes);
    EXPECT_EQ(loose.ReadString(), "abc");
}
