#!/usr/bin/env python3
"""Static checks of a built TessalyOutlook.dll (x64 or x86), for builds that cannot run it.

Usage: check-pe.py TessalyOutlook.dll [--machine x64|x86]

Checks that the DLL exports exactly the five COM server entry points, undecorated; imports
system DLLs only (no MinGW runtime); carries the version resource values, the string table,
the bitmaps 102 and 103 and a type library; is stripped, with a .gnu_debuglink naming the
debug file beside it (whose checksum it must match); and is smaller than 700 KB.
Needs python3-pefile.
"""
import argparse
import os
import re
import struct
import sys
import zlib

import pefile

EXPORTS = {"DllCanUnloadNow", "DllGetClassObject", "DllInstall", "DllRegisterServer",
           "DllUnregisterServer"}

# DLLs that every Windows installation has. api-ms-win-* are API sets of the system.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll",
               "gdi32.dll", "version.dll", "shell32.dll", "msvcrt.dll", "shlwapi.dll",
               "comctl32.dll", "comdlg32.dll", "ws2_32.dll", "ucrtbase.dll", "bcrypt.dll",
               "ntdll.dll", "rpcrt4.dll"}

VERSION_STRINGS = {
    "FileVersion": "1.00.0003",
    "ProductVersion": "1.00.0003",
    "ProductName": "Tessaly Outlook Add-In",
    "InternalName": "TessalyOutlook",
    "OriginalFilename": "TessalyOutlook.dll",
    "OLESelfRegister": "",
    "CompanyName": "Wrenfield",
    "FileDescription": "Tessaly Add-In for Microsoft Outlook",
}

MAX_SIZE = 700 * 1024

MACHINES = {"x64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"],
            "x86": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]}


def is_system_dll(name):
    name = name.lower()
    return name in SYSTEM_DLLS or name.startswith("api-ms-win-") or name.startswith("ext-ms-win-")


def exported_names(pe):
    if not hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        return []
    return [s.name.decode("ascii") if s.name else f"#{s.ordinal}"
            for s in pe.DIRECTORY_ENTRY_EXPORT.symbols]


def imported_dlls(pe):
    if not hasattr(pe, "DIRECTORY_ENTRY_IMPORT"):
        return []
    return [e.dll.decode("ascii") for e in pe.DIRECTORY_ENTRY_IMPORT]


def version_info(pe):
    """{block: {name: value}} of StringFileInfo, and the list of Translation pairs."""
    strings, translations = {}, []
    for info in getattr(pe, "FileInfo", None) or []:
        for entry in info:
            if entry.Key == b"StringFileInfo":
                for table in entry.StringTable:
                    strings[table.LangID.decode("ascii").upper()] = {
                        k.decode("utf-8"): v.decode("utf-8") for k, v in table.entries.items()}
            elif entry.Key == b"VarFileInfo":
                for var in entry.Var:
                    value = var.entry.get(b"Translation")
                    if isinstance(value, int):
                        translations.append((value & 0xFFFF, value >> 16))
                    elif value:
                        # pefile gives the pairs as text: "0x0409 0x04b0"
                        numbers = [int(n, 16) for n in str(value).split()]
                        translations.extend(zip(numbers[0::2], numbers[1::2]))
    return strings, translations


def resources(pe):
    """{type: set of ids} of the resource directory (types and ids as ints or names)."""
    found = {}
    for rtype in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries if hasattr(
            pe, "DIRECTORY_ENTRY_RESOURCE") else []:
        key = rtype.id if rtype.id is not None else str(rtype.name)
        ids = found.setdefault(key, set())
        for entry in rtype.directory.entries:
            ids.add(entry.id if entry.id is not None else str(entry.name))
    return found


def section_name(pe, s):
    """The section's name; "/N" is the offset of a long name in the COFF string table, which
    follows the symbols and which stripping keeps for such names."""
    name = s.Name.rstrip(b"\0").decode("ascii", "replace")
    if not re.fullmatch(r"/[0-9]+", name) or not pe.FILE_HEADER.PointerToSymbolTable:
        return name
    table = pe.FILE_HEADER.PointerToSymbolTable + 18 * pe.FILE_HEADER.NumberOfSymbols
    start = table + int(name[1:])
    end = pe.__data__.find(b"\0", start)
    return pe.__data__[start:end].decode("ascii", "replace") if end > start else name


