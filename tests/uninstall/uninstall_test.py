#!/usr/bin/env python3
"""uninstall.exe under Wine on Xvfb, after real installations.

Each case makes a product whose uninstall.exe is the built uninstaller with
its installed-entries list appended (by mksetup's `uninstaller = true`, or by
the independent writer in uninstall_list.py), packs it with mksetup.exe,
installs it with setup.exe through tests/e2e_install's install_driver, then
runs the installed uninstaller through uninstall_driver (which answers its
message boxes) and checks from the host what is left: every installed file,
the shortcuts and the start-menu folder gone, the user's files and their
folders kept, nothing else on the C: drive changed."""
import os
import pathlib
import shutil
import subprocess
import sys
import time
import unittest

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "integration_win"))
sys.path.insert(0, str(HERE))
from uninstall_list import RECORD_SIZE, install_record, list_block  # noqa: E402
from wineworld import WINE, Folders, wine_env  # noqa: E402

BIN = pathlib.Path(os.environ.get("SETUP_BIN_DIR", "."))
BUILD = pathlib.Path(os.environ.get("SETUP_BUILD_DIR", BIN.parent))
WORK = BUILD / "uninstall-e2e"
SHOTS = BUILD / "screenshots" / "uninstall"

CONFIRM = "确实要从计算机上删除“{}”吗?"
DONE = "“{}”已经从计算机上删除。"
KEPT = "以下文件和文件夹不是安装时复制的，已经保留:"
NOTHING = "没有删除任何文件。"


def windows_path(host_path):
    return "Z:" + str(host_path).replace("/", "\\")


class Product:
    """Payload, manifest and installer of one sample product."""

    def __init__(self, name, product, hook=False):
        self.name = name
        self.product = product
        self.hook = hook
        self.root = WORK / name
        shutil.rmtree(self.root, ignore_errors=True)
        self.payload = self.root / "payload"
        (self.payload / "bin").mkdir(parents=True)
        shutil.copyfile(BIN / "example-app.exe", self.payload / "bin" / "Example.exe")
        (self.payload / "docs").mkdir()
        (self.payload / "docs" / "说明.txt").write_text("说明文字\r\n" * 40, encoding="utf-8")
        (self.payload / "docs" / "readme.txt").write_text("read me\r\n", encoding="utf-8")
        (self.payload / "data" / "empty").mkdir(parents=True)
        (self.payload / "data" / "settings.ini").write_bytes(b"[main]\r\nmode=1\r\n")
        self.group = "岚杉" + name
        self.shortcuts = [
            (self.group + "\\" + product, "bin\\Example.exe", "启动 " + product),
            ("Flat " + name, "docs\\readme.txt", "没有子文件夹"),
            (self.group + "\\卸载 " + product, "uninstall.exe", "卸载 " + product),
        ]
        if not hook:
            self.write_uninstaller()
        self.installer = self.root / (name + "-setup.exe")

    def entries(self):
        folders, files = [], []
        for path in sorted(self.payload.rglob("*")):
            rel = "\\".join(path.relative_to(self.payload).parts)
            (folders if path.is_dir() else files).append(rel)
        if "uninstall.exe" not in files:
            files.append("uninstall.exe")
        return folders, files

    def write_uninstaller(self):
        image = (BIN / "uninstall.exe").read_bytes()
        (self.payload / "uninstall.exe").write_bytes(image)  # listed among the files itself
        folders, files = self.entries()
        block = list_block("uninstall.exe", folders, files, [m for m, _, _ in self.shortcuts])
        (self.payload / "uninstall.exe").write_bytes(image + block)

    def manifest(self):
        q = lambda text: "'" + text + "'"  # noqa: E731
        lines = ["[product]", f'name = "{self.product}"', 'heading = "卸载测试"', 'notice = "n"',
                 'rights = "r"', 'welcome = "w"', "main_program = 'bin\\Example.exe'",
                 "record_file = 'uninstall.exe'"]
        if self.hook:
            lines.append("uninstaller = true")
        lines += ["", "[files]", 'source = "payload"']
        for menu, target, description in self.shortcuts:
            lines += ["", "[[shortcut]]", f"menu = {q(menu)}", f"target = {q(target)}",
                      f'description = "{description}"']
        return "\n".join(lines) + "\n"

    def build(self, env):
        (self.root / "setup.toml").write_text(self.manifest(), encoding="utf-8")
        args = [WINE, str(BIN / "mksetup.exe"), "build", windows_path(self.root / "setup.toml"),
                "-o", windows_path(self.installer), "--stub", windows_path(BIN / "setup.exe")]
        if self.hook:
            args += ["--uninstaller", windows_path(BIN / "uninstall.exe")]
        done = subprocess.run(args, env=env, capture_output=True, timeout=300)
        if done.returncode != 0 or not self.installer.is_file():
            raise RuntimeError("mksetup failed: " + done.stdout.decode(errors="replace") +
                               done.stderr.decode(errors="replace"))
        return self


