// File attributes and version resources of real files, the version answers checked against
// the project's own PE reader on the same files.
#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "platform/pe/pe_version.h"
#include "platform/utf.h"
#include "platform/win32/services.h"
#include "test_support.h"

namespace tessaly::win32 {
namespace {

using platform::String;
using testing::U16;

String UpToNul(const String& text) {
    return text.substr(0, text.find(u'\0'));
}

std::optional<String> UpToNul(const std::optional<String>& text) {
    return text ? std::optional<String>(UpToNul(*text)) : std::nullopt;
}

class FilesTest : public ::testing::Test {
  protected:
    String InProgramDirectory(const wchar_t* name) const {
        return U16(testing::ProgramDirectory() + name);
    }
    String SystemFile(const wchar_t* name) const {
        wchar_t directory[MAX_PATH] = {};
        GetSystemDirectoryW(directory, MAX_PATH);
        return U16(std::wstring(directory) + L"\\" + name);
    }

    Win32Platform platform_{GetModuleHandleW(nullptr)};
    platform::FileSystem& files_ = platform_.services().files;
    platform::VersionResources& versions_ = platform_.services().versions;
};

TEST_F(FilesTest, AttributesTellFilesFromFolders) {
    const auto folder = files_.FileAttributesOf(InProgramDirectory(L"child programs"));
    ASSERT_TRUE(folder.has_value());
    EXPECT_NE(*folder & platform::kFileAttributeDirectory, 0u);

    const auto file = files_.FileAttributesOf(InProgramDirectory(L"child programs\\recorder.exe"));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file & platform::kFileAttributeDirectory, 0u);
}

TEST_F(FilesTest, AttributesOfWhatDoesNotExistAreNothing) {
    using namespace std::string_literals;
    for (const String& path : {InProgramDirectory(L"no such file.exe"),
                               InProgramDirectory(L"no such folder\\file.exe"), String(),
                               // Cut at the NUL this would name the existing folder.
                               InProgramDirectory(L"child programs") + u"\0\\x"s}) {
        EXPECT_EQ(files_.FileAttributesOf(path), std::nullopt) << path.size();
    }
}

TEST_F(FilesTest, VersionStringHasTheLengthTheResourceGives) {
    const String fixture = InProgramDirectory(L"child programs\\recorder.exe");
    using namespace std::string_literals;
    // The resource compiler counts the terminating NUL in a value's length.
    EXPECT_EQ(versions_.QueryValue(fixture, u"\\StringFileInfo\\040904b0\\ProductVersion"),
              u"3.14.15.9\0"s);
    EXPECT_EQ(versions_.QueryValue(fixture, u"\\StringFileInfo\\040904B0\\productversion"),
              u"3.14.15.9\0"s);
    EXPECT_EQ(UpToNul(versions_.QueryValue(fixture, u"\\StringFileInfo\\040904b0\\Comments")),
              String());
}

TEST_F(FilesTest, VersionAnswersAgreeWithThePortableReader) {
    const String files[] = {
        InProgramDirectory(L"child programs\\recorder.exe"),
        SystemFile(L"user32.dll"),
        SystemFile(L"ole32.dll"),
        SystemFile(L"shell32.dll"),
        SystemFile(L"notepad.exe"),
        InProgramDirectory(L"win32_files_test.exe"),  // no version resource at all
        InProgramDirectory(L"no such file.exe"),
    };
    const std::u16string_view queries[] = {
        u"\\StringFileInfo\\040904b0\\ProductVersion",
        u"\\StringFileInfo\\040904b0\\FileVersion",
        u"\\StringFileInfo\\040904b0\\CompanyName",
        u"\\StringFileInfo\\040904b0\\FileDescription",
        u"\\StringFileInfo\\040904b0\\NoSuchName",
        u"\\StringFileInfo\\040704b0\\ProductVersion",  // German table
    };
    int present = 0;
    for (const auto& file : files) {
        for (const auto query : queries) {
            SCOPED_TRACE(platform::toPrintableUtf8(file) + " " + platform::toPrintableUtf8(query));
            const auto fromWindows = UpToNul(versions_.QueryValue(file, query));
            const auto fromReader = UpToNul(platform::pe::QueryFileVersionString(file, query));
            EXPECT_EQ(fromWindows, fromReader);
            present += fromWindows.has_value() ? 1 : 0;
        }
    }
    // The comparison means little unless most files do have the values.
    EXPECT_GE(present, 12);
    for (const auto& file : {files[0], files[1], files[2], files[3]}) {
        EXPECT_TRUE(versions_.QueryValue(file, queries[0]).has_value());
    }
}

// Wine's kernel32.dll carries its version resource in 36 languages, Arabic first, each with
// its own table ("040104b0", ..., "040904b0"). Both readers must pick the English one.
TEST_F(FilesTest, MultiLanguageVersionResourceAnswersInEnglish) {
    const String kernel32 = SystemFile(L"kernel32.dll");
    const auto english =
        versions_.QueryValue(kernel32, u"\\StringFileInfo\\040904b0\\ProductVersion");
    ASSERT_TRUE(english.has_value());
    EXPECT_FALSE(UpToNul(*english).empty());
    EXPECT_EQ(versions_.QueryValue(kernel32, u"\\StringFileInfo\\040704b0\\ProductVersion"),
              std::nullopt);
    const auto fromReader = platform::pe::QueryFileVersionString(
        kernel32, u"\\StringFileInfo\\040904b0\\ProductVersion");
    EXPECT_EQ(UpToNul(fromReader), UpToNul(english));
}

TEST_F(FilesTest, OnlyStringValuesAreAnswered) {
    const String fixture = InProgramDirectory(L"child programs\\recorder.exe");
    for (const std::u16string_view query :
         {std::u16string_view(u"\\"), std::u16string_view(u"\\VarFileInfo\\Translation"),
          std::u16string_view(u"\\StringFileInfo\\")}) {
        EXPECT_EQ(versions_.QueryValue(fixture, query), std::nullopt)
            << platform::toPrintableUtf8(query);
    }
}

}  // namespace
}  // namespace tessaly::win32
