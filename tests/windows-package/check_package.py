#!/usr/bin/python3
"""Checks what scripts/package-windows.sh made, and the time stamps of what
a Windows tree linked.

    check_package.py stamps FILE...
        Every time stamp the PE format has (COFF header, export, import,
        debug, resource and load-config directories) is zero, and no
        __DATE__ text but the fixed one is left in the file.

    check_package.py zip ZIP VERSION ARCH DEBUG_FILE [--signed] [--vendor-dll DLL]
        The zip's entries (names, order, dates, permissions), its README,
        and its program: the architecture, no debug sections or symbols, a
        .gnu_debuglink naming DEBUG_FILE with its checksum, the time stamps
        above, the resources (check_resources.py), a signature exactly when
        --signed, and the maker's DLL, byte for byte, exactly when
        --vendor-dll.

    check_package.py recorder-zip ZIP VERSION ARCH SUFFIX
        The recording library's zip (--recorder), named for what it fits
        (SUFFIX: win64, win32-cdecl, win32-stdcall): its entries as above,
        RECORDING.txt, and a stripped vqdtrm4hid.dll of the architecture
        that exports the ten functions of the maker's library by their
        plain names and needs nothing but Windows' own DLLs.

Exits non-zero, naming each fault. Debian's python3-pefile."""

import os
import re
import struct
import sys
import tempfile
import zipfile
import zlib

import pefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_resources  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
ICON = os.path.join(ROOT, "resources", "windows", "VQDTRM4_UpdateProgram.ico")
README = os.path.join(ROOT, "docs", "windows", "README.txt")
RECORDING = os.path.join(ROOT, "docs", "windows", "RECORDING.txt")
HID_FUNCTIONS = sorted(["HID_Initialize", "HID_SetCallback", "HID_Start", "HID_Stop", "HID_Finalize", "HID_EnumHIDno",
                        "HID_GetDeviceType", "HID_GetFirmwareVersion", "HID_Write", "HID_Input"])

MACHINES = {"x64": 0x8664, "x86": 0x014C}
SUFFIXES = {"x64": "win64", "x86": "win32"}
ZIP_DATE = (1980, 1, 1, 0, 0, 0)
# What GCC's __DATE__ and __TIME__ read with SOURCE_DATE_EPOCH=0
# (cmake/Windows.cmake); juce_core keeps both for Time::getCompilationDate.
FIXED_DATE = b"Jan  1 1970"
DATE_TEXT = re.compile(rb"(?:Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d \d{4}(?=\0)")


def section_names(pe, data):
    """The sections' real names: names longer than eight characters (such as
    .debug_info) stand in the COFF string table as "/offset"."""
    strings_at = pe.FILE_HEADER.PointerToSymbolTable + 18 * pe.FILE_HEADER.NumberOfSymbols
    names = []
    for section in pe.sections:
        name = section.Name.rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and name[1:].isdigit() and pe.FILE_HEADER.PointerToSymbolTable:
            start = strings_at + int(name[1:])
            name = data[start:data.find(b"\0", start)].decode("latin-1")
        names.append(name)
    return names


def check_stamps(path, faults):
    pe = pefile.PE(path)
    data = pe.__data__
    stamps = [("the COFF header", pe.FILE_HEADER.TimeDateStamp)]
    if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        stamps.append(("the export directory", pe.DIRECTORY_ENTRY_EXPORT.struct.TimeDateStamp))
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        stamps.append((f"the import of {entry.dll.decode()}", entry.struct.TimeDateStamp))
    for entry in getattr(pe, "DIRECTORY_ENTRY_DEBUG", []):
        stamps.append((f"debug directory entry of type {entry.struct.Type}", entry.struct.TimeDateStamp))
    if hasattr(pe, "DIRECTORY_ENTRY_LOAD_CONFIG"):
        stamps.append(("the load configuration", pe.DIRECTORY_ENTRY_LOAD_CONFIG.struct.TimeDateStamp))

    def resource_stamps(directory, where):
        stamps.append((f"the resource directory {where}", directory.struct.TimeDateStamp))
        for entry in directory.entries:
            if hasattr(entry, "directory"):
                resource_stamps(entry.directory, f"{where}/{entry.struct.Id if entry.name is None else entry.name}")

    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        resource_stamps(pe.DIRECTORY_ENTRY_RESOURCE, "")
    for where, stamp in stamps:
        faults.check(stamp == 0, f"{path}: {where} has the time stamp {stamp}")

    # The build's own date, had a compiler read the clock.
    dates = set(DATE_TEXT.findall(data))
    faults.check(dates <= {FIXED_DATE}, f"{path}: holds the build dates {sorted(dates)}, not only {FIXED_DATE}")
    return pe


