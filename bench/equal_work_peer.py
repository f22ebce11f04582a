#!/usr/bin/env python3
"""The installation benchmark's peer, made to do exactly the work of the setup's silent run.

  equal_work_peer.py script TEMPLATE REFERENCE STAGE OUT.nsi EXTRA_DIR
      Writes an NSIS script whose installer leaves a prefix copied from TEMPLATE in the state the
      setup left REFERENCE in: the payload from STAGE, every other file the setup wrote (copied
      into EXTRA_DIR for the script to carry) and every registry key and value it wrote, in the
      same view.
  equal_work_peer.py compare TEMPLATE A B
      Exits 1, listing the differences, unless A and B differ from TEMPLATE in the same files
      (names and bytes) and the same registry keys and values.

Both installers then write the same bytes, so the benchmark compares how fast each does it.
"""
import filecmp
import os
import re
import shutil
import sys

# Parts of a prefix that every session changes by itself.
NOISE_KEYS = (r"System\\", r"Software\\Wine\\", r"Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards")
VIEWER_EXE = "l_tern32.exe"
NOISE_FILES = ("installer.exe", "windows/", "ProgramData/Microsoft/", "users/Public/")


def parse_reg(path):
    """Wine's registry file: {key: {value name ('@' for the default): raw value text}}."""
    keys, current = {}, None
    lines = open(path, encoding="utf-8", errors="surrogateescape").read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("["):
            current = re.match(r"^\[(.*)\](?: \d+)?$", line).group(1)
            keys.setdefault(current, {})
        elif current is not None and line[:1] in ('"', "@"):
            while line.endswith("\\") and i + 1 < len(lines):
                i += 1
                line = line[:-1] + lines[i].lstrip()
            if line.startswith("@="):
                keys[current]["@"] = line[2:]
            else:
                match = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
                keys[current][match.group(1)] = match.group(2)
        i += 1
    return keys


def registry_changes(template, prefix):
    """(hive, key) -> {name: raw value} for every key the run created or gave new values."""
    changes = {}
    for hive, name in (("HKLM", "system.reg"), ("HKCU", "user.reg")):
        before, after = parse_reg(os.path.join(template, name)), parse_reg(os.path.join(prefix, name))
        for key, values in after.items():
            if key.startswith(NOISE_KEYS):
                continue
            old = before.get(key)
            if old is None:
                changes[(hive, key)] = dict(values)
            else:
                new = {n: v for n, v in values.items() if old.get(n) != v}
                if new:
                    changes[(hive, key)] = new
    return changes


def file_changes(template, prefix):
    """Relative paths of the files under drive_c that the run created or changed."""
    changed = []
    root = os.path.join(prefix, "drive_c")
    for folder, _, files in os.walk(root):
        for name in files:
            relative = os.path.relpath(os.path.join(folder, name), root)
            if relative.replace(os.sep, "/").startswith(NOISE_FILES):
                continue
            before = os.path.join(template, "drive_c", relative)
            if not os.path.exists(before) or not filecmp.cmp(before, os.path.join(root, relative), shallow=False):
                changed.append(relative)
    return sorted(changed)


def unescape(text):
    return re.sub(r"\\(x[0-9a-fA-F]{1,4}|.)",
                  lambda m: chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x" and len(m.group(1)) > 1
                  else {"n": "\n", "r": "\r", "0": "\0"}.get(m.group(1), m.group(1)), text)


def nsis_text(text):
    return '"' + text.replace("$", "$$").replace('"', '$\\"').replace("\n", "$\\n").replace("\r", "$\\r") + '"'


