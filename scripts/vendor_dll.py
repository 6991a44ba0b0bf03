#!/usr/bin/python3
"""Reads the maker's vqdtrm4hid.dll and says which build of the program fits it.

We have never seen the maker's DLL. It may be x64 or x86; on x86 its ten
functions may be __cdecl (the program's default build) or __stdcall (the build
with VQD_HID_STDCALL=ON), and they may be exported under plain names, under
stdcall decorations (MSVC's _HID_Write@12, MinGW's HID_Write@12), under a
leading underscore, or, by mistake, under C++ names. A wrong guess does not
show at link time; it corrupts the stack at the first call. So this tool reads
the file's own export table (and, where the names cannot tell, the machine
code of the exported functions) and names the one build that fits, or says why
none does. It also makes the import library for that build from the DLL's own
export table, so that the names the program's objects reference bind to the
names the DLL really exports.

Usage (scripts/check-vendor-dll.sh runs the first form):

  vendor_dll.py check [--print-build | --quiet] DLL
      Prints a report in plain words and the verdict.
      --print-build prints one line instead, for a build script:
          arch=x86 convention=stdcall evidence=code
        arch:        x86 or x64 (the toolchain to build with)
        convention:  cdecl or stdcall; stdcall means VQD_HID_STDCALL=ON. On x64
                     always cdecl: the header's default, which there is the
                     one x64 convention (VQD_HID_STDCALL stays off)
        evidence:    names   the exported names say it (always so on x64)
                     code    the machine code of the functions says it
                     none    nothing in the file says it: the default cdecl
                             build is taken and must be confirmed with the maker
      --quiet prints nothing on success.
      When no build fits, both print the reasons on stderr and nothing on stdout.

  vendor_dll.py import-lib [--print-build | --quiet] DLL OUT_DIR
      Checks DLL as above and, when one build fits, writes
          OUT_DIR/vqdtrm4hid.def   SYMBOL == EXPORTED_NAME, one line a function
          OUT_DIR/libvqdtrm4hid.a  the import library (dlltool, --dllname
                                   vqdtrm4hid.dll), for the build named above
          OUT_DIR/recorder.def     EXPORTED_NAME = SYMBOL: the recording
                                   library built with it (VQD_RECORDER_EXPORTS)
                                   exports the very names the DLL exports
      and reads the library back (nm, objdump) to make sure that each symbol
      the program's objects reference imports the name the DLL exports. The
      program links OUT_DIR/libvqdtrm4hid.a in place of the simulated
      controller's and is shipped beside the maker's DLL. Without an option the
      report is printed and then the two paths; --print-build prints only the
      build line, as check does. When no build fits it refuses with the same
      words and writes nothing.

Exit status: 0 one build fits (and, for import-lib, the library was made);
1 no build fits; 2 usage error (bad arguments, no such file); 3 a tool it
needs is missing or failed (pefile, dlltool, or dlltool's result not what was
asked for).

Needs Debian's python3-pefile (run by another python3, such as a pyenv one,
it starts again under /usr/bin/python3); the code check and the import
library need binutils-mingw-w64 (i686-w64-mingw32-objdump, *-dlltool, *-nm).
scripts/check-vendor-dll.sh installs python3-pefile when it is missing.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap

try:
    import pefile
except ImportError:
    DEBIAN_PYTHON = "/usr/bin/python3"
    if os.path.exists(DEBIAN_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(DEBIAN_PYTHON):
        os.execv(DEBIAN_PYTHON, [DEBIAN_PYTHON, os.path.abspath(__file__)] + sys.argv[1:])
    sys.stderr.write("vendor_dll.py needs the Python module pefile (Debian package python3-pefile).\n")
    sys.exit(3)


# The ten functions as device/VqdTrm4Hid.h declares them, with the bytes of
# arguments each takes on x86 (what a stdcall decoration's @N must say and what
# a stdcall function's "ret $N" removes).
FUNCTIONS = [
    ("HID_Initialize", 4),
    ("HID_SetCallback", 16),
    ("HID_Start", 0),
    ("HID_Stop", 0),
    ("HID_Finalize", 0),
    ("HID_EnumHIDno", 4),
    ("HID_GetDeviceType", 4),
    ("HID_GetFirmwareVersion", 12),
    ("HID_Write", 12),
    ("HID_Input", 12),
]
ARGUMENT_BYTES = dict(FUNCTIONS)
NAME_WIDTH = max(len(name) for name, _ in FUNCTIONS) + 1
TAKING_ARGUMENTS = [name for name, size in FUNCTIONS if size > 0]

DLL_NAME = "vqdtrm4hid.dll"
LIBRARY_FILE = "libvqdtrm4hid.a"
DEF_FILE = "vqdtrm4hid.def"
RECORDER_DEF_FILE = "recorder.def"
RECORDER_ZIP = "VQDTRM4_Recorder-%s-%s.zip"
# The forms of exported names a recording library's zip is named for.
NAME_FORM_TAGS = {"msvc-stdcall": "msvc-names", "mingw-stdcall": "mingw-names", "underscore": "underscore-names"}

MACHINE_X86 = 0x014C
MACHINE_X64 = 0x8664
OTHER_MACHINES = {
    0xAA64: "ARM64",
    0x01C4: "ARM (32-bit Thumb-2)",
    0x01C0: "ARM (32-bit)",
    0x0200: "Itanium",
    0xA641: "ARM64EC",
    0xA64E: "ARM64X",
}

BUILD_WORDS = {
    ("x64", "cdecl"): "x64 build",
    ("x86", "cdecl"): "x86 build (cdecl, the default)",
    ("x86", "stdcall"): "x86 build with VQD_HID_STDCALL=ON",
}


class UsageError(Exception):
    pass


class ToolError(Exception):
    pass


def program_symbol(function, arch, convention):
    """The name the program's objects reference for one function, as dlltool
    wants it in a .def file (without the leading underscore that i686 adds)."""
    if arch == "x86" and convention == "stdcall":
        return "%s@%d" % (function, ARGUMENT_BYTES[function])
    return function


def linked_symbol(function, arch, convention):
    """The same name as it stands in the objects and the import library."""
    symbol = program_symbol(function, arch, convention)
    return "_" + symbol if arch == "x86" else symbol


# --- Reading the export names -------------------------------------------------

class ExportName:
    """One exported name of one of the ten functions, and what its form says."""

    def __init__(self, name, kind, words, convention=None, size=None, bindable=True):
        self.name = name            # as exported
        self.kind = kind            # plain, msvc-stdcall, mingw-stdcall, underscore, fastcall, cpp-msvc, cpp-itanium
        self.words = words          # the form in plain words
        self.convention = convention  # what the form says on x86: "stdcall", "cdecl" or None
        self.size = size            # the @N of a decoration
        self.bindable = bindable    # False for C++ and fastcall names
        self.forwarder = None       # "OTHER.Name" when the export is forwarded
        self.rva = None


MSVC_CONVENTIONS = {"A": "__cdecl", "C": "__pascal", "E": "__thiscall", "G": "__stdcall", "I": "__fastcall",
                    "Q": "__vectorcall"}


def classify(function, name):
    """What kind of name `name` is for `function`, or None when it names
    another function."""
    f = re.escape(function)
    m = re.fullmatch(f, name)
    if m:
        return ExportName(name, "plain", "plain C name")
    m = re.fullmatch(r"_%s@(\d+)" % f, name)
    if m:
        return ExportName(name, "msvc-stdcall", "MSVC stdcall name", "stdcall", int(m.group(1)))
    m = re.fullmatch(r"%s@(\d+)" % f, name)
    if m:
        return ExportName(name, "mingw-stdcall", "MinGW stdcall name", "stdcall", int(m.group(1)))
    if name == "_" + function:
        return ExportName(name, "underscore", "cdecl name with a leading underscore", "cdecl")
    m = re.fullmatch(r"@%s@(\d+)" % f, name)
    if m:
        return ExportName(name, "fastcall", "__fastcall name, which no build of the program calls", None,
                          int(m.group(1)), bindable=False)
    if name.startswith("?%s@" % function):
        # MSVC's C++ name carries the calling convention after "@@Y" (free
        # functions) or in a member's access code; tell what it is when it can
        # be read, it helps the maker see what went wrong.
        m = re.match(r"\?%s@@Y(.)" % f, name)
        convention = MSVC_CONVENTIONS.get(m.group(1)) if m else None
        words = "C++ name (MSVC%s)" % (", " + convention if convention else "")
        return ExportName(name, "cpp-msvc", words, bindable=False)
    # Itanium (GCC, MinGW, clang): _Z<length><name>..., or nested _ZN...<length><name>E...
    if re.match(r"_?_Z.*?(?<!\d)%d%s" % (len(function), f), name):
        return ExportName(name, "cpp-itanium", "C++ name (GCC/MinGW)", bindable=False)
    return None


def not_a_dll_reason(path, data):
    """Why a file that is no PE file at all is not a Windows DLL."""
    if not data:
        return "The file is empty: it is not a Windows DLL."
    if data.startswith(b"\x7fELF"):
        return "The file is a Linux/Unix (ELF) program or library, not a Windows DLL."
    if data[:4] in (b"\xcf\xfa\xed\xfe", b"\xce\xfa\xed\xfe", b"\xca\xfe\xba\xbe"):
        return "The file is a macOS (Mach-O) program or library, not a Windows DLL."
    if data.startswith(b"PK\x03\x04"):
        return "The file is a zip archive, not a Windows DLL: unpack it and check the DLL inside."
    if data.startswith(b"MZ"):
        return "The file starts like a DOS/Windows program but has no valid PE header: it is not a Windows DLL."
    return "The file is not a Windows DLL: it is not in the Portable Executable (PE) format at all."


# --- Reading the code -----------------------------------------------------------

RET_RE = re.compile(r"^(?:(?:repz|rep|bnd|notrack|data16)\s+)*ret[lw]?(?:\s+\$0x([0-9a-f]+))?$")
JUMP_RE = re.compile(r"^(?:(?:bnd|notrack|ds|cs)\s+)*(jmp|j[a-z]{1,3}|loop[a-z]*)\s+(.*)$")
DIRECT_TARGET_RE = re.compile(r"^([0-9a-f]+)(?:\s+<.*>)?$")
END_RE = re.compile(r"^(?:int3|ud2|hlt|\(bad\)|lret|iret)")
INSN_RE = re.compile(r"^\s*([0-9a-f]+):\t((?:[0-9a-f]{2} )+)\s*\t?(.*)$")


class CodeReader:
    """Follows the code of exported x86 functions to their return instructions.

    The tool is objdump's disassembly of the DLL's code sections. From each
    function's entry it follows every path (conditional jumps both ways, direct
    jumps to their targets, calls as returning) and collects what each return
    instruction removes from the stack. A path ends without telling at an
    indirect jump (a jump table, or a tail call through a pointer), at code
    that cannot be read, or after a few thousand instructions."""

    LIMIT = 4000
    REREADS = 100

    def __init__(self, path, objdump):
        self.path = path
        self.objdump = objdump
        self.instructions = {}   # address -> (text, address of the next instruction)
        self.rereads = 0
        self._disassemble([])

    def _disassemble(self, range_args):
        # --insn-width keeps every instruction on one line, so that its bytes
        # give its length even at the end of a listing or before a gap.
        result = subprocess.run([self.objdump, "-d", "--insn-width=16", "-M", "att"] + range_args + [self.path],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True,
                                errors="replace")
        if result.returncode != 0:
            raise ToolError("%s could not read the file: %s" % (self.objdump, result.stderr.strip()))
        for line in result.stdout.splitlines():
            m = INSN_RE.match(line)
            if m:
                address = int(m.group(1), 16)
                text = re.sub(r"\s+", " ", m.group(3).split("#")[0]).strip()
                self.instructions.setdefault(address, (text, address + len(m.group(2).split())))

    def _at(self, address):
        # The first reading went straight through the code; data among the
        # code can put it out of step, so a path that lands between its
        # instructions is read again from where it lands.
        if address not in self.instructions and self.rereads < self.REREADS:
            self.rereads += 1
            self._disassemble(["--start-address=0x%x" % address, "--stop-address=0x%x" % (address + 4096)])
        return self.instructions.get(address)

    def returns(self, entry):
        """(the set of byte counts the reached returns remove, the reasons a
        path ended without telling)."""
        removed, unknown = set(), []
        work, seen = [entry], set()
        while work and len(seen) < self.LIMIT:
            address = work.pop()
            while address not in seen and len(seen) < self.LIMIT:
                seen.add(address)
                insn = self._at(address)
                if insn is None:
                    unknown.append("a path leads to 0x%x, where no code could be read" % address)
                    break
                text, following = insn
                m = RET_RE.match(text)
                if m:
                    removed.add(int(m.group(1), 16) if m.group(1) else 0)
                    break
                if END_RE.match(text):
                    break
                m = JUMP_RE.match(text)
                if m:
                    target = DIRECT_TARGET_RE.match(m.group(2).strip())
                    if m.group(1) == "jmp":
                        if target:
                            address = int(target.group(1), 16)
                            continue
                        unknown.append("it ends in an indirect jump (%s)" % text)
                        break
                    if target:
                        work.append(int(target.group(1), 16))
                address = following
        if len(seen) >= self.LIMIT:
            unknown.append("its code is too long to follow to the end")
        return removed, unknown


def find_tool(prefix, name):
    tool = prefix + name
    return tool if shutil.which(tool) else None


# --- The verdict ----------------------------------------------------------------

class Verdict:
    def __init__(self, path):
        self.path = path
        self.lines = []        # the report
        self.problems = []     # why no build fits
        self.notes = []        # what a person shipping it must know even when it fits
        self.arch = None
        self.convention = None
        self.evidence = None
        self.bindings = {}     # function -> exported name to import

    @property
    def fits(self):
        return not self.problems and self.arch is not None

    def build_line(self):
        return "arch=%s convention=%s evidence=%s" % (self.arch, self.convention, self.evidence)

    def build_words(self):
        return BUILD_WORDS[(self.arch, self.convention)]

    def recorder_suffix(self):
        """The end of the name of the recording library's zip that fits: the
        architecture, on x86 the calling convention, and the form of the
        exported names when they are not plain."""
        kinds = {classify(function, self.bindings[function]).kind for function, _ in FUNCTIONS}
        if kinds == {"plain"}:
            tag = ""
        elif len(kinds) == 1:
            tag = "-" + NAME_FORM_TAGS[kinds.pop()]
        else:
            tag = "-mixed-names"
        return ("win64" if self.arch == "x64" else "win32-" + self.convention) + tag

    def report(self):
        return "".join(wrap(line) + "\n" for line in self.paragraphs())

    def paragraphs(self):
        out = list(self.lines)
        out.append("")
        if self.fits:
            out.append("Verdict: %s." % self.build_words())
            for note in self.notes:
                out.append("  Note: " + note)
            out.append("")
            out.append("Recording library that fits: %s, made by scripts/build-windows.sh --vendor-dll and then "
                       "scripts/package-windows.sh --recorder --vendor-dll, each given this DLL; it exports the names "
                       "this DLL exports%s." % (RECORDER_ZIP % (project_version(), self.recorder_suffix()),
                                                 "" if self.recorder_suffix().endswith("-names") else
                                                 ", as the recording library of an ordinary build does"))
        else:
            out.append("Verdict: no build of the program fits this file.")
            for problem in self.problems:
                out.append("  - " + problem)
        return out


def wrap(line, width=100):
    """Wraps a report line, hanging the rest under its text (under the names
    in the list of functions)."""
    if len(line) <= width:
        return line
    if re.match(r"^  (?:HID_\w+ +| {%d})\S" % (NAME_WIDTH + 1), line):
        hang = 2 + NAME_WIDTH + 1 + 2
    else:
        m = re.match(r"^(\s*(?:- |Note: )?)", line)
        hang = len(m.group(1))
    return textwrap.fill(line, width=width, subsequent_indent=" " * hang, break_long_words=False,
                         break_on_hyphens=False)


def count_words(count):
    return "all seven" if count == len(TAKING_ARGUMENTS) else "%d of the seven" % count


def plural(count, one, many):
    return one if count == 1 else many


def analyse(path):
    if not os.path.exists(path):
        raise UsageError("no such file: %s" % path)
    if not os.path.isfile(path):
        raise UsageError("not a file: %s" % path)
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise UsageError("cannot read %s: %s" % (path, e.strerror))

    v = Verdict(path)
    v.lines.append("File: %s" % path)

    try:
        pe = pefile.PE(data=data, fast_load=True)
    except pefile.PEFormatError:
        v.problems.append(not_a_dll_reason(path, data))
        return v

    machine = pe.FILE_HEADER.Machine
    is_dll = bool(pe.FILE_HEADER.Characteristics & 0x2000)
    if machine == MACHINE_X86:
        arch, arch_words = "x86", "x86 (32-bit)"
    elif machine == MACHINE_X64:
        arch, arch_words = "x64", "x64 (64-bit)"
    else:
        arch = None
        arch_words = OTHER_MACHINES.get(machine, "an unknown machine (0x%04x)" % machine)
    kind = "DLL" if is_dll else "program (.exe), not a DLL"
    v.lines.append("Machine: %s; a Windows %s." % (arch_words, kind))

    if arch is None:
        v.problems.append("It is built for %s. The program is built for x64 and x86 only, and Windows loads a DLL only "
                          "into a program of its own machine type." % arch_words)
    if not is_dll:
        v.problems.append("It is a Windows program, not a DLL: the maker's library is the DLL that comes with it.")
    if v.problems:
        return v

    # A file may have fewer than the usual 16 data directories: only those
    # it has can say anything. The export table is read by itself: pefile's
    # parse_data_directories stops at the first directory a file lacks, and
    # it looks at the import table (the second) before the export table.
    directories = pe.OPTIONAL_HEADER.DATA_DIRECTORY
    clr = directories[14] if len(directories) > 14 else None
    managed = clr is not None and clr.VirtualAddress != 0 and clr.Size != 0
    exports = None
    if directories and directories[0].VirtualAddress:
        try:
            exports = pe.parse_export_directory(directories[0].VirtualAddress, directories[0].Size)
        except pefile.PEFormatError:
            exports = None
    symbols = exports.symbols if exports else []
    if exports is not None:
        try:
            own_name = pe.get_string_at_rva(exports.struct.Name).decode("latin-1")
        except Exception:
            own_name = ""
        if own_name and own_name.lower() != DLL_NAME:
            v.notes.append("The DLL calls itself %s; the program loads it as %s, so ship it under that name."
                           % (own_name, DLL_NAME))
    if any(s.name and s.name.startswith(b"_ZN6vqdsim") for s in symbols):
        v.notes.append("This is the project's own simulated controller (it exports the simulator's controls), "
                       "not the maker's DLL.")
    if not symbols:
        v.problems.append("It exports no functions at all%s."
                          % (": it is a .NET assembly, whose methods are no C functions" if managed else ""))
        return v

    # Every exported name that belongs to one of the ten functions.
    found = {name: [] for name, _ in FUNCTIONS}
    by_ordinal_only = []
    for s in symbols:
        if s.name is None:
            by_ordinal_only.append(s.ordinal)
            continue
        text = s.name.decode("latin-1")
        for function in found:
            e = classify(function, text)
            if e:
                e.rva = s.address
                e.forwarder = s.forwarder.decode("latin-1") if s.forwarder else None
                found[function].append(e)
                break

    # Which name of each function the program can bind to, and what the names
    # say about the calling convention (x86 only: x64 has one).
    chosen, cpp_only = {}, []
    v.lines.append("")
    v.lines.append("The ten functions the program calls:")
    width = NAME_WIDTH
    for function, size in FUNCTIONS:
        names = found[function]
        if not names:
            v.lines.append("  %-*s not exported" % (width, function))
        for index, e in enumerate(names):
            detail = e.words
            if e.size is not None and arch == "x86":
                if e.size != size:
                    detail += ", @%d but the program passes %d bytes" % (e.size, size)
                else:
                    detail += ", @%d = its argument bytes" % e.size
            if e.forwarder:
                detail += ", forwarded to %s" % e.forwarder
            v.lines.append("  %-*s %s: %s" % (width, function if index == 0 else "", e.name, detail))
    for function, size in FUNCTIONS:
        names = found[function]
        usable = [e for e in names if e.bindable]
        if not names:
            continue
        if not usable:
            e = names[0]
            if e.kind == "fastcall":
                v.problems.append("%s is exported only as %s, a __fastcall function, which no build of the program "
                                  "calls." % (function, e.name))
            else:
                cpp_only.append((function, e.name))
            continue
        if arch == "x86":
            wrong = [e for e in usable if e.size is not None and e.size != size]
            if wrong:
                v.problems.append("%s is exported as %s, which takes %d bytes of arguments; the program passes %d. "
                                  "Its argument list is not the one the program was written for."
                                  % (function, wrong[0].name, wrong[0].size, size))
                continue
        chosen[function] = usable

    if len(cpp_only) == 1:
        v.problems.append("%s is exported only under a C++ name (%s). A C program cannot bind to it: the maker "
                          "must export it with extern \"C\"." % cpp_only[0])
    elif cpp_only:
        v.problems.append("%s are exported only under C++ names (such as %s). A C program cannot bind to them: the "
                          "maker must export them with extern \"C\"."
                          % (", ".join(f for f, _ in cpp_only), cpp_only[-1][1]))

    missing = [f for f, _ in FUNCTIONS if not found[f]]
    if missing:
        v.problems.append("%s %s not exported." % (", ".join(missing), plural(len(missing), "is", "are")))
        if by_ordinal_only:
            v.problems.append("The DLL also exports %d %s by ordinal only (%s), without names. The missing "
                              "functions may be among them, but which ordinal is which cannot be read from the "
                              "file; only the maker can say." % (
                                  len(by_ordinal_only), plural(len(by_ordinal_only), "function", "functions"),
                                  ", ".join(str(o) for o in sorted(by_ordinal_only))))
    elif by_ordinal_only:
        v.lines.append("It also exports %d %s by ordinal only, which the program does not use."
                       % (len(by_ordinal_only), plural(len(by_ordinal_only), "function", "functions")))

    forwarded = sorted({e.forwarder for names in chosen.values() for e in names if e.forwarder})
    for target in forwarded:
        library = target.rsplit(".", 1)[0] + ".dll"
        v.notes.append("An export is forwarded to %s: %s must stand beside the program too." % (target, library))

    if v.problems:
        return v

    v.arch = arch
    if arch == "x64":
        v.convention, v.evidence = "cdecl", "names"
        v.lines.append("")
        v.lines.append("Calling convention: x64 has only one, and the names are C names; nothing more to check.")
        for function, names in chosen.items():
            v.bindings[function] = prefer(names, [("plain",)]).name
        return v

    decide_x86_convention(v, path, chosen)
    if v.fits:
        order = [("mingw-stdcall",), ("msvc-stdcall",), ("plain",)] if v.convention == "stdcall" else \
                [("plain",), ("underscore",)]
        for function, names in chosen.items():
            v.bindings[function] = prefer(names, order).name
    return v


def prefer(names, order):
    for kinds in order:
        for e in names:
            if e.kind in kinds:
                return e
    return names[0]


def read_code(v, path, chosen):
    """What the code of each function that takes arguments says: ({function:
    "stdcall" or "cdecl"}, {function: what was seen, in words}, why the code
    was not read at all or None). A return that removes another number of
    bytes than the program passes is a problem of its own."""
    objdump = find_tool("i686-w64-mingw32-", "objdump")
    if objdump is None:
        return {}, {}, "the code was not read: i686-w64-mingw32-objdump (Debian package binutils-mingw-w64-i686) " \
                       "is not installed"
    try:
        reader = CodeReader(path, objdump)
    except ToolError as e:
        # A file damaged past what objdump reads still gets a verdict.
        return {}, {}, "the code was not read: %s" % e
    image_base = pefile.PE(path, fast_load=True).OPTIONAL_HEADER.ImageBase
    by_code, seen = {}, {}
    for function in TAKING_ARGUMENTS:
        size = ARGUMENT_BYTES[function]
        local = [e for e in chosen[function] if not e.forwarder]
        if not local:
            seen[function] = "not read: its code is in another DLL (forwarded)"
            continue
        try:
            removed, unknown = reader.returns(image_base + local[0].rva)
        except ToolError as e:
            return {}, {}, "the code was not read: %s" % e
        returns = ", ".join('"ret $%s"' % hex(n) if n else '"ret"' for n in sorted(removed))
        if removed == {size}:
            by_code[function] = "stdcall"
            seen[function] = "ends with %s: removes its %d bytes of arguments itself (__stdcall)" % (returns, size)
        elif removed == {0}:
            by_code[function] = "cdecl"
            seen[function] = "ends with %s: leaves its arguments to the caller (__cdecl)" % returns
        elif removed and not removed & {0, size}:
            seen[function] = "ends with %s" % returns
            v.problems.append("The code of %s removes %s bytes of arguments when it returns (%s); the program "
                              "passes %d. Its argument list is not the one the program was written for."
                              % (function, " or ".join(str(n) for n in sorted(removed)), returns, size))
        elif removed:
            seen[function] = "not clear: its returns differ (%s)" % returns
        else:
            seen[function] = "not clear: no return was reached; " + "; ".join(sorted(set(unknown))[:2])
    return by_code, seen, None


def decide_x86_convention(v, path, chosen):
    """Sets v.convention and v.evidence from the names and the code, or adds
    the reason none fits."""
    v.lines.append("")
    # What the names say, function by function (functions without arguments
    # are the same under both conventions and do not count).
    by_name = {}
    for function in TAKING_ARGUMENTS:
        said = {e.convention for e in chosen[function] if e.convention}
        if len(said) > 1:
            v.problems.append("%s is exported under names of both conventions (%s)."
                              % (function, ", ".join(e.name for e in chosen[function])))
            return
        by_name[function] = said.pop() if said else None
    name_says = {c for c in by_name.values() if c}

    by_code, seen, not_read = read_code(v, path, chosen)
    code_says = set(by_code.values())

    def list_code():
        if not_read:
            v.lines.append("  " + not_read[0].upper() + not_read[1:] + ".")
        for function in TAKING_ARGUMENTS:
            if function in seen:
                v.lines.append("  %-*s %s" % (NAME_WIDTH, function, seen[function]))

    if name_says:
        named = [f for f in TAKING_ARGUMENTS if by_name[f]]
        if name_says == {"stdcall"}:
            text = "Calling convention: the names say __stdcall: %s functions that take arguments carry a " \
                   "stdcall decoration whose @N is their argument bytes." % count_words(len(named))
        elif name_says == {"cdecl"}:
            text = "Calling convention: the names say __cdecl: %s functions that take arguments carry the " \
                   "leading underscore of a cdecl name." % count_words(len(named))
        else:
            text = "Calling convention: the names say both __stdcall and __cdecl."
        if len(by_code) == len(TAKING_ARGUMENTS) and code_says == name_says:
            text += " The code of all seven agrees."
        elif not_read:
            text += " (The " + not_read[4:] + ".)"
        v.lines.append(text)
        if len(by_code) != len(TAKING_ARGUMENTS) or code_says != name_says:
            v.lines.append("The code of the functions that take arguments:")
            list_code()
    else:
        v.lines.append("Calling convention: on x86 plain names do not tell it, so the code of the functions that "
                       "take arguments %s:" % ("could tell it" if not_read else "was read (disassembled with "
                                                "i686-w64-mingw32-objdump)"))
        list_code()
    if v.problems:
        return

    disagree = [f for f in TAKING_ARGUMENTS if by_name[f] and by_code.get(f) and by_name[f] != by_code[f]]
    if disagree:
        v.problems.append("The names and the code disagree for %s: the name says __%s, the code __%s. Ask the "
                          "maker which calling convention the DLL uses." % (
                              ", ".join(disagree), by_name[disagree[0]], by_code[disagree[0]]))
        return
    if len(name_says | code_says) > 1:
        stdcall = [f for f in TAKING_ARGUMENTS if "stdcall" in (by_name[f], by_code.get(f))]
        cdecl = [f for f in TAKING_ARGUMENTS if "cdecl" in (by_name[f], by_code.get(f))]
        v.problems.append("The DLL mixes calling conventions: %s %s __stdcall, %s %s __cdecl. The program calls all "
                          "ten functions one way." % (", ".join(stdcall), plural(len(stdcall), "is", "are"),
                                                       ", ".join(cdecl), plural(len(cdecl), "is", "are")))
        return

    if name_says:
        v.convention, v.evidence = name_says.pop(), "names"
        return
    if code_says:
        v.convention, v.evidence = code_says.pop(), "code"
        shown = len(by_code)
        if shown == len(TAKING_ARGUMENTS):
            v.lines.append("  All seven say __%s. Read from the machine code of every one of them, this is as "
                           "sure as a file can tell; the maker's word settles it." % v.convention)
        else:
            v.lines.append("  %s say __%s; the code of the others could not be followed to its returns. Likely, "
                           "but not certain." % (count_words(shown), v.convention))
            v.notes.append("The calling convention comes from the code of %s functions only; confirm it with the "
                           "maker." % count_words(shown))
        return

    v.convention, v.evidence = "cdecl", "none"
    v.lines.append("  Nothing in the file tells the calling convention, so the default build (cdecl) is taken.")
    v.notes.append("Nothing in the file tells the calling convention: the default cdecl build is taken and must be "
                   "confirmed with the maker before it ships. A wrong guess corrupts the stack at the first call.")


def project_version():
    """The project's version, as the zips are named with it."""
    try:
        with open(os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "CMakeLists.txt")) as f:
            m = re.search(r"^project\(VQDTRM4_UpdateProgram VERSION ([0-9.]+)", f.read(), re.M)
        return m.group(1) if m else "<version>"
    except OSError:
        return "<version>"

