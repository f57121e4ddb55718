"""Reading and checking the participant's action log as it lies on disk.

A record is: task $ file $ action $( start $ end )$ previous $ now $ difference,
ended by "\\r\\n" and one "\\n".
"""

import re

RECORD = re.compile(r"^(code|task\d+)\$([^$]*)\$([^$]*)\$\((\d*)\$(\d*)\)\$(\d+)\$(\d+)\$(-?\d+)$")


class Record:
    def __init__(self, match, index):
        self.index = index
        self.task, self.file, self.action = match.group(1), match.group(2), match.group(3)
        self.start = int(match.group(4)) if match.group(4) else None
        self.end = int(match.group(5)) if match.group(5) else None
        self.previous, self.now = int(match.group(6)), int(match.group(7))
        self.difference = int(match.group(8))
        self.raw = match.group(0)

    def __repr__(self):
        return "#%d %r" % (self.index, self.raw)


def parse(data):
    """Returns (records, problems) for the bytes of a log file."""
    problems = []
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        return [], ["the log is not valid UTF-8: %s" % error]
    if not text:
        return [], []
    if not text.endswith("\r\n\n"):
        problems.append("the log does not end with a complete record (ends with %r)"
                        % text[-20:])
    pieces = text.split("\r\n")
    tail = pieces.pop()
    if tail not in ("\n", ""):
        problems.append("text after the last record: %r" % tail)
    records = []
    for i, piece in enumerate(pieces):
        if i > 0:
            if not piece.startswith("\n"):
                problems.append("record %d does not start on a new line: %r" % (i, piece))
            piece = piece[1:]
        match = RECORD.match(piece)
        if not match:
            problems.append("record %d is not a complete log record: %r" % (i, piece))
            continue
        records.append(Record(match, i))
    return records, problems


def timestamp_problems(records):
    """The time stamps chain up: each record's previous stamp is the last one's own."""
    problems = []
    for i, r in enumerate(records):
        if r.difference != r.now - r.previous:
            problems.append("%r: difference is not now - previous" % r)
        if r.now < r.previous:
            problems.append("%r: time stamp goes backwards" % r)
        if i == 0:
            if r.previous != r.now or r.difference != 0:
                problems.append("%r: the first record must refer to itself" % r)
        elif r.previous != records[i - 1].now:
            problems.append("%r: previous stamp %d is not the last record's %d"
                            % (r, r.previous, records[i - 1].now))
    return problems


def line_range_problems(records, line_counts):
    """Every record that names a file shows a visible range inside that file."""
    problems = []
    for r in records:
        if not r.file:
            continue
        count = line_counts.get(r.file)
        if count is None:
            problems.append("%r: names a file that is not in the project" % r)
            continue
        if r.start is None or r.end is None:
            problems.append("%r: names a file but no visible lines" % r)
        elif not 1 <= r.start <= r.end <= count:
            problems.append("%r: visible lines %d-%d do not fit a file of %d lines"
                            % (r, r.start, r.end, count))
    return problems


def find_in_order(records, expected):
    """Matches expected entries, in order, against the records.

    Each expected entry is a dict with "action" (text or a compiled pattern)
    and optionally "task" and "file". Returns (matched records, the first
    entry that was not found or None).
    """
    matched = []
    position = 0
    for entry in expected:
        for k in range(position, len(records)):
            if entry_matches(entry, records[k]):
                matched.append(records[k])
                position = k + 1
                break
        else:
            return matched, entry
    return matched, None


def entry_matches(entry, record):
    action = entry["action"]
    if hasattr(action, "fullmatch"):
        if not action.fullmatch(record.action):
            return False
    elif record.action != action:
        return False
    if "task" in entry and record.task != entry["task"]:
        return False
    if "file" in entry and record.file != entry["file"]:
        return False
    return True


def describe(entry):
    action = entry["action"]
    text = action.pattern if hasattr(action, "pattern") else action
    extra = ", ".join("%s=%s" % (k, entry[k]) for k in ("task", "file") if k in entry)
    return "%s (%s)" % (text, extra) if extra else text
