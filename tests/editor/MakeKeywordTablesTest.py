#!/usr/bin/env python3
"""The maker of the keyword tables on small data files: what it makes of a
good file, and that a bad one stops it with the file, line and reason.

    MakeKeywordTablesTest.py PATH/TO/MakeKeywordTables.py
"""

import os
import subprocess
import sys
import tempfile
import unittest

MAKER = None


class MakeKeywordTablesTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.out = os.path.join(self.dir.name, "out")

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(data.encode("latin-1"))
        return path

    def make(self, *paths):
        return subprocess.run([sys.executable, MAKER, self.out, *paths], capture_output=True, text=True)

    def read(self, name):
        with open(os.path.join(self.out, name), encoding="ascii") as f:
            return f.read()

    def test_a_good_file_gives_sorted_tables_with_folded_keys(self):
        path = self.write(
            "demo-lang.txt",
            "# The file's own comment.\n\n# What the set holds.\n[DemoWords] case-insensitive\n"
            "Zeta alpha\n#FIXED\n\n[DemoExact] case-sensitive\nb a B\n",
        )
        result = self.make(path)
        self.assertEqual(result.returncode, 0, result.stderr)
        header = self.read("KeywordTables.h")
        self.assertIn("// demo-lang.txt: 3 words, case-insensitive.\n// What the set holds.\n"
                      "const CKeywordSet& DemoWords();", header)
        self.assertNotIn("own comment", header)
        source = self.read("KeywordTables.cpp")
        # Byte order of the keys: '#' < 'a' < 'z'; upper case before lower in an exact set.
        self.assertIn('char kDemoWords[] =\n    "#FIXED alpha Zeta ";', source)
        self.assertIn('char kDemoWordsKeys[] =\n    "#fixed alpha zeta ";', source)
        self.assertIn('char kDemoExact[] =\n    "B a b ";', source)
        self.assertIn("static const CKeywordSet set(kDemoExact, kDemoExact, true);", source)
        self.assertIn('{"demo-lang", "DemoWords", DemoWords},\n    {"demo-lang", "DemoExact", DemoExact},', source)

    def test_an_unchanged_table_is_not_written_again(self):
        path = self.write("demo.txt", "[DemoWords] case-sensitive\na\n")
        self.assertEqual(self.make(path).returncode, 0)
        header = os.path.join(self.out, "KeywordTables.h")
        os.utime(header, (1000000000, 1000000000))
        self.assertEqual(self.make(path).returncode, 0)
        self.assertEqual(os.stat(header).st_mtime, 1000000000)

    def test_bad_files_stop_the_build_with_file_line_and_reason(self):
        cases = [
            ("a.txt", "word\n", "a.txt:1: a word before the first [Name] line"),
            ("b.txt", "[B] case-sensitive\nx y\nx\n", "b.txt:3: 'x' stands twice in B (line 2: 'x')"),
            ("c.txt", "[C] case-insensitive\nX\nx\n", "c.txt:3: 'x' stands twice in C (line 2: 'X')"),
            ("d.txt", "[D] caseless\nx\n", "d.txt:1: 'caseless' is neither case-sensitive nor case-insensitive"),
            ("e.txt", "[E]\nx\n", "e.txt:1: a set starts with [Name] case-sensitive or [Name] case-insensitive"),
            ("f.txt", "[F] case-sensitive\n\n# nothing\n", "f.txt:1: F has no words"),
            ("g.txt", "[G] case-sensitive\n\xe9\n", "g.txt: not ASCII (byte 19)"),
            ("h.txt", "[H] case-sensitive\nx\x01\n", "h.txt:2: 'x\\x01' holds a control character"),
            ("Upper.txt", "[U] case-sensitive\nx\n", "Upper.txt: the name is not a language in lower case"),
            ("i.txt", "# only a comment\n", "i.txt: no set"),
        ]
        for name, data, message in cases:
            with self.subTest(name):
                result = self.make(self.write(name, data))
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.out, "KeywordTables.cpp")))

    def test_a_set_name_stands_once_over_all_files(self):
        first = self.write("one.txt", "[Same] case-sensitive\nx\n")
        second = self.write("two.txt", "[Same] case-sensitive\ny\n")
        result = self.make(first, second)
        self.assertEqual(result.returncode, 1)
        self.assertIn("two.txt:1: Same is also in", result.stderr)
        self.assertIn("one.txt:1", result.stderr)

    def test_a_missing_file_is_named(self):
        result = self.make(os.path.join(self.dir.name, "gone.txt"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("gone.txt: No such file or directory", result.stderr)


if __name__ == "__main__":
    MAKER = sys.argv.pop(1)
    unittest.main()
