#include "net/ContentDisposition.h"
#include "net/MediaTypes.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <utility>

TEST(ContentDispositionTest, TheExtendedNameWinsWhenItCanBeRead)
{
    const std::pair<std::string, std::string> cases[] = {
        {"attachment; filename=\"manual v2.pdf\"", "manual v2.pdf"},
        {"attachment; filename=report.zip", "report.zip"},
        {"attachment;filename=\"a \\\"q\\\".txt\"", "a \"q\".txt"},
        {"attachment; filename*=UTF-8''%C3%BCbersicht.pdf", "\u00FCbersicht.pdf"},
        // Either order: filename* is preferred, filename is the fallback.
        {"attachment; filename*=UTF-8''%E2%82%AC.pdf; filename=\"EUR.pdf\"", "\xE2\x82\xAC.pdf"},
        {"attachment; filename=\"EUR.pdf\"; filename*=utf-8'en'%E2%82%AC.pdf", "\xE2\x82\xAC.pdf"},
        {"attachment; filename*=iso-8859-1''%E9t%E9.txt", "\xC3\xA9t\xC3\xA9.txt"},
        // A charset we cannot read, or a broken escape, leaves the plain name.
        {"attachment; filename*=koi8-r''%C1.txt; filename=plain.txt", "plain.txt"},
        {"attachment; filename*=UTF-8''bad%G1.txt; filename=plain.txt", "plain.txt"},
        {"attachment; FILENAME=\"../../.bashrc\"", "../../.bashrc"},
        {"inline", ""},
        {"attachment; name=\"x.zip\"", ""},
        {"", ""},
    };
    for (const auto& [value, name] : cases)
        EXPECT_EQ(DispositionFileName(value), name) << value;
}

TEST(MediaTypesTest, TypesNameTheirExtensionsFromTheTableAndTheBuiltInOnes)
{
    const CMediaTypes table(
        "# comment\napplication/x-custom  cst  cs2\n\napplication/pdf pdf xpdf\n");
    const auto has = [&](std::string_view type, std::string_view extension)
    {
        const auto extensions = table.ExtensionsOf(type);
        return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
    };
    EXPECT_TRUE(has("application/x-custom", "cs2"));
    EXPECT_TRUE(has("application/pdf", "pdf"));
    EXPECT_TRUE(has("application/pdf", "xpdf"));
    EXPECT_TRUE(has("application/zip", "zip"));
    EXPECT_TRUE(
        has("application/vnd.openxmlformats-officedocument.wordprocessingml.document", "docx"));
    EXPECT_TRUE(table.ExtensionsOf("application/unheard-of").empty());
    // The system's table knows at least what the built-in one does.
    EXPECT_FALSE(CMediaTypes::System().ExtensionsOf("image/png").empty());

    EXPECT_EQ(BareMediaType("Application/PDF ; name=\"x\""), "application/pdf");
    EXPECT_TRUE(IsPageMediaType(BareMediaType("text/html; charset=utf-8")));
    EXPECT_TRUE(IsPageMediaType("application/xhtml+xml"));
    for (const char* generic : {"", "application/octet-stream", "binary/octet-stream"})
        EXPECT_TRUE(IsGenericMediaType(generic)) << generic;
    EXPECT_FALSE(IsGenericMediaType("application/pdf"));

    const std::pair<std::string, std::string> extensions[] = {
        {"a.torrent", "torrent"},
        {"x.AppImage", "AppImage"},
        {"v1.2.3-beta", ""},
        {"a.b.zip", "zip"},
        {"noext", ""},
        {"dot.", ""},
        {"a.abcdefghijk", ""},
        {"a.abcdefghij", "abcdefghij"},
    };
    for (const auto& [name, extension] : extensions)
        EXPECT_EQ(NameExtension(name), extension) << name;
}
