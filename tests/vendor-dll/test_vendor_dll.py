#!/usr/bin/env python3
"""Drives scripts/check-vendor-dll.sh and scripts/vendor_dll.py against
stand-in DLLs built here with MinGW-w64, one for each form the maker's
vqdtrm4hid.dll may take and for each fault the tools must refuse.

For every DLL that fits a build it then makes the import library with the
tool, links caller.c (the ten functions declared by device/VqdTrm4Hid.h, as
the program declares them) for the build the tool named, and runs it under
Wine: a wrong binding does not link, or stops at the first call of a name the
DLL lacks; a wrong calling convention moves the stack pointer at the first
call; a wrong argument shows in the results.

With --recorders it takes the DLLs that fit a build alone and puts the
recording library in front of each, built for it as scripts/build-windows.sh
--vendor-dll builds it (the .def file the tool makes from the DLL's export
table): its exports must be the DLL's own names, the caller linked against
the DLL must find every name it imports in it, and under Wine the caller must
run through it (the recorder finding each function of the maker's DLL under
the name it is exported by) and leave a recording. Where no 32-bit code
runs, the x86 ones are judged by their tables alone.

Exit status 0 when everything held, 1 on any failure, 77 (skipped) when the
MinGW-w64 compilers or Wine are not installed.

Usage: test_vendor_dll.py [--recorders] [--keep]   (--keep leaves the work folder)
"""

import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CHECK = os.path.join(ROOT, "scripts", "check-vendor-dll.sh")
TOOL = os.path.join(ROOT, "scripts", "vendor_dll.py")
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
SKIP = 77

X64 = {"cc": "x86_64-w64-mingw32-gcc-posix", "cxx": "x86_64-w64-mingw32-g++-posix",
       "nm": "x86_64-w64-mingw32-nm", "underscore": ""}
X86 = {"cc": "i686-w64-mingw32-gcc-posix", "cxx": "i686-w64-mingw32-g++-posix",
       "nm": "i686-w64-mingw32-nm", "underscore": "_"}
NEEDED = [X64["cc"], X64["cxx"], X86["cc"], X86["cxx"], "x86_64-w64-mingw32-dlltool", "i686-w64-mingw32-dlltool",
          "i686-w64-mingw32-objdump", X64["nm"], X86["nm"], "wineserver"]
WINE_LIB = os.path.join(ROOT, "scripts", "lib", "wine.sh")


def wine_shell(command, *args):
    """Runs a function of scripts/lib/wine.sh, which knows the loaders."""
    return subprocess.run(["bash", "-c", '. "$0" && ' + command, WINE_LIB] + list(args),
                          capture_output=True, text=True)


# Wine's 64-bit loader, never Debian's /usr/bin/wine: that one prefers the
# 32-bit loader whenever wine32:i386 is installed, which fails on a kernel
# that runs no 32-bit code.
WINE64 = wine_shell('echo "$VQD_WINE64_LOADER"').stdout.strip()

FUNCTIONS = [("HID_Initialize", 4), ("HID_SetCallback", 16), ("HID_Start", 0), ("HID_Stop", 0),
             ("HID_Finalize", 0), ("HID_EnumHIDno", 4), ("HID_GetDeviceType", 4),
             ("HID_GetFirmwareVersion", 12), ("HID_Write", 12), ("HID_Input", 12)]

ROUNDS = "20000"
# Through the recorder, which writes two lines a call and makes a window
# every third round.
RECORDER_ROUNDS = "300"


class Fixture:
    """One stand-in DLL (or a file that is none) and what the tools must say
    about it. `build` is the build line of --print-build, None when no build
    fits; `says` are phrases the plain-words report must contain."""

    def __init__(self, name, arch=None, flags=(), cxx=False, build=None, says=(), make=None, beside=None):
        self.name, self.arch, self.flags, self.cxx = name, arch, list(flags), cxx
        self.build, self.says, self.make, self.beside = build, list(says), make, beside


