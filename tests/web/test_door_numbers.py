#!/usr/bin/python3
"""The page's build reads the door's numbers from ferlane_door.h, or stops: an enum
entry it cannot read, or a FERLANE.NAME the scripts read that the header lacks."""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "web" / "build"))
from door_numbers import door_numbers, unknown_names  # noqa: E402

READ = [
    ("entries, comments and a trailing comma", "enum A { FERLANE_X = 0, /* y, z */ FERLANE_Y = -2, };\n"
     "enum B { FERLANE_Z = 7 }; // enum C { FERLANE_W = 1 };", {"X": 0, "Y": -2, "Z": 7}),
]
REFUSED = [
    ("an expression", "enum A { FERLANE_X = 1 << 2 };", "'FERLANE_X = 1 << 2'"),
    ("no value", "enum A { FERLANE_X = 0, FERLANE_Y };", "'FERLANE_Y'"),
    ("another prefix", "enum A { OTHER_X = 0 };", "'OTHER_X = 0'"),
    ("a name twice", "enum A { FERLANE_X = 0 }; enum B { FERLANE_X = 1 };", "FERLANE_X is defined twice"),
    ("no enum", "#define FERLANE_X 1", "no FERLANE_ numbers"),
]


class DoorNumbers(unittest.TestCase):
    def test_read(self):
        for name, header, numbers in READ:
            with self.subTest(name):
                self.assertEqual(door_numbers(header), numbers)

    def test_refused(self):
        for name, header, said in REFUSED:
            with self.subTest(name), self.assertRaisesRegex(ValueError, said):
                door_numbers(header)

    def test_unknown_names(self):
        with tempfile.TemporaryDirectory() as folder:
            script = pathlib.Path(folder) / "screen" / "a.js"
            script.parent.mkdir()
            script.write_text("// by FERLANE.SLOT_*\nf(FERLANE.X, FERLANE.SLOT_TYPO);\n", encoding="utf-8")
            self.assertEqual(unknown_names(pathlib.Path(folder), {"X": 0, "SLOT_ALPHA": 4}),
                             [f"{script}: FERLANE.SLOT_TYPO"])


if __name__ == "__main__":
    unittest.main()
