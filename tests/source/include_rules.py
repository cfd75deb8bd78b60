#!/usr/bin/env python3
"""Checks every #include of src/ and tools/ against the project's include rules.

    include_rules.py [ROOT]        checks the tree at ROOT (default: this repository)
    include_rules.py --self-test   checks a small made-up tree whose rule breaks are known

The rules (README, "Include rules"), by the folder of the including file:
  src/base              src/gl11 (the OpenGL of the web build) and nothing else of the project
  src/clock, src/curtain, src/snow
                        src/base
  src/frame             src/clock, src/curtain, src/snow, src/base
  src/gl11              nothing of the project
  a host folder (src/host/ win32, x11, wayland, web, headless)
                        the scene, src/base, the shared host folders; never another host's folder
  a shared host folder (any other folder of src/host)
                        the scene, src/base, the shared host folders; never a host's folder
  tools/                as a host folder, and the one host folder whose files the tool makes
Every folder may include its own files. A quoted include is looked for beside
the including file first, then in src/ (the include path every target has);
an include in angle brackets in src/ only. Generated headers are known by name.
"""

import os
import re
import sys
import tempfile

HOSTS = {"win32", "x11", "wayland", "web", "headless"}
SCENE = {"frame", "clock", "curtain", "snow"}
SOURCE_SUFFIXES = (".h", ".hh", ".hpp", ".c", ".cc", ".cpp", ".cxx", ".inc", ".inl", ".ipp")
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include(?:_next)?[ \t]*(?:"([^"\n]*)"|<([^>\n]*)>)', re.M)
RAW_STRING = re.compile(r'(?<![A-Za-z0-9_])(?:u8|u|U|L)?R"([^ ()\\\t\n]{0,16})\(')


def generated_folder(name):
    """The folder a header made at build time belongs to, or None."""
    if name == "quillmoor_version.h":  # cmake/version.h.in: the version, for the programs
        return "version"
    if name.endswith("-client-protocol.h"):  # cmake/wayland.cmake: wayland-scanner's glue
        return "host/wayland"
    return None


def folder_of(relative):
    """The folder of the rules a file (path from the root, with /) belongs to."""
    parts = relative.split("/")
    if parts[0] == "tools":
        return "tools"
    if parts[0] != "src" or len(parts) < 3:
        return None
    if parts[1] in SCENE or parts[1] in ("base", "gl11"):
        return parts[1]
    if parts[1] == "host" and len(parts) >= 4:
        return "host/" + parts[2]
    return None


def is_host(folder):
    return folder.startswith("host/") and folder[5:] in HOSTS


def is_shared_host(folder):
    return folder.startswith("host/") and folder[5:] not in HOSTS


def allowed(source, target):
    """Whether the rules let a file of folder source include one of folder target."""
    if source == target:
        return True
    if source == "base":
        return target == "gl11"
    if source in ("clock", "curtain", "snow"):
        return target == "base"
    if source == "frame":
        return target in ("clock", "curtain", "snow", "base")
    if source == "gl11":
        return False
    if source.startswith("host/") or source == "tools":
        if target in SCENE or target == "base" or target == "version" or is_shared_host(target):
            return True
        # A tool may take one host's folder (see the per-file count below).
        return source == "tools" and is_host(target)
    return False


def without_comments(text):
    """text with its comments blanked (line breaks kept) and continued lines joined."""
    text = text.replace("\\\r\n", "").replace("\\\n", "")
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        raw = RAW_STRING.match(text, i) if c in "uULR" else None
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            end = text.find(")" + raw.group(1) + '"', raw.end())
            end = n if end < 0 else end + len(raw.group(1)) + 2
            out.append(text[i:end])
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j) or " ")
            i = j
        else:
            j = i + 1
            while j < n and text[j] not in "\"'/uULR":
                j += 1
            out.append(text[i:j])
            i = j
    return "".join(out)


def check(root):
    """The rule breaks of the tree at root, as lines of text; and the includes read."""
    breaks, seen = [], 0
    for top in ("src", "tools"):
        for directory, _, names in sorted(os.walk(os.path.join(root, top))):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, root).replace(os.sep, "/")
                source = folder_of(relative)
                if source is None:
                    breaks.append(f"{relative}: a folder the include rules do not know")
                    continue
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = without_comments(f.read())
                hosts = set()
                for match in INCLUDE.finditer(text):
                    seen += 1
                    quoted, angled = match.group(1), match.group(2)
                    name_included = quoted if quoted is not None else angled
                    places = [os.path.join(root, "src", name_included)]
                    if quoted is not None:
                        places.insert(0, os.path.join(directory, name_included))
                    found = next((os.path.normpath(p) for p in places if os.path.isfile(p)), None)
                    line = text.count("\n", 0, match.start()) + 1
                    where = f"{relative}:{line}: #include {match.group(0).split('include', 1)[1].strip()}"
                    if found is None:
                        target = generated_folder(os.path.basename(name_included))
                        if target is None:
                            if quoted is not None:
                                breaks.append(f"{where}: names no file of src/ and no generated header "
                                              "(write a system header with <>)")
                            continue
                    else:
                        target = folder_of(os.path.relpath(found, root).replace(os.sep, "/"))
                        if target is None:
                            breaks.append(f"{where}: a file outside the folders of the include rules")
                            continue
                    if not allowed(source, target):
                        breaks.append(f"{where}: {source} may not include {target}")
                    if source == "tools" and is_host(target):
                        hosts.add(target)
                if len(hosts) > 1:
                    breaks.append(f"{relative}: a tool includes several hosts' folders: {', '.join(sorted(hosts))}")
    return breaks, seen


