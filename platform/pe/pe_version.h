// Reads strings from the version resource of a PE file (an .exe or .dll) without asking the
// operating system, so the same code answers on Windows and on the POSIX stand-in. The files
// read here come from anywhere on the disk: every malformed or hostile file yields
// std::nullopt, never a crash or a read outside the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace tessaly::platform::pe {

// Files larger than this are refused unread; real executables with version resources are far
// smaller, and the cap keeps a hostile path (a device, a huge file) from costing anything.
inline constexpr std::uint64_t kMaxImageBytes = std::uint64_t{256} << 20;

// The raw VS_VERSIONINFO block of an image: the data of the first RT_VERSION resource (first
// name or id, first language). std::nullopt when the image has none or is malformed.
std::optional<std::vector<std::byte>> VersionInfoBlock(std::span<const std::byte> image);

// Looks up a string in a VS_VERSIONINFO block. Only string paths are answered:
// "\StringFileInfo\<table>\<name>", where <table> is the 8-hex-digit language and code page
// ("040904b0") and <name> the value's key ("ProductVersion"). Both are compared without regard
// to (ASCII) case, as VerQueryValue does; empty components ("\\") are ignored.
//
// The value is taken from the String block's extent, not from its wValueLength (which many
// files get wrong): the result holds every UTF-16 unit from the value's start to the end of
// the block. That is normally the text and its terminating NUL, sometimes more NULs; embedded
// NULs are kept, so the caller decides where the text ends (usually at the first NUL).
std::optional<std::u16string> QueryVersionInfoString(std::span<const std::byte> versionInfo,
                                                     std::u16string_view queryPath);

// VersionInfoBlock followed by QueryVersionInfoString.
std::optional<std::u16string> QueryVersionString(std::span<const std::byte> image,
                                                 std::u16string_view queryPath);

// The same for a file on disk. Only the headers, the resource directory and the version block
// are read, never the whole file. std::nullopt when the file cannot be opened or read.
std::optional<std::u16string> QueryFileVersionString(std::u16string_view file,
                                                     std::u16string_view queryPath);

// The VersionResources service on top of QueryFileVersionString.
class PeVersionResources final : public VersionResources {
  public:
    std::optional<String> QueryValue(std::u16string_view file,
                                     std::u16string_view queryPath) override;
};

}  // namespace tessaly::platform::pe
