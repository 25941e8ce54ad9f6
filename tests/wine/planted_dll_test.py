#!/usr/bin/env python3
"""DLLs planted where setup.exe and uninstall.exe run are never loaded.

An empty DLL takes system DLLs' names beside the installer, the installed
uninstaller and in the temporary folder; WINEDLLOVERRIDES lets Wine take them,
+loaddll traces every load, and a full installation and removal may load none.
plant_probe shows first that planting works, and which planted DLLs this Wine
loads with known DLLs' imports before a program's first instruction (Debian's
Wine 8: version.dll, for user32): those go in the temporary folder only."""
import re
import shutil
import subprocess
import sys
import unittest

from wineworld import (BIN, ENV, SOURCE, UNINSTALLED, WORK, Folders, Product, drive, to_folder_page, uncheck_all,
                       windows_path)

PLANTED = ["comctl32", "gdiplus", "version", "uxtheme", "dwmapi", "cryptbase", "profapi"]
IDYES = 6
LOADED = re.compile(r'Loaded L"((?:[^"\\]|\\.)*)" at')


def traced_env():
    env = dict(ENV, WINEDEBUG="-all,+loaddll")
    env["WINEDLLOVERRIDES"] = ";".join(filter(None, [ENV.get("WINEDLLOVERRIDES"), ",".join(PLANTED) + "=n,b"]))
    return env


def loaded(trace_path):
    """Every DLL path the +loaddll trace shows loaded, in Windows form."""
    text = trace_path.read_text(encoding="utf-8", errors="replace")
    return [m.group(1).replace("\\\\", "\\") for m in LOADED.finditer(text)]


def planted_loads(paths):
    """The planted names among the loaded paths outside Wine's system folders."""
    names = ((p.rsplit("\\", 1)[-1].lower().removesuffix(".dll"), p.lower()) for p in paths)
    return {n for n, p in names if n in PLANTED and not p.startswith("c:\\windows\\")}


class PlantedDllTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folders = Folders()
        cls.env = traced_env()
        WORK.mkdir(parents=True, exist_ok=True)

    def setUp(self):
        self.planted = []  # folders with planted DLLs, cleared at the end
        self.addCleanup(self.clear)

    def clear(self):
        for folder in self.planted:
            for name in PLANTED:
                (folder / (name + ".dll")).unlink(missing_ok=True)
            (folder / "plant_probe.exe").unlink(missing_ok=True)

    def probe(self, folder, *names):
        """Runs plant_probe from `folder`: the planted names it loaded."""
        shutil.copyfile(BIN / "plant_probe.exe", folder / "plant_probe.exe")
        trace = WORK / "planted-probe.log"
        with trace.open("wb") as out:
            subprocess.run([self.env["SETUP_WINE"], windows_path(folder / "plant_probe.exe"), *names], env=self.env,
                           stdout=subprocess.DEVNULL, stderr=out, timeout=300)
        (folder / "plant_probe.exe").unlink()
        return planted_loads(loaded(trace))

    def plant(self, folder, names):
        """Plants `names` in `folder`, after showing that each of them would be loaded from there."""
        self.planted.append(folder)
        for name in names:
            shutil.copyfile(BIN / "planted_dll.dll", folder / (name + ".dll"))
        self.assertEqual(self.probe(folder, *[n + ".dll" for n in names]), set(names), "planting does not work")

    def test_no_planted_dll_is_loaded(self):
        p = Product("planted", "岚杉植入", uninstaller=True, more=['picture = "logo.png"'])
        shutil.copyfile(SOURCE / "examples" / "sample" / "logo.png", p.root / "logo.png")
        p.build()
        folder = "C:\\PlantedDlls"
        root = self.folders.host(folder)
        shutil.rmtree(root, ignore_errors=True)

        self.plant(p.root, PLANTED)
        early = self.probe(p.root)
        for name in sorted(early):
            print(f"{name}.dll: this Wine loads it from a program's folder with the imports of known DLLs, before the "
                  "program's first instruction; planted in the temporary folder only", file=sys.stderr)
            (p.root / (name + ".dll")).unlink()
        beside = [n for n in PLANTED if n not in early]
        self.plant(self.folders.temp, PLANTED)

        # The installation, with the folder picker and the hot buttons on the way.
        trace = WORK / "planted-trace.log"
        with trace.open("wb") as out:
            r = drive("planted-install", to_folder_page(p.installer) + [
                "hover=1", "hover=0", "click=1010", "dialog", "answer=2", f"type={folder}", "click=1", "page=6",
                "click=1", "dialog", *uncheck_all(), "answer=1", "exit"], env=self.env, stderr=out)
        self.assertEqual((r.get("dialog.caption"), r.get("exit")), ("安装完成", "0"), r)

        # The uninstallation, from the installed uninstaller with DLLs beside it.
        self.plant(root, beside)
        with trace.open("ab") as out:
            r = drive("planted-uninstall", [f"start={folder}\\uninstall.exe", "dialog=uninstall", f"answer={IDYES}",
                                            "dialog=uninstall", "answer=1", "gone=uninstall", "exit"],
                      env=self.env, stderr=out)
        self.assertTrue(r.get("dialog.text").startswith(UNINSTALLED.format(p.product)), r)
        self.assertEqual(r.get("exit"), "0")

        paths = loaded(trace)
        self.assertEqual(planted_loads(paths), set())
        # Not for want of asking: the wizard loaded the common controls and GDI+, from the system.
        self.assertLessEqual({"comctl32.dll", "gdiplus.dll"}, {q.rsplit("\\", 1)[-1].lower() for q in paths})
        # The uninstaller's copy ran from a new folder of its own in the temporary folder.
        copy = r.get("dialog.process")
        self.assertRegex(copy, r"\\uninstall-[0-9a-f]{32}\\uninstall\.exe$")
        self.assertEqual(copy.rsplit("\\", 2)[0].lower(), self.folders.windows(self.folders.temp).lower())


if __name__ == "__main__":
    unittest.main(verbosity=2)
