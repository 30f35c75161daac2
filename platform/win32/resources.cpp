// Resources of a module: string table entries and bitmaps.
#include <windows.h>

#include <ole2.h>
#include <olectl.h>

#include "platform/win32/picture.h"
#include "platform/win32/raii.h"
#include "platform/win32/service_impls.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

std::optional<platform::String> Win32Resources::StringResource(std::uint16_t id) {
    // With a zero buffer size LoadStringW hands out a pointer into the mapped resource and the
    // string's length: nothing to size, nothing truncated. The string is not NUL-terminated.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module_, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) {
        return std::nullopt;
    }
    return FromWide(text, static_cast<std::size_t>(length));
}

std::shared_ptr<platform::Picture> Win32Resources::BitmapPicture(std::int32_t id) {
    // A DIB section keeps the bitmap's own colours instead of the screen's format.
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) {
        return nullptr;
    }
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap.get();
    description.bmp.hpal = nullptr;
    ComPtr<IPictureDisp> picture;
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, picture.putVoid())) ||
        !picture) {
        return nullptr;
    }
    // fOwn: the picture deletes the bitmap when its last reference goes.
    static_cast<void>(bitmap.release());
    return std::make_shared<Win32Picture>(std::move(picture));
}

}  // namespace tessaly::win32
