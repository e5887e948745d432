#!/usr/bin/env python3
"""Turns a program's --help text into a man page, so both come from one file.

The text's layout: "usage:" lines (the synopsis), one summary line, then paragraphs. A line
"Heading:" starts a section. Lines indented by two spaces are "TERM  description" entries
(two or more spaces apart), options whose description follows on deeper indented lines, or
lines kept as they are (examples); lines indented further continue the description above.

    help2roff.py HELP.txt PROGRAM VERSION OUT.1
"""
import re
import sys


def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def convert(lines, program, version):
    out = [f'.TH {program.upper()} 1 "" "kv suite {version}" "User Commands"']
    synopsis = []
    while lines and (lines[0].startswith("usage:") or (synopsis and lines[0].startswith(" "))):
        synopsis.append(re.sub(r"^(usage:)?\s*", "", lines.pop(0)))
    summary = lines.pop(0).rstrip(".") if lines else program
    out += [".SH NAME", f"{escape(program)} \\- {escape(summary[:1].lower() + summary[1:])}"]
    out += [".SH SYNOPSIS", ".nf"] + [escape(s) for s in synopsis] + [".fi", ".SH DESCRIPTION"]

    for line in lines:
        indent = len(line) - len(line.lstrip(" "))
        if not line.strip():
            out.append(".PP")
        elif indent == 0 and re.match(r"^[A-Z][^:]*:$", line):
            out.append(".SH " + escape(line[:-1].upper()))
        elif indent == 2:
            match = re.match(r"(\S(?:.*?\S)?)\s{2,}(\S.*)$", line.strip())
            if match:
                out += [".TP", f"\\fB{escape(match.group(1))}\\fR", escape(match.group(2))]
            elif line.strip().startswith("-"):  # an option whose description is below it
                out += [".TP", f"\\fB{escape(line.strip())}\\fR"]
            else:
                out += [escape(line.strip()), ".br"]
        else:
            out.append(escape(line.strip()))
    # A paragraph mark next to another or to a section heading says nothing.
    tidy = []
    for line in out:
        if line.startswith(".SH") and tidy and tidy[-1] == ".PP":
            tidy.pop()
        if line == ".PP" and tidy and (tidy[-1] == ".PP" or tidy[-1].startswith(".SH")):
            continue
        tidy.append(line)
    return "\n".join(tidy).rstrip() + "\n"


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    source, program, version, target = sys.argv[1:]
    with open(source, encoding="utf-8") as f:
        lines = f.read().splitlines()
    with open(target, "w", encoding="utf-8") as f:
        f.write(convert(lines, program, version))


if __name__ == "__main__":
    main()