def section(pe, name):
    for s in pe.sections:
        if section_name(pe, s) == name:
            return s
    return None


def debuglink(pe):
    """(file name, CRC-32) of the .gnu_debuglink section, or None."""
    link = section(pe, ".gnu_debuglink")
    if link is None:
        return None
    data = link.get_data()
    end = data.find(b"\0")
    if end <= 0:
        return None
    offset = (end + 4) & ~3  # the name, its NUL and padding to 4 bytes, then the CRC
    if len(data) < offset + 4:
        return None
    return data[:end].decode("utf-8", "replace"), struct.unpack_from("<I", data, offset)[0]


def check_stripped(pe, path):
    errors = []
    if pe.FILE_HEADER.NumberOfSymbols:
        errors.append(f"not stripped: {pe.FILE_HEADER.NumberOfSymbols} COFF symbols")
    names = [section_name(pe, s) for s in pe.sections]
    debug = [n for n in names if n.startswith(".debug")]
    if debug:
        errors.append(f"not stripped: debug sections {debug}")
    link = debuglink(pe)
    expected = os.path.basename(path) + ".debug"
    if link is None:
        errors.append("no .gnu_debuglink section")
        return errors
    name, crc = link
    if name != expected:
        errors.append(f".gnu_debuglink names {name!r}, expected {expected!r}")
    debug_file = os.path.join(os.path.dirname(path), name)
    if not os.path.isfile(debug_file):
        errors.append(f"debug file {debug_file} missing")
    else:
        with open(debug_file, "rb") as f:
            actual = zlib.crc32(f.read()) & 0xFFFFFFFF
        if actual != crc:
            errors.append(f"{debug_file} has CRC {actual:#010x}, the link expects {crc:#010x}")
    return errors


def check(path, machine):
    errors = []
    pe = pefile.PE(path)

    if machine and pe.FILE_HEADER.Machine != MACHINES[machine]:
        errors.append(f"machine is {pe.FILE_HEADER.Machine:#x}, expected {machine}")
    if not pe.is_dll():
        errors.append("not a DLL")

    names = exported_names(pe)
    if sorted(names) != sorted(EXPORTS):
        errors.append(f"exports {sorted(names)}, expected exactly {sorted(EXPORTS)}")
    for name in names:
        if re.search(r"[@?]", name) or name.startswith("_"):
            errors.append(f"decorated export {name}")

    for dll in imported_dlls(pe):
        if not is_system_dll(dll):
            errors.append(f"imports non-system DLL {dll}")

    strings, translations = version_info(pe)
    table = strings.get("040904B0")
    if table is None:
        errors.append(f"no StringFileInfo block 040904B0 (found {sorted(strings)})")
    else:
        for key, expected in VERSION_STRINGS.items():
            actual = table.get(key)
            if actual is None:
                errors.append(f"version value {key} missing")
            elif actual.rstrip("\0") != expected:
                errors.append(f"version value {key} is {actual!r}, expected {expected!r}")
    if (0x0409, 1200) not in translations:
        errors.append(f"Translation 0x0409, 1200 missing (found {translations})")
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if fixed:
        info = fixed[0]
        if (info.FileVersionMS, info.FileVersionLS) != (0x00010000, 0x00000003):
            errors.append("binary FILEVERSION is not 1,0,0,3")
    else:
        errors.append("no fixed file version")

    found = resources(pe)
    rt = pefile.RESOURCE_TYPE
    if not found.get(rt["RT_STRING"]):
        errors.append("no string table")
    bitmaps = found.get(rt["RT_BITMAP"], set())
    for bitmap in (102, 103):
        if bitmap not in bitmaps:
            errors.append(f"bitmap {bitmap} missing")
    if 1 not in found.get("TYPELIB", set()):
        errors.append("TYPELIB resource 1 missing")

    errors.extend(check_stripped(pe, path))
    size = os.path.getsize(path)
    if size >= MAX_SIZE:
        errors.append(f"{size} bytes, expected under {MAX_SIZE}")
    return errors


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dll")
    parser.add_argument("--machine", choices=sorted(MACHINES))
    args = parser.parse_args()
    errors = check(args.dll, args.machine)
    for error in errors:
        print(f"{args.dll}: {error}", file=sys.stderr)
    if not errors:
        print(f"{args.dll}: ok")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
