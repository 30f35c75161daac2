// String and bitmap resources of the running program (see resources_test.rc).
#include <windows.h>

#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/picture.h"
#include "platform/win32/services.h"

namespace tessaly::win32 {
namespace {

using platform::String;

class ResourcesTest : public ::testing::Test {
  protected:
    Win32Platform platform_{GetModuleHandleW(nullptr)};
    platform::Resources& resources_ = platform_.services().resources;
};

TEST_F(ResourcesTest, StringsComeWhole) {
    const std::pair<std::uint16_t, std::optional<String>> cases[] = {
        {1000, u"Tessaly test string"},
        {1001, u"Gr\u00fc\u00dfe \u03a9"},
        {17, u"in another block of sixteen"},
        {1002, std::nullopt},  // same block, no entry
        {5000, std::nullopt},  // no such block
    };
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(resources_.StringResource(id), expected) << id;
    }
}

TEST_F(ResourcesTest, BitmapBecomesAPictureThatOwnsIt) {
    const auto picture = resources_.BitmapPicture(200);
    ASSERT_NE(picture, nullptr);
    auto* win32 = dynamic_cast<Win32Picture*>(picture.get());
    ASSERT_NE(win32, nullptr);
    ASSERT_NE(win32->get(), nullptr);

    ComPtr<IUnknown> unknown = ComPtr<IPictureDisp>(win32->get()).query<IUnknown>(IID_IUnknown);
    EXPECT_EQ(picture->Identity(), unknown.get());

    ComPtr<IPicture> asPicture = ComPtr<IPictureDisp>(win32->get()).query<IPicture>(IID_IPicture);
    ASSERT_TRUE(asPicture);
    SHORT type = 0;
    ASSERT_EQ(asPicture->get_Type(&type), S_OK);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    OLE_HANDLE handle = 0;
    ASSERT_EQ(asPicture->get_Handle(&handle), S_OK);
    const auto bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));

    // A DIB section in the file's own format, not a bitmap converted to the screen's.
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 16);
    EXPECT_EQ(section.dsBm.bmHeight, 16);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    EXPECT_NE(section.dsBm.bmBits, nullptr);
}

TEST_F(ResourcesTest, MissingBitmapIsNothing) {
    EXPECT_EQ(resources_.BitmapPicture(201), nullptr);
    EXPECT_EQ(resources_.BitmapPicture(1000), nullptr);  // a string id, not a bitmap
}

TEST_F(ResourcesTest, ReleasingTheLastReferenceDeletesTheBitmap) {
    auto picture = resources_.BitmapPicture(200);
    ASSERT_NE(picture, nullptr);
    OLE_HANDLE handle = 0;
    ASSERT_EQ(ComPtr<IPictureDisp>(static_cast<Win32Picture&>(*picture).get())
                  .query<IPicture>(IID_IPicture)
                  ->get_Handle(&handle),
              S_OK);
    const auto bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    picture.reset();
    EXPECT_EQ(GetObjectType(bitmap), 0u);
}

}  // namespace
}  // namespace tessaly::win32
