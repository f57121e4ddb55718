#!/usr/bin/env python3
"""Checks that a project folder's description files agree with its sources.

    scripts/check-example.py [PROJECT_FOLDER]      (default: examples/chat)

Reads model.m, annotations.xml and questions.txt the way the viewer does and
reports, as errors:
  - a "length" attribute that differs from the file's real line count,
  - a fragment that does not lie inside its file (startline < 1,
    endline < startline, endline > length), or without any feature,
  - fragments of one file that overlap without one containing the other,
  - "offset"/"length" character positions that do not match the lines,
  - a feature name that model.m does not define, or a fragment's plain
    feature name that is not a leaf (the viewer would drop its fragment),
  - a feature expression that names no leaf at all,
  - a questions file whose last task is not closed by ";".
Files listed but missing on disk, non-source files (which the viewer skips)
and features outside any fragment (which it ignores) are only noted.
Exit status: 0 when there is no error, 1 otherwise, 2 on bad usage.
"""

import os
import re
import sys
import xml.etree.ElementTree as ET

SOURCE_SUFFIXES = (".java", ".c", ".h")
PLAIN_NAME = re.compile(r"^\w+$")
WORD = re.compile(r"\w+")


class Report:
    def __init__(self):
        self.errors = 0

    def error(self, where, text):
        self.errors += 1
        print(f"error: {where}: {text}")

    @staticmethod
    def note(where, text):
        print(f"note: {where}: {text}")


def read_model(path):
    """Returns (all names, leaf names) of a model.m, split as the viewer splits it."""
    with open(path, "rb") as f:
        data = f.read().split(b"\0", 1)[0]
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        text = data.decode("latin-1")
    for ch in "[]\n\r\t ":
        text = text.replace(ch, "")
    children = {}
    order = []
    for statement in text.split(";"):
        if not statement:
            continue
        parts = statement.split(":")
        head = parts[0]
        if head not in children:
            children[head] = []
            order.append(head)
        if len(parts) > 1:
            for child in parts[1].split("|"):
                children[head].append(child)
                if child not in children:
                    children[child] = []
                    order.append(child)
    names = set(order)
    leaves = {name for name in order if not children[name]}
    return names, leaves


def count_lines(path):
    """Lines as the viewer counts them: a last line without line end counts."""
    with open(path, "rb") as f:
        data = f.read()
    return data.count(b"\n") + (1 if data and not data.endswith(b"\n") else 0)