STDCALL_BY_NAMES = "arch=x86 convention=stdcall evidence=names"
FIXTURES = [
    # The forms that fit, each run under Wine afterwards.
    Fixture("x64-plain", X64, build="arch=x64 convention=cdecl evidence=names",
            says=["Machine: x64 (64-bit); a Windows DLL.", "HID_Write               HID_Write: plain C name",
                  "Verdict: x64 build."]),
    Fixture("x86-cdecl-plain", X86, ["-DFIXTURE_CALL=__cdecl"], build="arch=x86 convention=cdecl evidence=code",
            says=['HID_Write               ends with "ret": leaves its arguments to the caller (__cdecl)',
                  "All seven say __cdecl.", "Verdict: x86 build (cdecl, the default).",
                  "-win32-cdecl.zip, made by", "as the recording library of an ordinary build does"]),
    Fixture("x86-stdcall-msvc-names", X86, ["-DFIXTURE_CALL=__stdcall", "-DFIXTURE_EXPORT=", "msvc-stdcall.def"],
            build=STDCALL_BY_NAMES,
            says=["_HID_Write@12: MSVC stdcall name, @12 = its argument bytes", "The code of all seven agrees.",
                  "Verdict: x86 build with VQD_HID_STDCALL=ON.", "-win32-stdcall-msvc-names.zip, made by"]),
    Fixture("x86-stdcall-mingw-names", X86, ["-DFIXTURE_CALL=__stdcall"], build=STDCALL_BY_NAMES,
            says=["HID_SetCallback@16: MinGW stdcall name, @16 = its argument bytes",
                  "Verdict: x86 build with VQD_HID_STDCALL=ON."]),
    Fixture("x86-stdcall-plain", X86, ["-DFIXTURE_CALL=__stdcall", "-Wl,--kill-at"],
            build="arch=x86 convention=stdcall evidence=code",
            says=["plain names do not tell it", 'HID_SetCallback         ends with "ret $0x10": removes its 16 bytes of arguments itself (__stdcall)',
                  "All seven say __stdcall.",
                  "Verdict: x86 build with VQD_HID_STDCALL=ON."]),
    Fixture("x86-cdecl-underscore", X86, ["-DFIXTURE_CALL=__cdecl", "-DFIXTURE_EXPORT=", "underscore-cdecl.def"],
            build="arch=x86 convention=cdecl evidence=names",
            says=["_HID_Input: cdecl name with a leading underscore", "the names say __cdecl"]),
    # x64 has one convention, and a decoration there says nothing: the
    # recorder must still find each function under the name it has.
    Fixture("x64-underscore-names", X64, ["-DFIXTURE_EXPORT=", "underscore-cdecl.def"],
            build="arch=x64 convention=cdecl evidence=names",
            says=["_HID_Write: cdecl name with a leading underscore",
                  "Recording library that fits: VQDTRM4_Recorder-", "-win64-underscore-names.zip"]),
    Fixture("x86-cdecl-unreadable", X86, ["-DFIXTURE_CALL=__cdecl", "-DFIXTURE_THROUGH_TABLE"],
            build="arch=x86 convention=cdecl evidence=none",
            says=["indirect jump", "Verdict: x86 build (cdecl, the default).", "confirmed with the maker"]),
    Fixture("x64-forwarded", X64, ["-DFIXTURE_EXPORT=", "forwarded.def"], build="arch=x64 convention=cdecl evidence=names",
            says=["HID_Write: plain C name, forwarded to vqdtrm4core.HID_Write",
                  "vqdtrm4core.dll must stand beside the program too"],
            beside=("x64-plain", "vqdtrm4core.dll")),
    # The ones no build fits.
    Fixture("x64-without-input", X64, ["-DFIXTURE_WITHOUT_INPUT"],
            says=["HID_Input               not exported", "HID_Input is not exported."]),
    Fixture("x86-cpp-stdcall", X86, ["-DFIXTURE_CALL=__stdcall"], cxx=True,
            says=["_Z9HID_WriteiPKhi@12: C++ name (GCC/MinGW)", "A C program cannot bind to them", 'extern "C"']),
    Fixture("x64-cpp", X64, cxx=True, 
            says=["HID_Initialize, HID_SetCallback, HID_Start, HID_Stop, HID_Finalize, HID_EnumHIDno, HID_GetDeviceType, "
                  "HID_GetFirmwareVersion, HID_Write, HID_Input are exported only under C++ names (such as "
                  "_Z9HID_InputiPhPi). A C program cannot bind to them"]),
    Fixture("x86-mixed", X86, ["-DFIXTURE_CALL=__cdecl", "-DFIXTURE_WRITE_CALL=__stdcall", "-Wl,--kill-at"],
            says=["The DLL mixes calling conventions: HID_Write is __stdcall, HID_Initialize, HID_SetCallback, "
                  "HID_EnumHIDno, HID_GetDeviceType, HID_GetFirmwareVersion, HID_Input are __cdecl."]),
    Fixture("x86-wrong-size", X86, ["-DFIXTURE_CALL=__stdcall", "-DFIXTURE_EXPORT=", "wrong-size.def"],
            says=["_HID_Write@16: MSVC stdcall name, @16 but the program passes 12 bytes",
                  "HID_Write is exported as _HID_Write@16, which takes 16 bytes of arguments; the program passes 12."]),
    Fixture("x86-write-takes-four", X86, ["-DFIXTURE_CALL=__stdcall", "-DFIXTURE_WRITE_TAKES_FOUR", "-Wl,--kill-at"],
            says=['HID_Write               ends with "ret $0x10"',
                  'The code of HID_Write removes 16 bytes of arguments when it returns ("ret $0x10"); the program '
                  'passes 12.']),
    Fixture("x64-ordinals-only", X64, ["-DFIXTURE_EXPORT=", "ordinal-only.def"],
            says=["HID_Initialize, HID_SetCallback, HID_Start, HID_Stop, HID_Finalize, HID_EnumHIDno, "
                  "HID_GetDeviceType, HID_GetFirmwareVersion, HID_Write, HID_Input are not exported.",
                  "by ordinal only (1, 2, 3, 4, 5, 6, 7, 8, 9, 10)", "only the maker can say"]),
    Fixture("arm64", make="arm64", says=["Machine: ARM64", "Windows loads a DLL only into a program of its own"]),
    Fixture("x64-program", make="exe", says=["a Windows program (.exe), not a DLL", "It is a Windows program, not a DLL"]),
    Fixture("text", make="text", says=["not in the Portable Executable (PE) format"]),
    Fixture("linux-library", make="elf", says=["Linux/Unix (ELF) program or library, not a Windows DLL"]),
]


