#include "platform/Archive.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

TEST(ArchiveTest, StringLengthEncodings)
{
    const std::pair<std::size_t, std::string> cases[] = {
        {0, std::string("\0", 1)},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\0", 3)},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\0\0", 7)},
        {65535, std::string("\xFF\xFF\xFF\xFF\xFF\0\0", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\0", 7)},
    };
    for (const auto& [length, prefix] : cases)
    {
        const std::string text = std::string(length, 'a') + "z";
        CArchiveWriter writer;
        writer.WriteString(text.substr(1));
        writer.WriteI32(-2);
        EXPECT_EQ(writer.Bytes(), prefix + text.substr(1) + "\xFE\xFF\xFF\xFF") << length;

        CArchiveReader reader(writer.Bytes());
        EXPECT_EQ(reader.ReadString(), text.substr(1));
        EXPECT_EQ(reader.ReadI32(), -2);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    const std::string loose("\xFF\x03\0abc", 6); // a longer prefix than needed still reads
    CArchiveReader reader(loose);
    EXPECT_EQ(reader.ReadString(), "abc");
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
            ASSERT_EQ(error.GetCause(), CFileError::Cause::kEndOfFile);
            ASSERT_EQ(error.GetPath(), "/d/f");
        }
    }
    // A length far beyond the bytes fails before anything is allocated; the old wide-string
    // marker is refused.
    const std::pair<std::string, CFileError::Cause> bad[] = {
        {std::string(7, '\xFF'), CFileError::Cause::kEndOfFile},
        {"\xFF\xFE\xFF\x01", CFileError::Cause::kInvalidFile},
    };
    for (const auto& [bytes, cause] : bad)
    {
        CArchiveReader reader(bytes);
        try
        {
            reader.ReadString();
            ADD_FAILURE() << "no error";
        }
        catch (const CFileError& error)
        {
            EXPECT_EQ(error.GetCause(), cause);
        }
    }
}