def unescape(value):
    """A report value: a backslash escapes the next character (n, r: line breaks)."""
    out, i = [], 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value):
            out.append({"n": "\n", "r": "\r"}.get(value[i + 1], value[i + 1]))
            i += 2
        else:
            out.append(value[i])
            i += 1
    return "".join(out)


def snapshot(root, skip):
    """Every path below root (but the skipped folders) -> (kind, size, mtime).
    Wine's menu builder mirrors shortcuts as *.desktop files on its own time;
    they are Wine's, not the installer's, and are left out."""
    out = {}
    for dirpath, dirnames, filenames in os.walk(root):
        here = pathlib.Path(dirpath)
        dirnames[:] = [d for d in dirnames if here / d not in skip]
        for d in dirnames:
            out[here / d] = ("dir",)
        for f in filenames:
            if f.endswith(".desktop"):
                continue
            st = (here / f).lstat()
            out[here / f] = ("file", st.st_size, st.st_mtime_ns)
    return out


class UninstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = wine_env()
        cls.folders = Folders(cls.env)
        WORK.mkdir(parents=True, exist_ok=True)
        SHOTS.mkdir(parents=True, exist_ok=True)
        # Things of others that must survive every run.
        cls.others = [cls.folders.desktop / "Other.lnk", cls.folders.programs / "Other" / "x.lnk",
                      cls.folders.drive_c / "UT Sibling" / "keep.txt"]
        for path in cls.others:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(b"not the product's")

    # --- running -----------------------------------------------------------
    def install(self, product, folder, finish="all"):
        self.clean(product, folder)
        report = product.root / "install-report.txt"
        done = subprocess.run([WINE, str(BIN / "install_driver.exe"), "--setup", windows_path(product.installer),
                               "--folder", folder, "--report", windows_path(report), "--finish", finish],
                              env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
        self.assertEqual(done.returncode, 0, report.read_text(encoding="utf-8") if report.exists() else "")
        root = self.host(folder)
        self.assertTrue((root / "uninstall.exe").is_file())
        if finish == "all":
            # The main program leaves its started.txt in bin: a file of its own, not the package's.
            self.assertTrue(self.wait_for(root / "bin" / "started.txt"))
            self.assertTrue(self.wait_for(self.folders.startup / (product.product + ".lnk")))
        return root

    def uninstall(self, root, answer="yes", shots=None):
        report_path = root.parent / (root.name + "-uninstall-report.txt")
        if report_path.exists():
            report_path.unlink()
        args = [WINE, str(BIN / "uninstall_driver.exe"), "--run", self.windows(root / "uninstall.exe"), "--answer", answer,
                "--report", windows_path(report_path)]
        if shots:
            folder = SHOTS / shots
            shutil.rmtree(folder, ignore_errors=True)
            folder.mkdir(parents=True)
            args += ["--shots", windows_path(folder)]
        done = subprocess.run(args, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        report = {}
        if report_path.exists():
            for line in report_path.read_text(encoding="utf-8").splitlines():
                key, _, value = line.partition("=")
                report[key] = unescape(value)
            report_path.unlink()
        self.assertEqual(done.returncode, 0, f"driver failed: {report}")
        return report

    # --- helpers -----------------------------------------------------------
    def host(self, folder):
        return self.folders.host_path(folder)

    def windows(self, host_path):
        rel = pathlib.Path(host_path).relative_to(self.folders.drive_c)
        return "C:\\" + "\\".join(rel.parts)

    def wait_for(self, path, seconds=20):
        end = time.time() + seconds
        while time.time() < end and not path.exists():
            time.sleep(0.25)
        return path.exists()

    def temp_folder(self):
        for candidate in (self.folders.user / "AppData" / "Local" / "Temp", self.folders.user / "Temp"):
            if candidate.is_dir():
                return candidate
        return self.folders.user / "AppData" / "Local" / "Temp"

    def disk(self):
        return snapshot(self.folders.drive_c, {self.folders.drive_c / "windows", self.temp_folder()})

    def links(self, product):
        programs = self.folders.programs
        return {
            "menu": [programs / product.group / (product.product + ".lnk"),
                     programs / product.group / ("卸载 " + product.product + ".lnk"),
                     programs / ("Flat " + product.name + ".lnk")],
            "group": programs / product.group,
            "desktop": self.folders.desktop / (product.product + ".lnk"),
            "startup": self.folders.startup / (product.product + ".lnk"),
        }

    def clean(self, product, folder):
        shutil.rmtree(self.host(folder), ignore_errors=True)
        links = self.links(product)
        shutil.rmtree(links["group"], ignore_errors=True)
        for path in links["menu"] + [links["desktop"], links["startup"]]:
            if path.exists():
                path.unlink()

    def assert_others_untouched(self):
        for path in self.others:
            self.assertEqual(path.read_bytes(), b"not the product's", str(path))

    def assert_unchanged(self, before):
        after = self.disk()
        self.assertEqual(sorted(map(str, set(before) ^ set(after))), [])
        changed = [str(p) for p in before if before[p] != after[p]]
        self.assertEqual(changed, [])

    # --- cases -------------------------------------------------------------
    def test_confirm_removes_the_installation_and_keeps_the_users_files(self):
        p = Product("full", "岚杉卸全").build(self.env)
        root = self.install(p, "C:\\UT Full")
        installed = self.disk()
        (root / "data" / "mine.txt").write_text("the user's own", encoding="utf-8")
        (root / "notes").mkdir()
        (root / "notes" / "n.txt").write_text("notes", encoding="utf-8")
        before = self.disk()
        temp_before = set(self.temp_folder().iterdir()) if self.temp_folder().is_dir() else set()

        r = self.uninstall(root, "yes", shots="full")

        self.assertEqual(r.get("confirm"), CONFIRM.format(p.product))
        self.assertEqual(r.get("boxes"), "2")
        self.assertEqual(r.get("exit"), "0")
        self.assertEqual(r.get("copy_exit"), "0")
        self.assertEqual(r.get("result_caption"), "uninstall")
        result = r.get("result", "")
        self.assertTrue(result.startswith(DONE.format(p.product)), result)
        self.assertIn(KEPT, result)
        for kept in ("UT Full\\bin\\started.txt", "UT Full\\data\\mine.txt", "UT Full\\notes"):
            self.assertIn("C:\\" + kept, result)
        self.assertNotIn("C:\\UT Full\\notes\\n.txt", result, "a user's folder counts once")
        # The copy ran from the temporary folder and is left there for the restart.
        copy = r.get("copy_path", "")
        self.assertIn("\\Temp\\uninstall-", copy)
        temp_after = set(self.temp_folder().iterdir())
        self.assertTrue(any(path.name.startswith("uninstall-") for path in temp_after - temp_before))

        # Exactly the installation went: what setup.exe made, less the user's files and their folders.
        after = self.disk()
        removed = set(before) - set(after)
        self.assertEqual(set(after) - set(before), set(), "nothing new outside the temporary folder")
        expected = {path for path in installed if path == root or root in path.parents}
        expected -= {root, root / "bin", root / "bin" / "started.txt", root / "data"}
        links = self.links(p)
        expected |= set(links["menu"]) | {links["group"], links["desktop"], links["startup"]}
        self.assertEqual(sorted(map(str, removed)), sorted(map(str, expected)))
        for path in after:
            if path in before:
                self.assertEqual(before[path][0], after[path][0], str(path))
        self.assertEqual(sorted(p.name for p in root.iterdir()), ["bin", "data", "notes"])
        self.assertEqual([p.name for p in (root / "data").iterdir()], ["mine.txt"])
        self.assertEqual((root / "notes" / "n.txt").read_text(encoding="utf-8"), "notes")
        self.assert_others_untouched()
        for name in ("confirm", "result"):
            shot = SHOTS / "full" / (name + ".bmp")
            if shot.is_file():
                subprocess.run(["convert", str(shot), str(shot.with_suffix(".png"))], check=False)

    def test_without_users_files_the_install_folder_goes_too(self):
        p = Product("clean", "岚杉卸净").build(self.env)
        root = self.install(p, "C:\\UT Clean", finish="none")
        before = self.disk()
        r = self.uninstall(root, "yes")
        self.assertEqual(r.get("result"), DONE.format(p.product))
        self.assertEqual(r.get("copy_exit"), "0")
        self.assertFalse(root.exists())
        links = self.links(p)
        for path in links["menu"] + [links["group"]]:
            self.assertFalse(path.exists(), str(path))
        removed = set(before) - set(self.disk())
        self.assertTrue(all(path == root or root in path.parents or path in links["menu"] or
                            path == links["group"] for path in removed))
        self.assert_others_untouched()

    def test_decline_changes_nothing(self):
        p = Product("decline", "岚杉不卸").build(self.env)
        root = self.install(p, "C:\\UT Decline")
        before = self.disk()
        temp_before = set(self.temp_folder().iterdir())
        r = self.uninstall(root, "no", shots="decline")
        self.assertEqual(r.get("confirm"), CONFIRM.format(p.product))
        self.assertEqual(r.get("boxes"), "1")
        self.assertNotIn("result", r)
        self.assertEqual(r.get("exit"), "0")
        self.assert_unchanged(before)
        self.assertEqual(set(self.temp_folder().iterdir()), temp_before, "no copy was made")

    def test_damaged_or_missing_record_or_list_removes_nothing(self):
        p = Product("damaged", "岚杉损坏").build(self.env)
        root = self.install(p, "C:\\UT Damaged")
        uninstaller = root / "uninstall.exe"
        good = uninstaller.read_bytes()
        image_and_list = len(good) - RECORD_SIZE
        block_size = len(good) - RECORD_SIZE - len((BIN / "uninstall.exe").read_bytes())

        def damaged(at):
            data = bytearray(good)
            data[at] ^= 0x01
            return bytes(data)

        cases = [
            ("record offset", damaged(image_and_list), "安装记录已经损坏，无法卸载。"),
            ("record magic", damaged(image_and_list + 8), "没有找到安装记录，无法卸载。"),
            ("list checksum", damaged(image_and_list - 20), "安装文件清单已经损坏，无法卸载。"),
            ("list header", damaged(image_and_list - block_size + 4), "安装文件清单已经损坏，无法卸载。"),
            ("no record", good[:image_and_list], "没有找到安装记录，无法卸载。"),
            ("no list", (BIN / "uninstall.exe").read_bytes() +
             install_record(len((BIN / "uninstall.exe").read_bytes()), p.group, p.product, p.product),
             "卸载程序中没有安装文件清单，无法卸载。"),
        ]
        for what, data, text in cases:
            with self.subTest(what):
                uninstaller.write_bytes(data)
                before = self.disk()
                r = self.uninstall(root, "yes", shots="damaged-" + what.replace(" ", "-"))
                self.assertEqual(r.get("result"), text + NOTHING)
                self.assertNotIn("confirm", r)
                self.assertEqual(r.get("exit"), "1")
                self.assert_unchanged(before)
        uninstaller.write_bytes(good)

    def test_installer_made_with_uninstaller_true(self):
        p = Product("hook", "岚杉内置", hook=True)
        try:
            p.build(self.env)
        except RuntimeError as error:
            if "uninstaller" in str(error):
                self.skipTest("mksetup does not know uninstaller = true: " + str(error)[:200])
            raise
        root = self.install(p, "C:\\UT Hook", finish="none")
        before = self.disk()
        r = self.uninstall(root, "yes")
        self.assertEqual(r.get("result"), DONE.format(p.product))
        self.assertFalse(root.exists())
        links = self.links(p)
        for path in links["menu"] + [links["group"]]:
            self.assertFalse(path.exists(), str(path))
        removed = set(before) - set(self.disk())
        self.assertTrue(all(path == root or root in path.parents or path in links["menu"] or
                            path == links["group"] for path in removed))


if __name__ == "__main__":
    unittest.main(verbosity=2)
