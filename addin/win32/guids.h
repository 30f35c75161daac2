// The identifiers of the add-in's classes, interfaces and type library. They are fixed for
// good: resources/BrindleAddin.idl and addin/registration.h repeat them, and the Wine tests
// check that all three agree.
#pragma once

#include <windows.h>

#include "addin/win32/extensibility.h"

namespace tessaly::win32 {

// {BC59B8F3-285E-489D-B844-DBF403C984A9}
inline constexpr GUID LIBID_BrindleAddin = {
    0xBC59B8F3, 0x285E, 0x489D, {0xB8, 0x44, 0xDB, 0xF4, 0x03, 0xC9, 0x84, 0xA9}};
// {77A93BD5-642A-486A-95E4-93077930DBAE}
inline constexpr GUID CLSID_Tessaly = {
    0x77A93BD5, 0x642A, 0x486A, {0x95, 0xE4, 0x93, 0x07, 0x79, 0x30, 0xDB, 0xAE}};
// {C790B70A-AF7A-4EFE-96F2-1B4238FBD19B}
inline constexpr GUID DIID__Tessaly = {
    0xC790B70A, 0xAF7A, 0x4EFE, {0x96, 0xF2, 0x1B, 0x42, 0x38, 0xFB, 0xD1, 0x9B}};
// {DE4CCF4A-EABA-4221-AB6C-410425E39ED3}
inline constexpr GUID CLSID_ExplorerHandler = {
    0xDE4CCF4A, 0xEABA, 0x4221, {0xAB, 0x6C, 0x41, 0x04, 0x25, 0xE3, 0x9E, 0xD3}};
// {16193E2F-2A3D-4B74-82E4-E23294F52825}
inline constexpr GUID DIID__ExplorerHandler = {
    0x16193E2F, 0x2A3D, 0x4B74, {0x82, 0xE4, 0xE2, 0x32, 0x94, 0xF5, 0x28, 0x25}};
// {F03161A8-A446-4A59-ACD3-AD8C69B8508B}
inline constexpr GUID GUID_PhoneInfo = {
    0xF03161A8, 0xA446, 0x4A59, {0xAC, 0xD3, 0xAD, 0x8C, 0x69, 0xB8, 0x50, 0x8B}};
// IDTExtensibility2's, declared with the interface.
inline constexpr const GUID& IID_IDTExtensibility2 = __uuidof(IDTExtensibility2);

inline constexpr WORD kTypeLibMajor = 1;
inline constexpr WORD kTypeLibMinor = 0;

}  // namespace tessaly::win32
