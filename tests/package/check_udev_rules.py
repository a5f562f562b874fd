#!/usr/bin/env python3
"""Syntax check of udev rule files, for systems whose udevadm has no
"verify" (Debian 12): every rule is a comma-separated list of KEY op "value"
with a known key, an operator that key takes, and a closed quote; a rule has
at least one match and one assignment. Where "udevadm verify" exists it
checks the files as well.

Usage: check_udev_rules.py <rules file>...
"""
import re
import shutil
import subprocess
import sys

MATCH_KEYS = {"ACTION", "DEVPATH", "KERNEL", "KERNELS", "NAME", "SYMLINK", "SUBSYSTEM", "SUBSYSTEMS", "DRIVER",
              "DRIVERS", "ATTR", "ATTRS", "SYSCTL", "ENV", "CONST", "TAG", "TAGS", "TEST", "PROGRAM", "RESULT"}
ASSIGN_KEYS = {"NAME", "SYMLINK", "OWNER", "GROUP", "MODE", "SECLABEL", "ATTR", "SYSCTL", "ENV", "TAG", "RUN",
               "LABEL", "GOTO", "IMPORT", "OPTIONS"}
# Keys that take {attribute} / {variable} / {kind}.
KEYS_WITH_ARGUMENT = {"ATTR", "ATTRS", "SYSCTL", "ENV", "CONST", "TEST", "RUN", "IMPORT", "SECLABEL"}
PAIR = re.compile(r'\s*([A-Z]+)(\{[^}]*\})?\s*(==|!=|\+=|-=|:=|=)\s*"((?:[^"\\]|\\.)*)"\s*(,|$)')


def check_rule(line):
    """The problems of one rule line, empty when none."""
    problems, matches, assignments, pos = [], 0, 0, 0
    while pos < len(line):
        pair = PAIR.match(line, pos)
        if pair is None:
            return problems + [f"cannot read from column {pos + 1}: {line[pos:pos + 30]!r}"]
        key, argument, op = pair.group(1), pair.group(2), pair.group(3)
        is_match = op in ("==", "!=")
        if key not in (MATCH_KEYS if is_match else ASSIGN_KEYS):
            problems.append(f"{key} does not take {op}")
        if (argument is not None) != (key in KEYS_WITH_ARGUMENT) and key not in ("RUN", "IMPORT"):
            problems.append(f"{key} {'takes no' if argument else 'needs an'} {{argument}}")
        matches += is_match
        assignments += not is_match
        pos = pair.end()
    if matches == 0 or assignments == 0:
        problems.append("a rule needs a match and an assignment")
    return problems


def check_file(path):
    failures = 0
    with open(path, encoding="utf-8") as rules:
        for number, line in enumerate(rules, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            for problem in check_rule(line):
                print(f"{path}:{number}: {problem}")
                failures += 1
    return failures


def main(paths):
    failures = sum(check_file(path) for path in paths)
    udevadm = shutil.which("udevadm")
    if udevadm and subprocess.run([udevadm, "verify", "--help"], capture_output=True).returncode == 0:
        failures += subprocess.run([udevadm, "verify", *paths]).returncode != 0
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]) if len(sys.argv) > 1 else 2)