def line_starts(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    starts = [0]
    for line in text.split("\n"):
        starts.append(starts[-1] + len(line) + 1)
    return starts


def number(element, attribute):
    try:
        return int(element.get(attribute, "0"))
    except ValueError:
        return 0


def check_feature_text(report, where, text, names, leaves, in_fragment):
    if PLAIN_NAME.match(text):
        if text not in names:
            report.error(where, f'feature "{text}" is not defined in model.m')
        elif in_fragment and text not in leaves:
            report.error(where, f'feature "{text}" is not a leaf of model.m')
        return
    words = WORD.findall(text)
    unknown = [w for w in words if w not in names]
    if unknown:
        report.error(where, f'expression "{text}" names unknown features {unknown}')
    if in_fragment and not any(w in leaves for w in words):
        report.error(where, f'expression "{text}" names no leaf feature')


def check_file(report, element, path, rel, names, leaves, stats):
    length = number(element, "length")
    exists = os.path.isfile(path)
    if not rel.endswith(SOURCE_SUFFIXES):
        report.note(rel, "not a source file, the viewer skips it")
    if not exists:
        report.note(rel, "listed but missing on disk")
    else:
        real = count_lines(path)
        if real != length:
            report.error(rel, f"length is {length} but the file has {real} lines")
    starts = line_starts(path) if exists else None

    ranges = []
    for child in element:
        if child.tag == "feature":
            text = (child.text or "").strip()
            report.note(rel, f'feature "{text}" outside any fragment, the viewer ignores it')
            check_feature_text(report, rel, text, names, leaves, in_fragment=False)
        elif child.tag == "fragment":
            start, end = number(child, "startline"), number(child, "endline")
            where = f"{rel}:{start}-{end}"
            stats["fragments"] += 1
            if start < 1 or end < start or end > length:
                report.error(where, f"fragment does not lie inside the file's {length} lines")
            features = [f for f in child if f.tag == "feature"]
            if not features:
                report.error(where, "fragment without a feature")
            for feature in features:
                check_feature_text(report, where, (feature.text or "").strip(),
                                   names, leaves, in_fragment=True)
            if starts and "offset" in child.attrib and 1 <= start <= end < len(starts):
                offset, size = number(child, "offset"), number(child, "length")
                first, last = starts[start - 1], starts[end] - 1
                if offset != first or offset + size != last:
                    report.error(where, f"offset {offset}/length {size} should be "
                                        f"{first}/{last - first} for these lines")
            ranges.append((start, end))

    # Fragments must nest or be disjoint; track the deepest nesting.
    ranges.sort(key=lambda r: (r[0], -r[1]))
    open_ranges = []
    for start, end in ranges:
        while open_ranges and open_ranges[-1][1] < start:
            open_ranges.pop()
        if open_ranges and end > open_ranges[-1][1]:
            outer = open_ranges[-1]
            report.error(rel, f"fragments {outer[0]}-{outer[1]} and {start}-{end} overlap "
                              "without nesting")
        open_ranges.append((start, end))
        stats["depth"] = max(stats["depth"], len(open_ranges))


def walk(report, element, folder, rel, names, leaves, stats):
    for child in element:
        if child.tag == "folder":
            name = child.get("name", "")
            walk(report, child, os.path.join(folder, name), f"{rel}/{name}",
                 names, leaves, stats)
        elif child.tag == "file":
            name = child.get("name", "")
            stats["files"] += 1
            check_file(report, child, os.path.join(folder, name), f"{rel}/{name}",
                       names, leaves, stats)
        elif child.tag == "feature":
            text = (child.text or "").strip()
            report.note(rel or "/", f'feature "{text}" outside any fragment, '
                                    "the viewer ignores it")
            check_feature_text(report, rel or "/", text, names, leaves, in_fragment=False)


def check_questions(report, path):
    if not os.path.isfile(path):
        report.note("questions.txt", "missing, the questionnaire has no tasks")
        return 0
    with open(path, "rb") as f:
        text = f.read().split(b"\0", 1)[0].decode("utf-8", errors="replace")
    if not text.rstrip().endswith(";"):
        report.error("questions.txt", 'the last task is not closed by ";" and would be lost')
    tasks = text.split(";")[:-1]
    for number_, task in enumerate(tasks, 1):
        for question in task.split("$"):
            pieces = question.split("|")
            if len(pieces) > 1 and not pieces[1].strip().isdigit():
                report.error(f"questions.txt task {number_}",
                             f'answer-line count "{pieces[1].strip()}" is not a number')
    return len(tasks)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    if len(argv) > 2 or (len(argv) == 2 and argv[1] in ("-h", "--help")):
        print(__doc__.strip())
        return 2
    project = argv[1] if len(argv) == 2 else os.path.join(here, "..", "examples", "chat")
    report = Report()

    names, leaves = read_model(os.path.join(project, "model.m"))
    try:
        root = ET.parse(os.path.join(project, "annotations.xml")).getroot()
    except (OSError, ET.ParseError) as e:
        report.error("annotations.xml", str(e))
        return 1
    if root.tag != "project":
        report.error("annotations.xml", f'document element is "{root.tag}", not "project"')
        return 1

    stats = {"files": 0, "fragments": 0, "depth": 0}
    walk(report, root, project, "", names, leaves, stats)
    tasks = check_questions(report, os.path.join(project, "questions.txt"))

    print(f"{len(leaves)} leaf features, {stats['files']} files, {stats['fragments']} fragments, "
          f"nesting depth {stats['depth']}, {tasks} tasks; {report.errors} error(s)")
    return 1 if report.errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