class Run:
    def __init__(self, work):
        self.work = work
        self.failures = []
        self.passed = 0

    def expect(self, condition, what, detail=""):
        if condition:
            self.passed += 1
        else:
            self.failures.append(what + (":\n" + indent(detail) if detail else ""))
            print("FAIL: " + what)
            if detail:
                print(indent(detail))


def indent(text):
    return "\n".join("    " + line for line in text.rstrip().splitlines())


def run(command, cwd=None, env=None, timeout=120):
    result = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            universal_newlines=True, timeout=timeout)
    return result.returncode, result.stdout, result.stderr


def compile_checked(command, what):
    code, out, err = run(command, cwd=HERE)
    if code != 0:
        raise RuntimeError("%s failed: %s\n%s%s" % (what, " ".join(command), out, err))


def build_fixture(fixture, folder, built):
    """Makes folder/vqdtrm4hid.dll (or the file that is none) for `fixture`."""
    os.makedirs(folder)
    dll = os.path.join(folder, "vqdtrm4hid.dll")
    if fixture.make == "arm64":
        # No ARM64 compiler here: the x64 DLL with its machine field set to
        # ARM64 is what the tools see of a real one.
        data = bytearray(open(built["x64-plain"], "rb").read())
        header = struct.unpack_from("<I", data, 0x3C)[0]
        struct.pack_into("<H", data, header + 4, 0xAA64)
        open(dll, "wb").write(data)
    elif fixture.make == "exe":
        source = os.path.join(folder, "main.c")
        open(source, "w").write("int main(void) { return 0; }\n")
        compile_checked([X64["cc"], "-s", source, "-o", dll], "the program")
    elif fixture.make == "text":
        open(dll, "w").write("vqdtrm4hid.dll\r\nThe driver for your controller is on the maker's download page.\r\n")
    elif fixture.make == "elf":
        shutil.copyfile("/bin/true", dll)
    else:
        tool = fixture.arch["cxx"] if fixture.cxx else fixture.arch["cc"]
        language = ["-x", "c++"] if fixture.cxx else ["-std=c99"]
        flags = [f if not f.endswith(".def") else os.path.join(HERE, f) for f in fixture.flags]
        # The .def file must follow the objects, so the source comes first.
        compile_checked([tool] + language + ["-O2", "-shared", "-s", "-Wall", os.path.join(HERE, "hid_fixture.c"),
                                             "-x", "none"] + flags + ["-o", dll], "building " + fixture.name)
    return dll


def references(nm, obj):
    code, out, err = run([nm, "-u", obj])
    return {line.split()[-1] for line in out.splitlines() if line.strip()}


