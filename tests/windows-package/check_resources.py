#!/usr/bin/python3
"""Reads the Windows resources back from a built VQDTRM4_UpdateProgram.exe and
checks them against what Windows acts on: the manifest (no elevation, the
Windows versions, the DPI awareness JUCE asks for), the version resource
(the project's version) and the icon (the one committed in
resources/windows/, in its four sizes).

    check_resources.py EXE VERSION [ICO]

Exits non-zero, naming each fault, when a resource is missing or wrong.
Debian's python3-pefile and icoutils (wrestool, icotool)."""

import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import pefile

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"
SETTINGS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SETTINGS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"

SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}

ICON_SIZES = [16, 32, 48, 256]


class Faults:
    def __init__(self):
        self.items = []

    def check(self, condition, text):
        if not condition:
            self.items.append(text)
        return condition


def resources_of(pe):
    """{(type, id): [(language, bytes)]} of the executable's resources."""
    found = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return found
    for type_entry in root.entries:
        for name_entry in type_entry.directory.entries:
            for language_entry in name_entry.directory.entries:
                data = language_entry.data.struct
                raw = pe.get_data(data.OffsetToData, data.Size)
                key = (type_entry.struct.Id, name_entry.struct.Id)
                found.setdefault(key, []).append((language_entry.struct.Id, raw))
    return found


def check_manifest(resources, faults):
    # Windows reads resource 1 of type RT_MANIFEST when it creates the process.
    entries = resources.get((RT_MANIFEST, 1), [])
    if not faults.check(len(entries) == 1, "no manifest (RT_MANIFEST 1), or more than one language of it"):
        return
    try:
        root = ElementTree.fromstring(entries[0][1])
    except ElementTree.ParseError as error:
        faults.check(False, f"the manifest is not well-formed XML: {error}")
        return
    faults.check(root.tag == f"{{{ASM_V1}}}assembly" and root.get("manifestVersion") == "1.0",
                 f"the manifest's root is {root.tag}, not an asm.v1 assembly of version 1.0")

    # Windows only knows these elements in their own namespaces; the same
    # name in another one is ignored without a word.
    levels = root.findall(f"{{{ASM_V3}}}trustInfo/{{{ASM_V3}}}security/{{{ASM_V3}}}requestedPrivileges/"
                          f"{{{ASM_V3}}}requestedExecutionLevel")
    if faults.check(len(levels) == 1, "the manifest has no (or more than one) requestedExecutionLevel in asm.v3"):
        faults.check(levels[0].get("level") == "asInvoker",
                     f"requestedExecutionLevel is {levels[0].get('level')!r}, not 'asInvoker'")
        faults.check(levels[0].get("uiAccess", "false") == "false", "requestedExecutionLevel asks for uiAccess")

    ids = [element.get("Id", "").lower() for element in
           root.findall(f"{{{COMPATIBILITY}}}compatibility/{{{COMPATIBILITY}}}application/{{{COMPATIBILITY}}}supportedOS")]
    for guid, name in SUPPORTED_OS.items():
        faults.check(guid in ids, f"the manifest does not declare {name} ({guid})")
    faults.check(sorted(ids) == sorted(SUPPORTED_OS), f"the manifest's supportedOS entries are {ids}")

    settings = f"{{{ASM_V3}}}application/{{{ASM_V3}}}windowsSettings"
    dpi_aware = root.findall(f"{settings}/{{{SETTINGS_2005}}}dpiAware")
    dpi_awareness = root.findall(f"{settings}/{{{SETTINGS_2016}}}dpiAwareness")
    # JUCE asks for per-monitor v2, then per-monitor with non-client scaling
    # (Windows 10 1607), then system awareness: Windows 8.1 and earlier get
    # system awareness from JUCE, which "true" gives them here too.
    faults.check([element.text.strip() for element in dpi_aware] == ["true"],
                 f"dpiAware (2005 settings) is {[element.text for element in dpi_aware]}, not 'true'")
    faults.check([[value.strip() for value in element.text.split(",")] for element in dpi_awareness]
                 == [["PerMonitorV2", "PerMonitor"]],
                 f"dpiAwareness (2016 settings) is {[element.text for element in dpi_awareness]}, "
                 "not 'PerMonitorV2, PerMonitor'")