def check_program(path, arch, version, debug_file, signed, faults):
    pe = check_stamps(path, faults)
    data = pe.__data__
    faults.check(pe.FILE_HEADER.Machine == MACHINES[arch],
                 f"{path}: machine {pe.FILE_HEADER.Machine:#x}, not {arch}")
    names = section_names(pe, data)
    debug_sections = [name for name in names if name.startswith((".debug", ".zdebug"))]
    faults.check(not debug_sections, f"{path}: still carries debug sections {debug_sections}")
    faults.check(pe.FILE_HEADER.NumberOfSymbols == 0,
                 f"{path}: still carries {pe.FILE_HEADER.NumberOfSymbols} COFF symbols")

    # .gnu_debuglink: the debug file's name, zero-padded to four bytes, and
    # the CRC-32 of its content, by which gdb knows it belongs.
    if faults.check(".gnu_debuglink" in names, f"{path}: no .gnu_debuglink section (sections: {names})"):
        link = pe.sections[names.index(".gnu_debuglink")].get_data()
        name = link[:link.index(b"\0")].decode()
        crc_at = (len(name) + 1 + 3) // 4 * 4
        crc = struct.unpack_from("<I", link, crc_at)[0]
        faults.check(name == os.path.basename(debug_file), f"{path}: the debug link names {name!r}")
        with open(debug_file, "rb") as file:
            debug = file.read()
        faults.check(crc == zlib.crc32(debug), f"{path}: the debug link's checksum is not {debug_file}'s")
        debug_pe = pefile.PE(data=debug, fast_load=True)
        faults.check(any(name.startswith(".debug_info") for name in section_names(debug_pe, debug)),
                     f"{debug_file}: no .debug_info section")

    security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    if signed:
        faults.check(security.Size > 0, f"{path}: not signed")
    else:
        faults.check(security.Size == 0, f"{path}: signed, although no certificate was given")

    resources = check_resources.Faults()
    table = check_resources.resources_of(pe)
    check_resources.check_manifest(table, resources)
    check_resources.check_version(pe, table, version, resources)
    check_resources.check_icon(path, table, ICON, resources)
    for fault in resources.items:
        faults.check(False, f"{path}: {fault}")


def check_entries(archive, zip_path, expected, faults):
    infos = archive.infolist()
    faults.check([info.filename for info in infos] == expected,
                 f"{zip_path}: entries {[info.filename for info in infos]}, not {expected}")
    for info in infos:
        faults.check(info.date_time == ZIP_DATE, f"{zip_path}: {info.filename} dated {info.date_time}")
        mode = info.external_attr >> 16
        wanted = 0o40755 if info.is_dir() else 0o100755 if info.filename.endswith((".exe", ".dll")) else 0o100644
        faults.check(info.create_system == 3 and mode == wanted,
                     f"{zip_path}: {info.filename} has mode {mode:o} from system {info.create_system}")
        faults.check(not info.extra, f"{zip_path}: {info.filename} carries extra fields")