def expected_imports(arch, convention):
    """The import symbols the program's objects reference in each build."""
    names = []
    for function, size in FUNCTIONS:
        name = "%s@%d" % (function, size) if convention == "stdcall" else function
        names.append("__imp_" + arch["underscore"] + name)
    return set(names)


def build_caller(run_, fixture, folder, library, convention):
    """Compiles caller.c for the build the tool named and links it with the
    tool's import library. Returns the .exe, or None after a failure."""
    arch = fixture.arch
    obj = os.path.join(folder, "caller.o")
    flags = ["-std=c99", "-O2", "-Wall", "-Wextra", "-Werror", "-fno-omit-frame-pointer", "-I" + ROOT, "-I" + HERE]
    if arch is X86:
        flags.append("-maccumulate-outgoing-args")
    source = os.path.join(HERE, "caller.c")
    wanted = expected_imports(arch, convention)
    compile_checked([arch["cc"]] + flags + (["-DVQDTRM4HID_STDCALL"] if convention == "stdcall" else [])
                    + ["-c", source, "-o", obj], "compiling caller.c")
    # What the header makes the program's objects reference in this build
    # (VQD_HID_STDCALL=ON defines VQDTRM4HID_STDCALL): the names the tool's
    # library must define.
    got = {s for s in references(arch["nm"], obj) if "HID_" in s}
    run_.expect(got == wanted, "%s: the program's objects reference the names of the %s build" % (
        fixture.name, convention), "wanted %s\ngot %s" % (sorted(wanted), sorted(got)))
    exe = os.path.join(folder, "caller.exe")
    code, out, err = run([arch["cc"], "-static-libgcc", obj, library, "-o", exe])
    run_.expect(code == 0, "%s: caller.exe links against the tool's import library" % fixture.name, out + err)
    return exe if code == 0 else None


def judge(path):
    """The tool's verdict on a file, in this process (a process per file
    would take minutes): (exit status, report), or (None, the traceback)."""
    sys.path.insert(0, os.path.dirname(TOOL))
    import vendor_dll
    try:
        verdict = vendor_dll.analyse(path)
        report = verdict.report() + (verdict.build_line() if verdict.fits else "")
        return (0 if verdict.fits else 1), report
    except vendor_dll.UsageError as e:
        return 2, str(e)
    except Exception:
        import traceback
        return None, traceback.format_exc()


def damaged_files(run_, work, built):
    """A file the user got half of, or damaged, still gets a verdict: every
    prefix of a stand-in DLL and random byte changes of two, mostly in the
    headers, where the tool reads most; the x86 one has its code read too,
    once with and once without objdump."""
    sys.path.insert(0, os.path.dirname(TOOL))
    import vendor_dll
    path = os.path.join(work, "damaged.dll")
    tracebacks = {}

    def try_file(data, what):
        with open(path, "wb") as f:
            f.write(data)
        code, report = judge(path)
        if code not in (0, 1) or "Verdict: " not in report:
            tracebacks.setdefault(report.strip().splitlines()[-1] if report.strip() else "(nothing)",
                                  (what, code, report))

    x64 = open(built["x64-plain"], "rb").read()
    for size in range(len(x64) + 1):
        try_file(x64[:size], "the first %d bytes of x64-plain" % size)
    rnd = random.Random(20261210)
    for name, changes in (("x64-plain", 2000), ("x86-stdcall-plain", 300)):
        whole = open(built[name], "rb").read()
        for i in range(changes):
            data = bytearray(whole)
            for _ in range(rnd.randint(1, 4)):
                data[rnd.randrange(1024 if rnd.random() < 0.7 else len(data))] = rnd.randrange(256)
            try_file(bytes(data), "change %d of %s" % (i, name))
    # A legal DLL may have fewer than the usual 16 data directories: with
    # the export table among them, the verdict is the same.
    import pefile
    at = pefile.PE(data=x64, fast_load=True).OPTIONAL_HEADER.get_field_absolute_offset("NumberOfRvaAndSizes")
    for count in (1, 14):
        with open(path, "wb") as f:
            f.write(x64[:at] + struct.pack("<I", count) + x64[at + 4:])
        code, report = judge(path)
        run_.expect(code == 0 and "Verdict: x64 build." in report,
                    "x64-plain with only %d data directories still fits the x64 build" % count, report)
    # Without objdump the x86 code cannot be read: the names alone decide.
    find_tool = vendor_dll.find_tool
    vendor_dll.find_tool = lambda prefix, name: None if name == "objdump" else find_tool(prefix, name)
    try:
        try_file(open(built["x86-stdcall-plain"], "rb").read(), "x86-stdcall-plain without objdump")
        code, report = judge(path)
        run_.expect(code == 0 and "the code was not read" in " ".join(report.lower().split()),
                    "without objdump an x86 DLL with plain names gets a verdict, saying its code was not read",
                    report)
    finally:
        vendor_dll.find_tool = find_tool
    run_.expect(not tracebacks, "every damaged file gets a verdict, none a traceback",
                "\n".join("%s: %s\n%s" % (what, code, report) for what, code, report in tracebacks.values()))


