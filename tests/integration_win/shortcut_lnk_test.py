#!/usr/bin/env python3
"""CreateShortcut under Wine, checked from the host with lnkinfo: where the
.lnk files land below the prefix's Programs, Desktop and Startup folders and
what they hold (target, description, icon)."""
import os
import pathlib
import shutil
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from lnkinfo import read_lnk  # noqa: E402
from wineworld import Folders, run, wine_env  # noqa: E402

CSIDL_DESKTOP, CSIDL_PROGRAMS, CSIDL_STARTUP = 0, 2, 7
PROBE = pathlib.Path(os.environ.get("SETUP_BIN_DIR", ".")) / "shortcut_probe.exe"
TARGET = "C:\\Quill\\bin\\p.exe"


class CreateShortcutTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = wine_env()
        cls.folders = Folders(cls.env)

    def setUp(self):
        # Each case starts without the folders and links it makes.
        for name in ("LnkMaker", "LnkFileNotFolder", "LnkDeep", "LnkFlat.lnk", "LnkPlain.lnk"):
            path = self.folders.programs / name
            if path.is_dir():
                shutil.rmtree(path)
            elif path.exists():
                path.unlink()

    def probe(self, folder, target, sub, name, icon, index, description):
        return run(self.env, PROBE, folder, target, sub, name, icon, index, description)

    def test_programs_entry_in_sub_folder(self):
        self.assertEqual(self.probe(CSIDL_PROGRAMS, TARGET, "LnkMaker", "岚杉 App", "", 0, "说明 text"), 0)
        lnk = self.folders.programs / "LnkMaker" / "岚杉 App.lnk"
        self.assertTrue(lnk.is_file())
        info = read_lnk(lnk)
        self.assertEqual(info["target"], TARGET)
        self.assertEqual(info["description"], "说明 text")
        self.assertIsNone(info["icon"], "an empty icon path stores no icon location")

    def test_existing_sub_folder_is_used_and_link_replaced(self):
        (self.folders.programs / "LnkMaker").mkdir()
        self.assertEqual(self.probe(CSIDL_PROGRAMS, TARGET, "LnkMaker", "App", "", 0, "first"), 0)
        self.assertEqual(self.probe(CSIDL_PROGRAMS, "C:\\Other\\q.exe", "LnkMaker", "App", "", 0, "second"), 0)
        info = read_lnk(self.folders.programs / "LnkMaker" / "App.lnk")
        self.assertEqual(info["target"], "C:\\Other\\q.exe")
        self.assertEqual(info["description"], "second")

    def test_desktop_and_startup_with_icon(self):
        for folder, where in ((CSIDL_DESKTOP, self.folders.desktop), (CSIDL_STARTUP, self.folders.startup)):
            self.assertEqual(self.probe(folder, TARGET, "", "岚杉产品", TARGET, 0, "岚杉产品"), 0)
            info = read_lnk(where / "岚杉产品.lnk")
            self.assertEqual(info["target"], TARGET)
            self.assertEqual(info["description"], "岚杉产品")
            self.assertEqual(info["icon"], TARGET)
            self.assertEqual(info["icon_index"], 0)
            (where / "岚杉产品.lnk").unlink()

    def test_icon_index_is_stored(self):
        self.assertEqual(self.probe(CSIDL_PROGRAMS, TARGET, "", "LnkPlain", "C:\\icons.dll", 3, ""), 0)
        info = read_lnk(self.folders.programs / "LnkPlain.lnk")
        self.assertEqual(info["icon"], "C:\\icons.dll")
        self.assertEqual(info["icon_index"], 3)
        self.assertIn(info["description"], (None, ""), "an empty description stays empty")

    def test_leading_backslash_in_name_lands_in_programs(self):
        self.assertEqual(self.probe(CSIDL_PROGRAMS, TARGET, "", "\\LnkFlat", "", 0, "d"), 0)
        self.assertEqual(read_lnk(self.folders.programs / "LnkFlat.lnk")["target"], TARGET)

    def test_plain_file_named_like_the_sub_folder(self):
        (self.folders.programs / "LnkFileNotFolder").write_bytes(b"x")
        self.assertEqual(self.probe(CSIDL_PROGRAMS, TARGET, "LnkFileNotFolder", "App", "", 0, "d"), 1)
        self.assertTrue((self.folders.programs / "LnkFileNotFolder").is_file())

    def test_only_one_folder_level_is_created(self):
        self.assertEqual(self.probe(CSIDL_PROGRAMS, TARGET, "LnkDeep", "B\\C", "", 0, "d"), 1)
        self.assertTrue((self.folders.programs / "LnkDeep").is_dir())
        self.assertFalse((self.folders.programs / "LnkDeep" / "B").exists())
        (self.folders.programs / "LnkDeep" / "B").mkdir()
        self.assertEqual(self.probe(CSIDL_PROGRAMS, TARGET, "LnkDeep", "B\\C", "", 0, "d"), 0)
        self.assertEqual(read_lnk(self.folders.programs / "LnkDeep" / "B" / "C.lnk")["target"], TARGET)

    def test_unknown_special_folder_creates_nothing(self):
        before = sorted(p.name for p in self.folders.programs.iterdir())
        self.assertEqual(self.probe(0x7E, TARGET, "LnkMaker", "App", "", 0, "d"), 1)
        self.assertEqual(sorted(p.name for p in self.folders.programs.iterdir()), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