def check_recorder_zip(zip_path, version, arch, suffix, faults):
    folder = f"VQDTRM4_Recorder-{version}-{suffix}/"
    faults.check(os.path.basename(zip_path) == folder[:-1] + ".zip", f"{zip_path}: not named {folder[:-1]}.zip")
    with zipfile.ZipFile(zip_path) as archive:
        expected = [folder, folder + "RECORDING.txt", folder + "vqdtrm4hid.dll"]
        check_entries(archive, zip_path, expected, faults)
        if archive.namelist() != expected:
            return
        with open(RECORDING, "rb") as file:
            faults.check(archive.read(folder + "RECORDING.txt") == file.read().replace(b"\n", b"\r\n"),
                         f"{zip_path}: RECORDING.txt is not docs/windows/RECORDING.txt with CRLF line ends")
        data = archive.read(folder + "vqdtrm4hid.dll")
    pe = pefile.PE(data=data)
    faults.check(pe.FILE_HEADER.Machine == MACHINES[arch], f"{zip_path}: a DLL for machine {pe.FILE_HEADER.Machine:#x}")
    faults.check(pe.FILE_HEADER.NumberOfSymbols == 0 and not any(
        name.startswith((".debug", ".zdebug")) for name in section_names(pe, data)), f"{zip_path}: the DLL is not stripped")
    exports = sorted(symbol.name.decode() for symbol in getattr(pe, "DIRECTORY_ENTRY_EXPORT").symbols if symbol.name)
    faults.check(exports == HID_FUNCTIONS, f"{zip_path}: the DLL exports {exports}, not {HID_FUNCTIONS}")
    imports = sorted(entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    faults.check(set(imports) <= {"kernel32.dll", "user32.dll", "version.dll", "msvcrt.dll"},
                 f"{zip_path}: the DLL needs {imports}")


def check_zip(zip_path, version, arch, debug_file, signed, vendor_dll, faults):
    folder = f"VQDTRM4_UpdateProgram-{version}-{SUFFIXES[arch]}/"
    faults.check(os.path.basename(zip_path) == folder[:-1] + ".zip", f"{zip_path}: not named {folder[:-1]}.zip")
    expected = [folder, folder + "README.txt", folder + "VQDTRM4_UpdateProgram.exe"]
    if vendor_dll:
        expected.append(folder + "vqdtrm4hid.dll")
    with zipfile.ZipFile(zip_path) as archive:
        check_entries(archive, zip_path, expected, faults)
        names = archive.namelist()
        with tempfile.TemporaryDirectory() as unpacked:
            archive.extractall(unpacked)
            if folder + "README.txt" in names:
                with open(os.path.join(unpacked, folder, "README.txt"), "rb") as file:
                    readme = file.read()
                with open(README, "rb") as file:
                    source = file.read()
                faults.check(readme == source.replace(b"\n", b"\r\n"),
                             f"{zip_path}: README.txt is not docs/windows/README.txt with CRLF line ends")
            if folder + "VQDTRM4_UpdateProgram.exe" in names:
                check_program(os.path.join(unpacked, folder, "VQDTRM4_UpdateProgram.exe"),
                              arch, version, debug_file, signed, faults)
            if vendor_dll and folder + "vqdtrm4hid.dll" in names:
                with open(os.path.join(unpacked, folder, "vqdtrm4hid.dll"), "rb") as one, \
                        open(vendor_dll, "rb") as other:
                    faults.check(one.read() == other.read(), f"{zip_path}: vqdtrm4hid.dll is not {vendor_dll}")
    faults.check(not any(name.lower().endswith(".dll") for name in names) or vendor_dll,
                 f"{zip_path}: holds a DLL, although none was asked for")


def main():
    arguments = sys.argv[1:]
    faults = check_resources.Faults()
    if len(arguments) >= 2 and arguments[0] == "stamps":
        for path in arguments[1:]:
            check_stamps(path, faults)
    elif len(arguments) >= 5 and arguments[0] == "zip":
        zip_path, version, arch, debug_file = arguments[1:5]
        options = arguments[5:]
        signed = "--signed" in options
        vendor_dll = options[options.index("--vendor-dll") + 1] if "--vendor-dll" in options else None
        if arch not in MACHINES:
            print(__doc__, file=sys.stderr)
            return 2
        check_zip(zip_path, version, arch, debug_file, signed, vendor_dll, faults)
    elif len(arguments) == 5 and arguments[0] == "recorder-zip" and arguments[3] in MACHINES:
        check_recorder_zip(*arguments[1:], faults)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for fault in faults.items:
        print(fault, file=sys.stderr)
    return 1 if faults.items else 0


if __name__ == "__main__":
    sys.exit(main())