def exported_names(dll):
    import pefile
    pe = pefile.PE(dll, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]])
    return {s.name.decode() for s in getattr(getattr(pe, "DIRECTORY_ENTRY_EXPORT", None), "symbols", []) if s.name}


def imported_names(exe):
    import pefile
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    return {i.name.decode() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
            if entry.dll.decode().lower() == "vqdtrm4hid.dll" for i in entry.imports if i.name}


def recorder_objects(arch, convention, work):
    """Compiles the recording library once for each build, with the flags its
    CMake target gives it when a .def names its exports; the compilers run
    side by side."""
    folder = os.path.join(work, "recorder-%s-%s" % ("x86" if arch is X86 else "x64", convention))
    os.makedirs(folder)
    flags = ["-std=c++17", "-O1", "-Wall", "-Wextra", "-Werror", "-I" + ROOT, "-DVQDTRM4HID_BUILDING",
             "-DVQDTRM4HID_EXPORTS_BY_DEF"] + (["-DVQDTRM4HID_STDCALL"] if convention == "stdcall" else [])
    sources = [os.path.join(ROOT, part, name) for part in ("recorder", "recording")
               for name in sorted(os.listdir(os.path.join(ROOT, part)))
               if name.endswith(".cpp") and not name.endswith("Linux.cpp")]
    objects, compilers = [], []
    for source in sources:
        obj = os.path.join(folder, os.path.basename(source)[:-4] + ".o")
        objects.append(obj)
        compilers.append((source, subprocess.Popen([arch["cxx"]] + flags + ["-c", source, "-o", obj],
                                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)))
    for source, compiler in compilers:
        out = compiler.communicate()[0]
        if compiler.returncode != 0:
            raise RuntimeError("compiling %s for the recorder failed:\n%s" % (source, out))
    return objects


def build_recorder(run_, fixture, folder, objects, recorder_def):
    """Links the recording library for one maker's DLL, beside it in
    folder/recorder/ as vqdtrm4hid.dll, with the DLL as
    vqdtrm4hid_maker.dll. Returns the recorder's folder, or None."""
    place = os.path.join(folder, "recorder")
    os.makedirs(place)
    dll = os.path.join(place, "vqdtrm4hid.dll")
    code, out, err = run([fixture.arch["cxx"], "-shared", "-static", "-static-libgcc", "-static-libstdc++"] + objects
                         + [recorder_def, "-lversion", "-o", dll])
    run_.expect(code == 0, "%s: the recording library for it links" % fixture.name, out + err)
    if code != 0:
        return None
    shutil.copyfile(os.path.join(folder, "vqdtrm4hid.dll"), os.path.join(place, "vqdtrm4hid_maker.dll"))
    return place


def recorders(run_, work, fitting, built):
    """The recording library in front of each DLL that fits a build."""
    objects = {}
    places = []
    for fixture, folder, library, convention in fitting:
        key = (id(fixture.arch), convention)
        if key not in objects:
            objects[key] = recorder_objects(fixture.arch, convention, work)
        exe = build_caller(run_, fixture, folder, library, convention)
        place = build_recorder(run_, fixture, folder, objects[key], os.path.join(folder, "import", "recorder.def"))
        if not exe or not place:
            continue
        maker = exported_names(os.path.join(folder, "vqdtrm4hid.dll"))
        mine = exported_names(os.path.join(place, "vqdtrm4hid.dll"))
        wanted = imported_names(exe)
        run_.expect(mine == wanted and wanted <= maker,
                    "%s: the recorder exports exactly the names the program built against the DLL imports"
                    % fixture.name, "DLL %s\nrecorder %s\nprogram imports %s" % (sorted(maker), sorted(mine),
                                                                            sorted(wanted)))
        shutil.copyfile(exe, os.path.join(place, "caller.exe"))
        if fixture.beside:
            shutil.copyfile(built[fixture.beside[0]], os.path.join(place, fixture.beside[1]))
        places.append((fixture, place))
    return places