# --- The import library ------------------------------------------------------------

def def_file_text(v, made_for, each_line, line_of):
    """A .def file for the maker's DLL: what it is for and where it comes
    from, then one line a function, line_of(SYMBOL, EXPORTED_NAME)."""
    lines = ["; %s, made by scripts/vendor_dll.py from the export table" % made_for,
             "; of %s (%s)." % (os.path.basename(v.path), v.build_words()),
             "; Each line: %s." % each_line,
             "LIBRARY %s" % DLL_NAME, "EXPORTS"]
    for function, _ in FUNCTIONS:
        lines.append(line_of(program_symbol(function, v.arch, v.convention), v.bindings[function]))
    return "\n".join(lines) + "\n"


def def_text(v):
    return def_file_text(v, "Import library for the maker's " + DLL_NAME,
                         "the name the program's objects reference == the name the DLL exports",
                         lambda symbol, exported: "%s == %s" % (symbol, exported))


def recorder_def_text(v):
    return def_file_text(v, "The recording library's exports for the maker's " + DLL_NAME,
                         "the name the DLL exports = the recording library's function",
                         lambda symbol, exported: "%s = %s" % (exported, symbol))


def read_import_library(library, prefix):
    """{linked symbol: (imported name, dll name)} as read back from the
    library: nm names what each member defines, objdump shows the member's
    import name (.idata$6) and DLL name (.idata$7 of the head member)."""
    nm = subprocess.run([prefix + "nm", library], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                        universal_newlines=True)
    dump = subprocess.run([prefix + "objdump", "-s", "-j", ".idata$6", "-j", ".idata$7", library],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True)
    if nm.returncode != 0 or dump.returncode != 0:
        raise ToolError("could not read the import library back: %s%s" % (nm.stderr, dump.stderr))

    defined, member = {}, None
    for line in nm.stdout.splitlines():
        if line.endswith(":") and not line.startswith(" "):
            member = line[:-1]
            continue
        parts = line.split()
        if len(parts) == 3 and parts[1] == "T" and member:
            defined[parts[2]] = member

    contents, member, section = {}, None, None
    for line in dump.stdout.splitlines():
        m = re.match(r"^(\S+):\s+file format", line)
        if m:
            member, section = m.group(1), None
            continue
        m = re.match(r"^Contents of section (\S+):", line)
        if m:
            section = m.group(1)
            continue
        m = re.match(r"^ [0-9a-f]{4} ((?:[0-9a-f]{2,8} ?)+)", line)
        if m and member and section:
            hexdigits = "".join(m.group(1).split())[:32]
            contents.setdefault((member, section), bytearray()).extend(bytes.fromhex(hexdigits))

    def cstring(raw):
        return bytes(raw).split(b"\0", 1)[0].decode("latin-1")

    dll_names = {cstring(raw) for (m, s), raw in contents.items() if s == ".idata$7" and len(raw) > 4}
    result = {}
    for symbol, member in defined.items():
        raw = contents.get((member, ".idata$6"))
        if raw is not None:
            result[symbol] = cstring(raw[2:])   # after the two-byte hint
    return result, dll_names