def check_version(pe, resources, version, faults):
    if not faults.check((RT_VERSION, 1) in resources, "no version resource (RT_VERSION 1)"):
        return
    numbers = [int(part) for part in version.split(".")]
    numbers += [0] * (4 - len(numbers))
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    if faults.check(fixed is not None, "the version resource has no fixed part"):
        for name in ("FileVersion", "ProductVersion"):
            high, low = getattr(fixed, name + "MS"), getattr(fixed, name + "LS")
            found = [high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF]
            faults.check(found == numbers, f"the fixed {name} is {found}, not {numbers}")
        faults.check(fixed.FileType == 1, f"the file type is {fixed.FileType}, not VFT_APP")
        faults.check(fixed.FileFlags & fixed.FileFlagsMask == 0, "the version is flagged (debug, pre-release …)")

    strings = {}
    for file_info in getattr(pe, "FileInfo", []):
        for entry in file_info:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    strings[key.decode()] = value.decode()
    expected = {
        "FileVersion": version,
        "ProductVersion": version,
        "OriginalFilename": "VQDTRM4_UpdateProgram.exe",
        "InternalName": "VQDTRM4_UpdateProgram",
        "ProductName": "VQD-TRM4 update program",
        "FileDescription": "VQD-TRM4 firmware update program",
    }
    for key, value in expected.items():
        faults.check(strings.get(key) == value, f"the version text {key} is {strings.get(key)!r}, not {value!r}")


def icon_listing(path):
    """[(width, height, bit depth)] of an .ico file, as icotool reads it."""
    listing = subprocess.run(["icotool", "--list", path], check=True, capture_output=True, text=True).stdout
    images = []
    for line in listing.splitlines():
        fields = dict(field.lstrip("-").split("=", 1) for field in line.split() if "=" in field)
        images.append((int(fields["width"]), int(fields["height"]), int(fields["bit-depth"])))
    return images


def check_icon(exe, resources, committed_icon, faults):
    groups = [key for key in resources if key[0] == RT_GROUP_ICON]
    if not faults.check(groups, "no icon (RT_GROUP_ICON)"):
        return
    # Explorer shows the group that sorts first.
    first = min(groups, key=lambda key: key[1])
    with tempfile.TemporaryDirectory() as folder:
        extracted = os.path.join(folder, "extracted.ico")
        # wrestool puts the group and its images back together as an .ico file.
        result = subprocess.run(["wrestool", "--extract", "--type=14", f"--name={first[1]}",
                                 f"--output={extracted}", exe], capture_output=True, text=True)
        if not faults.check(result.returncode == 0 and os.path.isfile(extracted),
                            f"wrestool cannot extract the icon: {result.stderr.strip()}"):
            return
        images = icon_listing(extracted)
        faults.check(sorted(width for width, _, _ in images) == ICON_SIZES,
                     f"the icon's sizes are {sorted(width for width, _, _ in images)}, not {ICON_SIZES}")
        faults.check(all(width == height and depth == 32 for width, height, depth in images),
                     f"the icon's images are not square with alpha: {images}")
    if committed_icon:
        # The images Windows draws from are the RT_ICON resources the group
        # names; they must be the committed file's, byte for byte.
        with open(committed_icon, "rb") as file:
            wanted = ico_images(file.read())
        group = resources[first][0][1]
        count = struct.unpack_from("<H", group, 4)[0]
        found = []
        for index in range(count):
            width, height, _, _, planes, depth, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
            data = resources.get((RT_ICON, icon_id), [(None, b"")])[0][1]
            found.append(((width or 256), (height or 256), planes, depth, data))
        faults.check(found == wanted, f"the icon's images are not those of {committed_icon}")


def ico_images(data):
    """[(width, height, planes, bit depth, image bytes)] of an .ico file."""
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for index in range(count):
        width, height, _, _, planes, depth, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * index)
        images.append(((width or 256), (height or 256), planes, depth, data[offset:offset + size]))
    return images


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    exe, version = sys.argv[1], sys.argv[2]
    committed_icon = sys.argv[3] if len(sys.argv) == 4 else None
    pe = pefile.PE(exe)
    resources = resources_of(pe)
    faults = Faults()
    check_manifest(resources, faults)
    check_version(pe, resources, version, faults)
    check_icon(exe, resources, committed_icon, faults)
    for fault in faults.items:
        print(f"{exe}: {fault}", file=sys.stderr)
    if faults.items:
        return 1
    print(f"{exe}: manifest, version {version} and icon as they should be")
    return 0


if __name__ == "__main__":
    sys.exit(main())