def registry_commands(hive, key, values):
    """NSIS lines writing one key's values in the view that lands where the setup wrote them."""
    levels = unescape(key).split("\\")
    view = "64"
    if "Wow6432Node" in levels:
        levels.remove("Wow6432Node")
        view = "32"
    logical = nsis_text("\\".join(levels))
    lines = ["SetRegView " + view]
    if not values:
        # NSIS has no call that only creates a key: a value written and deleted leaves it empty.
        lines += ["WriteRegStr %s %s \"peer\" \"\"" % (hive, logical), "DeleteRegValue %s %s \"peer\"" % (hive, logical)]
    for name, raw in values.items():
        value_name = '""' if name == "@" else nsis_text(unescape(name))
        if raw.startswith('"'):
            lines.append("WriteRegStr %s %s %s %s" % (hive, logical, value_name, nsis_text(unescape(raw[1:-1]))))
        elif raw.startswith('str(2):"'):
            lines.append("WriteRegExpandStr %s %s %s %s" % (hive, logical, value_name, nsis_text(unescape(raw[8:-1]))))
        elif raw.startswith("dword:"):
            lines.append("WriteRegDWORD %s %s %s 0x%s" % (hive, logical, value_name, raw[6:]))
        else:
            sys.exit("equal_work_peer: no NSIS command for %s\\%s %s=%s" % (hive, key, name, raw))
    return lines


def write_script(template, reference, stage, out, extra):
    files = file_changes(template, reference)
    stage_files = {os.path.relpath(os.path.join(f, n), stage) for f, _, ns in os.walk(stage) for n in ns}
    # The program folder is where the viewer itself went.
    viewers = [f for f in files if os.path.basename(f) == VIEWER_EXE]
    if VIEWER_EXE not in stage_files or len(viewers) != 1:
        sys.exit("equal_work_peer: the reference run installed no viewer, or more than one")
    program_folder = os.path.dirname(viewers[0])
    shutil.rmtree(extra, ignore_errors=True)
    lines = [
        "; Generated by bench/equal_work_peer.py: writes what the setup's silent run wrote.",
        "Unicode true", "Target ${TARGET}", "SetCompressor zlib", 'Name "Lanternix"', 'OutFile "${OUT}"',
        "RequestExecutionLevel admin", "SilentInstall silent", "Section",
        "SetOutPath " + nsis_text("C:\\" + program_folder.replace(os.sep, "\\")),
        "File /r " + nsis_text(os.path.join(stage, "*.*")),
    ]
    for relative in files:
        inside = os.path.relpath(relative, program_folder)
        if not inside.startswith("..") and inside in stage_files:
            continue
        os.makedirs(os.path.join(extra, os.path.dirname(relative)), exist_ok=True)
        shutil.copy2(os.path.join(reference, "drive_c", relative), os.path.join(extra, relative))
        lines.append("SetOutPath " + nsis_text("C:\\" + os.path.dirname(relative).replace(os.sep, "\\")))
        lines.append("File " + nsis_text(os.path.join(extra, relative)))
    for (hive, key), values in sorted(registry_changes(template, reference).items()):
        lines += registry_commands(hive, key, values)
    lines.append("SectionEnd")
    open(out, "w", encoding="utf-8").write("\n".join(lines) + "\n")


def compare(template, a, b):
    differences = []
    files_a, files_b = file_changes(template, a), file_changes(template, b)
    differences += ["file only in the first: " + f for f in sorted(set(files_a) - set(files_b))]
    differences += ["file only in the second: " + f for f in sorted(set(files_b) - set(files_a))]
    for f in sorted(set(files_a) & set(files_b)):
        if not filecmp.cmp(os.path.join(a, "drive_c", f), os.path.join(b, "drive_c", f), shallow=False):
            differences.append("file bytes differ: " + f)
    registry_a, registry_b = registry_changes(template, a), registry_changes(template, b)
    for key in sorted(set(registry_a) | set(registry_b)):
        if registry_a.get(key) != registry_b.get(key):
            differences.append("registry differs: %s\\%s: %s / %s" % (key[0], key[1], registry_a.get(key), registry_b.get(key)))
    for line in differences:
        print("equal_work_peer: " + line, file=sys.stderr)
    return 1 if differences else 0


if __name__ == "__main__":
    if len(sys.argv) == 7 and sys.argv[1] == "script":
        write_script(*sys.argv[2:])
    elif len(sys.argv) == 5 and sys.argv[1] == "compare":
        sys.exit(compare(*sys.argv[2:]))
    else:
        sys.exit(__doc__)