def make_import_library(v, out_dir):
    prefix = "i686-w64-mingw32-" if v.arch == "x86" else "x86_64-w64-mingw32-"
    dlltool = find_tool(prefix, "dlltool")
    if dlltool is None:
        raise ToolError("%sdlltool is not installed (Debian package binutils-mingw-w64-%s)."
                        % (prefix, "i686" if v.arch == "x86" else "x86-64"))
    os.makedirs(out_dir, exist_ok=True)
    def_path = os.path.join(out_dir, DEF_FILE)
    lib_path = os.path.join(out_dir, LIBRARY_FILE)
    with open(def_path, "w") as f:
        f.write(def_text(v))
    with open(os.path.join(out_dir, RECORDER_DEF_FILE), "w") as f:
        f.write(recorder_def_text(v))
    if os.path.exists(lib_path):
        os.remove(lib_path)
    # dlltool leaves its temporary objects in the current folder.
    with tempfile.TemporaryDirectory() as work:
        result = subprocess.run([dlltool, "--input-def", os.path.abspath(def_path), "--dllname", DLL_NAME,
                                 "--output-lib", os.path.abspath(lib_path)],
                                cwd=work, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
    if result.returncode != 0 or not os.path.exists(lib_path):
        raise ToolError("dlltool failed: %s" % result.stdout.strip())

    imports, dll_names = read_import_library(lib_path, prefix)
    wrong = []
    for function, _ in FUNCTIONS:
        symbol = linked_symbol(function, v.arch, v.convention)
        got = imports.get(symbol)
        if got != v.bindings[function]:
            wrong.append("%s imports %s, not %s" % (symbol, got or "nothing", v.bindings[function]))
    if dll_names != {DLL_NAME}:
        wrong.append("the library names %s, not %s" % (", ".join(sorted(dll_names)) or "no DLL", DLL_NAME))
    if wrong:
        os.remove(lib_path)
        raise ToolError("dlltool's library is not what was asked for: %s" % "; ".join(wrong))
    return def_path, lib_path


# --- Command line ------------------------------------------------------------------

class Parser(argparse.ArgumentParser):
    def error(self, message):
        raise UsageError(message)


def main(argv):
    parser = Parser(prog="vendor_dll.py", description="Checks the maker's vqdtrm4hid.dll and makes its import "
                                                       "library. See the top of this file.")
    commands = parser.add_subparsers(dest="command")
    for name in ("check", "import-lib"):
        command = commands.add_parser(name)
        mode = command.add_mutually_exclusive_group()
        mode.add_argument("--print-build", action="store_true")
        mode.add_argument("--quiet", action="store_true")
        command.add_argument("dll")
        if name == "import-lib":
            command.add_argument("out_dir")
    try:
        args = parser.parse_args(argv)
        if args.command is None:
            raise UsageError("say check or import-lib")
        v = analyse(args.dll)
    except UsageError as e:
        sys.stderr.write("vendor_dll.py: %s\n" % e)
        sys.stderr.write("usage: vendor_dll.py check [--print-build | --quiet] DLL\n"
                         "       vendor_dll.py import-lib [--print-build | --quiet] DLL OUT_DIR\n")
        return 2
    except ToolError as e:
        sys.stderr.write("vendor_dll.py: %s\n" % e)
        return 3

    terse = args.print_build or args.quiet
    if not v.fits:
        if terse:
            sys.stderr.write("No build of the program fits %s:\n" % args.dll)
            for problem in v.problems:
                sys.stderr.write("  - %s\n" % problem)
        else:
            sys.stdout.write(v.report())
        if args.command == "import-lib":
            sys.stderr.write("No import library was made.\n")
        return 1

    made = None
    if args.command == "import-lib":
        try:
            made = make_import_library(v, args.out_dir)
        except (ToolError, OSError) as e:
            sys.stderr.write("vendor_dll.py: %s\n" % e)
            return 3

    if args.print_build:
        sys.stdout.write(v.build_line() + "\n")
    elif not args.quiet:
        sys.stdout.write(v.report())
        if made:
            sys.stdout.write("\nImport library for the %s: %s\n(made from %s, for %s)\n"
                             % (v.build_words(), made[1], made[0], DLL_NAME))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
