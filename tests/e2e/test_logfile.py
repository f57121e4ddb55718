#!/usr/bin/env python3
"""The end-to-end run's log checks must see the faults they are there for."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import logfile  # noqa: E402

SIGN_IN = b"code$$code$($)$100$100$0\r\n\n"
OPENED = b"task0$/A.java$fileOpened$(1$40)$100$103$3\r\n\n"
SWITCHED = b"task0$/B.java$selectionChanged$(5$44)$103$103$0\r\n\n"


class ParseTest(unittest.TestCase):
    def test_complete_records_are_read_field_by_field(self):
        records, problems = logfile.parse(SIGN_IN + OPENED)
        self.assertEqual(problems, [])
        self.assertEqual([(r.task, r.file, r.action) for r in records],
                         [("code", "", "code"), ("task0", "/A.java", "fileOpened")])
        self.assertEqual((records[0].start, records[0].end), (None, None))
        self.assertEqual((records[1].start, records[1].end, records[1].difference), (1, 40, 3))

    def test_record_cut_off_by_a_crash_is_reported(self):
        _, problems = logfile.parse(SIGN_IN + OPENED[:20])
        self.assertTrue(any("complete" in p for p in problems), problems)

    def test_missing_newline_after_the_record_end_is_reported(self):
        _, problems = logfile.parse(SIGN_IN.replace(b"\r\n\n", b"\r\n") + OPENED)
        self.assertTrue(problems)

    def test_record_with_a_missing_field_is_reported(self):
        _, problems = logfile.parse(SIGN_IN + b"task0$/A.java$fileOpened$(1$40)$100$3\r\n\n")
        self.assertTrue(any("record 1" in p for p in problems), problems)

    def test_bytes_that_are_not_utf8_are_reported(self):
        _, problems = logfile.parse(b"code$\xff$code$($)$1$1$0\r\n\n")
        self.assertTrue(problems)


class TimestampTest(unittest.TestCase):
    def records(self, data):
        records, problems = logfile.parse(data)
        self.assertEqual(problems, [])
        return records

    def test_chained_stamps_pass(self):
        self.assertEqual(logfile.timestamp_problems(self.records(SIGN_IN + OPENED + SWITCHED)),
                         [])

    def test_broken_chain_is_reported(self):
        bad = SWITCHED.replace(b"$103$103$0", b"$101$103$2")
        self.assertTrue(logfile.timestamp_problems(self.records(SIGN_IN + OPENED + bad)))

    def test_time_going_backwards_is_reported(self):
        bad = SWITCHED.replace(b"$103$103$0", b"$103$99$-4")
        self.assertTrue(logfile.timestamp_problems(self.records(SIGN_IN + OPENED + bad)))

    def test_wrong_difference_is_reported(self):
        bad = OPENED.replace(b"$100$103$3", b"$100$103$2")
        self.assertTrue(logfile.timestamp_problems(self.records(SIGN_IN + bad)))

    def test_first_record_must_refer_to_itself(self):
        bad = SIGN_IN.replace(b"$100$100$0", b"$90$100$10")
        self.assertTrue(logfile.timestamp_problems(self.records(bad)))


class LineRangeTest(unittest.TestCase):
    def test_range_inside_the_file_passes(self):
        records, _ = logfile.parse(SIGN_IN + OPENED)
        self.assertEqual(logfile.line_range_problems(records, {"/A.java": 40}), [])

    def test_range_past_the_end_of_the_file_is_reported(self):
        records, _ = logfile.parse(OPENED)
        self.assertTrue(logfile.line_range_problems(records, {"/A.java": 39}))

    def test_file_without_lines_is_reported(self):
        records, _ = logfile.parse(b"task0$/A.java$fileOpened$($)$1$1$0\r\n\n")
        self.assertTrue(logfile.line_range_problems(records, {"/A.java": 40}))

    def test_unknown_file_is_reported(self):
        records, _ = logfile.parse(OPENED)
        self.assertTrue(logfile.line_range_problems(records, {"/B.java": 40}))


class OrderTest(unittest.TestCase):
    def test_entries_are_found_in_order_only(self):
        records, _ = logfile.parse(SIGN_IN + OPENED + SWITCHED)
        _, missing = logfile.find_in_order(records, [{"action": "code"},
                                                     {"action": "selectionChanged"}])
        self.assertIsNone(missing)
        _, missing = logfile.find_in_order(records, [{"action": "selectionChanged"},
                                                     {"action": "fileOpened"}])
        self.assertEqual(missing, {"action": "fileOpened"})

    def test_file_and_task_must_match_too(self):
        records, _ = logfile.parse(OPENED)
        self.assertFalse(logfile.entry_matches({"action": "fileOpened", "file": "/B.java"},
                                               records[0]))
        self.assertFalse(logfile.entry_matches({"action": "fileOpened", "task": "task1"},
                                               records[0]))
        self.assertTrue(logfile.entry_matches({"action": "fileOpened", "task": "task0",
                                               "file": "/A.java"}, records[0]))


if __name__ == "__main__":
    unittest.main()
