#!/usr/bin/python3
"""What scripts/package-windows.sh asks of a Windows executable, a DLL and a
zip, in Debian's Python with python3-pefile:

    package_windows.py machine EXE            prints x64 or x86
    package_windows.py version EXE            prints the version resource's ProductVersion
    package_windows.py fits-program DLL EXE   whether the program can load this DLL
    package_windows.py recorder-for DLL RECORDER STDCALL
                                              whether the recording library RECORDER (of a tree
                                              with VQD_HID_STDCALL=STDCALL) stands in for the
                                              maker's DLL; prints its zip's name suffix
    package_windows.py zip ZIP FOLDER         packs FOLDER (a folder of files) into ZIP, the same bytes every time
"""

import os
import sys
import zipfile

import pefile

MACHINES = {0x8664: "x64", 0x014C: "x86"}

# The same moment for every entry: the earliest a zip can record (zip dates
# are local times from 1980 on, without a time zone).
ZIP_DATE = (1980, 1, 1, 0, 0, 0)


def open_pe(path, *directories):
    pe = pefile.PE(path, fast_load=True)
    if directories:
        pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY[name] for name in directories])
    return pe


def machine(path):
    name = MACHINES.get(open_pe(path).FILE_HEADER.Machine)
    if name is None:
        raise SystemExit(f"{path}: neither an x64 nor an x86 Windows file")
    return name


def product_version(path):
    pe = open_pe(path, "IMAGE_DIRECTORY_ENTRY_RESOURCE")
    for file_info in getattr(pe, "FileInfo", []):
        for entry in file_info:
            for table in getattr(entry, "StringTable", []):
                value = table.entries.get(b"ProductVersion")
                if value is not None:
                    return value.decode()
    return ""


def export_names(pe):
    """The names a DLL opened with its export directory exports."""
    return {symbol.name.decode() for symbol in
            getattr(getattr(pe, "DIRECTORY_ENTRY_EXPORT", None), "symbols", []) if symbol.name}


def fits_program(dll, exe):
    """The reasons why EXE cannot load DLL as its vqdtrm4hid.dll, if any."""
    faults = []
    library = open_pe(dll, "IMAGE_DIRECTORY_ENTRY_EXPORT")
    program = open_pe(exe, "IMAGE_DIRECTORY_ENTRY_IMPORT")
    if not library.is_dll():
        faults.append(f"{dll} is not a DLL")
    dll_machine = MACHINES.get(library.FILE_HEADER.Machine, hex(library.FILE_HEADER.Machine))
    exe_machine = MACHINES.get(program.FILE_HEADER.Machine, hex(program.FILE_HEADER.Machine))
    if dll_machine != exe_machine:
        faults.append(f"{dll} is {dll_machine}, the program {exe_machine}: Windows loads a DLL only into a "
                      "program of its own architecture")
    exports = export_names(library)
    # Our simulated controller exports its control functions (C++ names in
    # the vqdsim namespace) beside the ten of the maker's ABI; it must never
    # reach a user.
    if any("vqdsim" in name for name in exports):
        faults.append(f"{dll} is the simulated controller built by this project, not the maker's library")
    wanted = set()
    for entry in getattr(program, "DIRECTORY_ENTRY_IMPORT", []):
        if entry.dll.decode().lower() == "vqdtrm4hid.dll":
            wanted |= {symbol.name.decode() for symbol in entry.imports if symbol.name}
    if not wanted:
        faults.append(f"{exe} imports nothing from vqdtrm4hid.dll")
    missing = sorted(wanted - exports)
    if missing:
        faults.append(f"{dll} does not export what the program imports: {', '.join(missing)}")
    return faults


def recorder_for(dll, recorder, stdcall):
    """(the zip name suffix, the reasons why RECORDER cannot stand in for the
    maker's DLL): a program built against DLL must find every name it imports
    in RECORDER, with the convention it calls."""
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import vendor_dll
    verdict = vendor_dll.analyse(dll)
    if not verdict.fits:
        return None, [f"no build fits {dll}"] + verdict.problems
    faults = []
    if machine(recorder) != verdict.arch:
        faults.append(f"{recorder} is {machine(recorder)}, the maker's DLL {verdict.arch}")
    if verdict.arch == "x86" and (stdcall.upper() in ("ON", "1", "TRUE", "YES")) != (verdict.convention == "stdcall"):
        faults.append(f"{recorder} is built for the other calling convention than the maker's DLL "
                      f"({verdict.convention})")
    exports = export_names(open_pe(recorder, "IMAGE_DIRECTORY_ENTRY_EXPORT"))
    missing = sorted(set(verdict.bindings.values()) - exports)
    if missing:
        faults.append(f"{recorder} does not export the names the maker's DLL exports: {', '.join(missing)}")
    return verdict.recorder_suffix(), faults


def write_zip(zip_path, folder):
    """Packs FOLDER as one top folder of that name: entries sorted, every date
    ZIP_DATE, Unix permissions 755 for programs and libraries, 644 for the
    rest; nothing of this machine or this moment goes in."""
    top = os.path.basename(os.path.normpath(folder))
    entries = []
    for directory, subdirectories, files in os.walk(folder):
        subdirectories.sort()
        relative = os.path.relpath(directory, os.path.dirname(os.path.normpath(folder)))
        entries.append((relative.replace(os.sep, "/") + "/", None))
        for name in sorted(files):
            entries.append((f"{relative}/{name}".replace(os.sep, "/"), os.path.join(directory, name)))
    entries.sort(key=lambda entry: entry[0])
    assert entries[0][0] == top + "/"
    partial = zip_path + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for name, path in entries:
            info = zipfile.ZipInfo(name, date_time=ZIP_DATE)
            info.create_system = 3
            if path is None:
                info.external_attr = (0o40755 << 16) | 0x10
                archive.writestr(info, b"")
                continue
            executable = name.lower().endswith((".exe", ".dll"))
            info.external_attr = (0o100755 if executable else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as file:
                archive.writestr(info, file.read(), compresslevel=9)
    os.replace(partial, zip_path)


def main():
    command, arguments = (sys.argv[1], sys.argv[2:]) if len(sys.argv) > 1 else ("", [])
    if command == "machine" and len(arguments) == 1:
        print(machine(arguments[0]))
    elif command == "version" and len(arguments) == 1:
        print(product_version(arguments[0]))
    elif command == "fits-program" and len(arguments) == 2:
        faults = fits_program(*arguments)
        for fault in faults:
            print(fault, file=sys.stderr)
        return 1 if faults else 0
    elif command == "recorder-for" and len(arguments) == 3:
        suffix, faults = recorder_for(*arguments)
        for fault in faults:
            print(fault, file=sys.stderr)
        if faults:
            return 1
        print(suffix)
    elif command == "zip" and len(arguments) == 2:
        write_zip(*arguments)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