# The made-up tree of --self-test: (file, its text, whether the rules let it be).
SELF_TEST_HEADERS = ["src/base/b.h", "src/clock/c.h", "src/curtain/k.h", "src/snow/s.h", "src/frame/f.h",
                     "src/gl11/g.h", "src/host/x11/x.h", "src/host/x11/sub/y.h", "src/host/web/w.h",
                     "src/host/time/t.h", "src/host/power/p.h"]
SELF_TEST_ROWS = [
    ("src/snow/a.cpp", '#include "base/b.h"\n', True),
    ("src/snow/b.cpp", '#include "clock/c.h"\n', False),
    ("src/snow/c.cpp", '#include "../clock/c.h"\n', False),
    ("src/snow/d.cpp", '#  include   "clock/c.h"\n', False),
    ("src/snow/e.cpp", '#include"clock/c.h"\n', False),
    ("src/snow/f.cpp", ' \t#\tinclude <clock/c.h>\n', False),
    ("src/snow/g.cpp", '// #include "clock/c.h"\nint x;\n', True),
    ("src/snow/h.cpp", '/*\n#include "clock/c.h"\n*/\n', True),
    ("src/snow/i.cpp", '#include \\\n  "clock/c.h"\n', False),
    ("src/snow/j.cpp", 'const char* s = "#include \\"clock/c.h\\"";\n', True),
    ("src/snow/k.cpp", 'const char* s = R"(x" /* y)";\n#include "clock/c.h"\n', False),
    ("src/snow/l.cpp", '#include "s.h"\n#include <GL/gl.h>\n', True),
    ("src/clock/a.cpp", '#include "curtain/k.h"\n', False),
    ("src/curtain/a.cpp", '#include "frame/f.h"\n', False),
    ("src/frame/a.cpp", '#include "clock/c.h"\n#include "curtain/k.h"\n#include "snow/s.h"\n', True),
    ("src/frame/b.cpp", '#include "host/time/t.h"\n', False),
    ("src/frame/c.cpp", '#include "gl11/g.h"\n', False),
    ("src/base/a.cpp", '#include "gl11/g.h"\n#include "b.h"\n', True),
    ("src/base/b.cpp", '#include "snow/s.h"\n', False),
    ("src/base/c.cpp", '#include "quillmoor_version.h"\n', False),
    ("src/gl11/a.cpp", '#include "gl11/g.h"\n', True),
    ("src/gl11/b.cpp", '#include "base/b.h"\n', False),
    ("src/host/x11/a.cpp", '#include "frame/f.h"\n#include "host/time/t.h"\n#include "host/x11/sub/y.h"\n'
     '#include "quillmoor_version.h"\n', True),
    ("src/host/x11/b.cpp", '#include "host/web/w.h"\n', False),
    ("src/host/x11/c.cpp", '#include "gl11/g.h"\n', False),
    ("src/host/x11/d.cpp", '#include "xdg-shell-client-protocol.h"\n', False),
    ("src/host/time/a.cpp", '#include "host/x11/x.h"\n', False),
    ("src/host/time/b.cpp", '#include "frame/f.h"\n#include "host/power/p.h"\n', True),
    ("src/host/power/a.cpp", '#include "host/web/w.h"\n', False),
    ("src/host/x11/sub/a.cpp", '#include "../../web/w.h"\n', False),
    ("src/host/web/a.cpp", '#include "nowhere.h"\n', False),
    ("tools/a.cpp", '#include "frame/f.h"\n#include "host/web/w.h"\n#include "host/time/t.h"\n', True),
    ("tools/b.cpp", '#include "host/web/w.h"\n#include "host/x11/x.h"\n', False),
    ("src/elsewhere/a.cpp", "int x;\n", False),
]


def self_test():
    with tempfile.TemporaryDirectory() as root:
        for relative, text in [(h, "") for h in SELF_TEST_HEADERS] + [(r[0], r[1]) for r in SELF_TEST_ROWS]:
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        breaks, _ = check(root)
    failed = 0
    for relative, text, lawful in SELF_TEST_ROWS:
        found = [b for b in breaks if b.startswith(relative + ":")]
        if lawful == bool(found):
            failed += 1
            print(f"{relative} {text!r}: expected {'no break' if lawful else 'a break'}, got {found or 'none'}")
    print(f"include_rules self-test: {len(SELF_TEST_ROWS) - failed} of {len(SELF_TEST_ROWS)} rows as expected")
    return 1 if failed else 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    breaks, seen = check(root)
    for line in breaks:
        print(line)
    if seen == 0:
        print(f"no #include found under {root}/src and {root}/tools")
        return 1
    print(f"include rules: {seen} includes read, {len(breaks)} broken")
    return 1 if breaks else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