def run_through_recorders(run_, env, places):
    for fixture, place in places:
        loader = wine_shell('vqd_wine_loader "$1"', os.path.join(place, "caller.exe")).stdout.strip()
        code, out, err = run([loader, "caller.exe", RECORDER_ROUNDS, "relayed"], cwd=place,
                             env=dict(env, WINELOADER=loader), timeout=120)
        recordings = [name for name in os.listdir(place) if name.startswith("vqdtrm4-recording-")]
        text = open(os.path.join(place, recordings[0]), errors="replace").read() if len(recordings) == 1 else ""
        run_.expect(code == 0 and out.startswith("ok: %s rounds" % RECORDER_ROUNDS),
                    "%s: under Wine, the program runs through the recorder built for the DLL" % fixture.name,
                    "status %d\n%s%s%s" % (code, out, err, text[:2000]))
        run_.expect("> HID_Write " in text and "< HID_Write " in text and "no device" not in text,
                    "%s: the recorder found the DLL's functions and recorded the session" % fixture.name,
                    "files %s\n%s" % (recordings, text[:2000]))


def start_wine(work):
    env = dict(os.environ)
    env.pop("DISPLAY", None)   # console programs only; no X server needed or wanted
    # err+module names an import the DLL lacks (Wine starts the program all
    # the same and stops at the first call); without winedbg a crash ends the
    # program at once instead of waiting on a debugger.
    env.update(WINEPREFIX=os.path.join(work, "wineprefix"), WINEARCH="win64", WINEDEBUG="-all,err+module",
               WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d", WINELOADER=WINE64)
    boot = subprocess.Popen([WINE64, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    return env, boot


def runs_32bit_code():
    """Whether this machine runs 32-bit x86 code at all (scripts/lib/wine.sh)."""
    return wine_shell("vqd_runs_32bit_code").returncode == 0


def main():
    keep = "--keep" in sys.argv[1:]
    only_recorders = "--recorders" in sys.argv[1:]
    missing = [tool for tool in NEEDED if shutil.which(tool) is None] + \
        ([] if os.access(WINE64, os.X_OK) else [WINE64])
    if missing:
        print("vendor_dll.check skipped: not installed: %s (Debian packages gcc-mingw-w64-*-posix, "
              "g++-mingw-w64-*-posix, binutils-mingw-w64-*, wine, wine64)" % ", ".join(missing))
        return SKIP

    started = time.monotonic()
    work = tempfile.mkdtemp(prefix="vendor-dll-")
    run_ = Run(work)
    # The new Wine prefix takes most of the time: make it while the DLLs build.
    env, boot = start_wine(work)
    try:
        # --- Usage errors ---------------------------------------------------------
        for args, what in [([], "no arguments"), ([os.path.join(work, "nothing.dll")], "a file that is not there"),
                           (["--print-build"], "an option without the file"), ([work], "a folder")]:
            code, out, err = run(["bash", CHECK] + args)
            run_.expect(code == 2 and "usage" in err, "check-vendor-dll.sh with %s is a usage error (2)" % what,
                        "status %d\n%s%s" % (code, out, err))
        code, out, err = run([PYTHON, TOOL, "import-lib", os.path.join(work, "x.dll")])
        run_.expect(code == 2, "import-lib without an output folder is a usage error (2)", out + err)

        # --- The verdicts -----------------------------------------------------------
        built, fitting = {}, []
        for fixture in [f for f in FIXTURES if f.build or not only_recorders]:
            folder = os.path.join(work, fixture.name)
            dll = build_fixture(fixture, folder, built)
            built[fixture.name] = dll
            want = 0 if fixture.build else 1

            code, report, err = run(["bash", CHECK, dll])
            run_.expect(code == want, "%s: check exits %d" % (fixture.name, want),
                        "status %d\n%s%s" % (code, report, err))
            flat = " ".join(report.split())
            for phrase in fixture.says + (["Verdict: no build of the program fits this file."] if not fixture.build
                                          else []):
                run_.expect(" ".join(phrase.split()) in flat, "%s: the report says %r" % (fixture.name, phrase),
                            report + err)

            code, line, err = run(["bash", CHECK, "--print-build", dll])
            # The program is built the way the tool says, so that under Wine a
            # wrong verdict shows as what it would do to the program.
            told = dict(item.split("=", 1) for item in line.split() if "=" in item)
            if fixture.build:
                run_.expect(code == 0 and line.strip() == fixture.build,
                            "%s: --print-build says %s" % (fixture.name, fixture.build),
                            "status %d\nstdout %r\n%s" % (code, line, err))
            else:
                run_.expect(code == 1 and line == "" and "No build of the program fits" in err,
                            "%s: --print-build prints nothing, the reasons on stderr, exits 1" % fixture.name,
                            "status %d\nstdout %r\nstderr %s" % (code, line, err))

            out_dir = os.path.join(folder, "import")
            code, out, err = run([PYTHON, TOOL, "import-lib", dll, out_dir])
            if fixture.build:
                library = os.path.join(out_dir, "libvqdtrm4hid.a")
                run_.expect(code == 0 and os.path.exists(library) and library in out,
                            "%s: import-lib makes %s" % (fixture.name, library), "status %d\n%s%s" % (code, out, err))
                if code == 0 and told.get("convention"):
                    fitting.append((fixture, folder, library, told["convention"]))
            else:
                flat_out = " ".join(out.split())
                run_.expect(code == 1 and not os.path.exists(out_dir) and
                            all(" ".join(p.split()) in flat_out for p in fixture.says[-1:]),
                            "%s: import-lib refuses with the same words and makes nothing" % fixture.name,
                            "status %d\n%s%s" % (code, out, err))

        if only_recorders:
            places = recorders(run_, work, fitting, built)
            boot_code = boot.wait(timeout=180)
            run_.expect(boot_code == 0, "wineboot -i makes the Wine prefix", "status %d" % boot_code)
            if not runs_32bit_code():
                print("NOT RUN under Wine: %s: this machine's kernel runs no 32-bit code (no IA-32 emulation); "
                      "their recorders were judged by the export and import tables above"
                      % ", ".join(f.name for f, _ in places if f.arch is X86))
                places = [(f, p) for f, p in places if f.arch is not X86]
            run_through_recorders(run_, env, places)
            return finish(run_, started)

        # --- Damaged files ---------------------------------------------------------------
        damaged_files(run_, work, built)

        # --- The bindings, under Wine -------------------------------------------------
        callers = []
        for fixture, folder, library, convention in fitting:
            exe = build_caller(run_, fixture, folder, library, convention)
            if fixture.beside:
                shutil.copyfile(built[fixture.beside[0]], os.path.join(folder, fixture.beside[1]))
            if exe:
                callers.append((fixture, folder, exe))

        boot_code = boot.wait(timeout=180)
        run_.expect(boot_code == 0, "wineboot -i makes the Wine prefix", "status %d" % boot_code)
        if not runs_32bit_code():
            x86 = [fixture.name for fixture, _, _ in callers if fixture.arch is X86]
            print("NOT RUN under Wine: %s: this machine's kernel runs no 32-bit code (no IA-32 emulation), so "
                  "no 32-bit program starts here; their verdicts and import libraries were checked above"
                  % ", ".join(x86))
            callers = [caller for caller in callers if caller[0].arch is not X86]
        for fixture, folder, exe in callers:
            loader = wine_shell('vqd_wine_loader "$1"', exe)
            code, out, err = run([loader.stdout.strip(), exe, ROUNDS], cwd=folder,
                                 env=dict(env, WINELOADER=loader.stdout.strip()), timeout=120) \
                if loader.returncode == 0 else (loader.returncode, "", loader.stderr)
            run_.expect(code == 0 and out.startswith("ok: %s rounds" % ROUNDS),
                        "%s: under Wine, %s rounds of calls through the import library keep every argument and "
                        "the stack" % (fixture.name, ROUNDS), "status %d\n%s%s" % (code, out, err))
            if code == 0:
                print("  %-24s %s" % (fixture.name, out.strip()))
    finally:
        if boot.poll() is None:
            boot.kill()
        # Ends the Wine server of this test's own prefix, and only that one.
        subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if keep:
            print("work folder kept: " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)

    return finish(run_, started)


def finish(run_, started):
    print("%d passed, %d failed (%.0f s)" % (run_.passed, len(run_.failures), time.monotonic() - started))
    return 1 if run_.failures else 0


if __name__ == "__main__":
    sys.exit(main())
