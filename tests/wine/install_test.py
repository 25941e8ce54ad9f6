#!/usr/bin/env python3
"""Real installations and removals under Wine, driven as a user would, checked
from the host: the installed bytes, the .lnk files, the started main program,
the install record, and what the uninstaller leaves."""
import shutil
import struct
import subprocess
import unittest

from wineworld import (BIN, ENV, SHOTS, UNINSTALLED, WINE, WORK, InstallChecks, Product, drive, hand_laid_installer,
                       install_steps, to_folder_page, to_png, uncheck_all, windows_path)

RETRY_AFTER = "失败,\n该文件可能被其他进程占用, 请关闭相关进程点击 重试!"
RECORD_SIZE = 788
CONFIRM = "确实要从计算机上删除“{}”吗?"
KEPT = "以下文件和文件夹不是安装时复制的，已经保留:"
NOTHING = "没有删除任何文件。"
IDCANCEL, IDRETRY, IDYES, IDNO = 2, 4, 6, 7


# Install folders and link targets are kept ASCII: Wine's shell link stores
# the target in the ANSI code page, so a CJK path would read back as "??".
class InstallTest(InstallChecks, unittest.TestCase):

    # --- running -----------------------------------------------------------
    def install(self, product, folder, *finish, name=None):
        """Installs; `finish` are the steps on the finish dialog (default: take it as it is)."""
        self.clean(product, folder)
        steps = install_steps(product.installer, folder) + ["dialog", *finish, "answer=1", "exit"]
        r = drive(name or product.name, steps)
        self.assertEqual(r.get("dialog.caption"), "安装完成", r)
        self.assertEqual(r.get("exit"), "0")
        return r

    def uninstall(self, root, *steps, name):
        program = windows_path(root / "uninstall.exe") if not str(root).startswith(str(self.folders.drive_c)) \
            else self.folders.windows(root / "uninstall.exe")
        return drive(name, [f"start={program}", "dialog=uninstall", *steps, "gone=uninstall", "exit"])

    # --- installations ----------------------------------------------------
    def test_full_installation_as_the_finish_dialog_opens(self):
        p = Product("full", "岚杉全装").build()
        folder = "C:\\E2E Full"
        self.clean(p, folder)
        # Xvfb runs no window manager; unmanaged, Wine gives the X keyboard
        # focus to the window the program activates, so a real key press
        # tests the program's own focus.
        subprocess.run([WINE, "reg", "add", "HKCU\\Software\\Wine\\AppDefaults\\" + p.installer.name +
                        "\\X11 Driver", "/v", "Managed", "/d", "N", "/f"], env=ENV, capture_output=True, check=True)
        enter = WORK / "full-enter.hook"

        def press_enter():
            subprocess.run(["import", "-window", "root", str(SHOTS / "full" / "finish-screen.png")], env=ENV)
            subprocess.run(["xdotool", "key", "Return"], env=ENV, check=True)
        # Esc, Alt+F4 and the close box leave it open; a real Enter ends it (else exit times out).
        r = drive("full", install_steps(p.installer, folder) + [
            "dialog", "shot=finish-dialog", "key=esc", "close", "sleep=300", "dialog", f"hook={windows_path(enter)}",
            "exit"], hooks={enter: press_enter})
        # Opened in front, with the focus on "完成" and the wizard hidden.
        self.assertEqual(r.all("dialog.caption"), ["安装完成"] * 2)
        self.assertEqual([r.get(k) for k in ("dialog.foreground", "dialog.focus", "wizard.visible")], ["yes", "1", "no"])
        self.assertEqual(set(r.get("dialog.checked").split(",")), {"1003", "1004", "1005", ""})
        self.assertEqual(r.get("dialog.text"), "岚杉全装已经正确安装，请点击“完成”结束操作。")
        self.assertEqual(r.get("text.1007"), "", "no licence, no agreement text")
        self.assertEqual(r.get("exit"), "0")
        self.assertTrue(self.started(folder), "the main program was not started")
        # Through the desktop's shell, as the signed-in user: Explorer started it.
        started_by = (self.folders.host(folder) / "bin" / "started.txt").read_text(encoding="utf-8")
        self.assertIn("Started by: explorer.exe", started_by)
        self.assert_installed(p, folder)
        self.assert_menu(p, folder)
        self.assert_finish_links(p, folder, made=True)
        # The last entry with a sub-folder names the start-menu folder.
        self.assert_record(p, folder, start_menu="岚杉full", autostart="岚杉全装")
        to_png(SHOTS / "full" / "finish-dialog.bmp")

    # The finish dialog's other choices: all cleared (no record file), only
    # the program started (no shortcuts, an empty record), and nothing to
    # link to or to start (no files, no main program): boxes cleared and disabled.
    def test_finish_dialog_choices(self):
        for p, finish, started, record in (
                (Product("cleared", "岚杉全清", record_file=""), uncheck_all(), False, None),
                (Product("runonly", "岚杉只运行", shortcuts=[]), ["check=1003", "check=1005"], True, ("", "")),
                (Product("nofiles", "岚杉无文件", files=False, shortcuts=[], main_program=""), [], None, None)):
            with self.subTest(p.name):
                folder = "C:\\E2E " + p.name
                r = self.install(p.build(), folder, *finish)
                if started is not None:
                    self.assertEqual(self.started(folder), started)
                self.assert_installed(p, folder, record_grown=record is not None)
                self.assert_menu(p, folder)
                self.assert_finish_links(p, folder, made=False)
                if record:
                    self.assert_record(p, folder, *record)
        self.assertEqual((r.get("dialog.checked"), r.get("dialog.enabled")), ("", ""))
        self.assertEqual(list(self.folders.host(folder).iterdir()), [])

    def test_locked_file_retried(self):
        # "\n" in the folder stays a backslash and an n in the report.
        p = Product("lockretry", "岚杉重试").build()
        folder = "C:\\new\\E2E LockRetry"
        locked = folder + "\\data\\settings.ini"
        self.clean(p, folder)
        r = drive("lockretry", install_steps(p.installer, folder)[:-1] +
                  [f"lock={locked}", "click=1", "dialog", "read=1015", "aside", "shot=progress-page:0", "unlock",
                   f"answer={IDRETRY}", "dialog", *uncheck_all(), "answer=1", "exit"])
        self.assertEqual(r.all("dialog.text")[0], "复制文件 " + locked + RETRY_AFTER)
        self.assertTrue(r.get("text.1015").startswith("正在复制文件:    " + folder + "\\"), r.get("text.1015"))
        self.assertEqual(r.all("dialog.caption"), ["是否重试?", "安装完成"])
        self.assertEqual(r.get("exit"), "0")
        self.assert_installed(p, folder)
        self.assert_record(p, folder, start_menu="岚杉lockretry", autostart="")
        to_png(SHOTS / "lockretry" / "progress-page.bmp")

    def test_locked_file_cancelled_fails_the_installation(self):
        # zz\later.txt comes after the record file: that got no record.
        p = Product("lockcancel", "岚杉取消", extra={"zz/later.txt": b"later"}).build()
        folder = "C:\\E2E LockCancel"
        locked = folder + "\\zz\\later.txt"
        self.clean(p, folder)
        r = drive("lockcancel", install_steps(p.installer, folder)[:-1] +
                  [f"lock={locked}", "click=1", "dialog", f"answer={IDCANCEL}", "dialog", "answer=1", "exit"])
        self.assertEqual(r.all("dialog.text"), ["复制文件 " + locked + RETRY_AFTER, "安装失败!"])
        self.assertEqual(r.get("dialog.caption"), p.installer.stem)
        self.assertEqual(r.get("exit"), "1603")
        root = self.folders.host(folder)
        for rel in ("bin/Example.exe", "data/settings.ini", "uninstall.exe"):
            self.assertEqual((root / rel).read_bytes(), (p.payload / rel).read_bytes(), rel)
        self.assertEqual((root / "zz" / "later.txt").read_bytes(), b"", "the locker's file is untouched")
        self.assertFalse((self.folders.programs / "岚杉lockcancel").exists())
        self.assert_finish_links(p, folder, made=False)

    # Hostile packages laid out by hand: a record file or a product name that
    # climbs out of the install folder (the latter on a plain Next from the
    # default folder), and a folder entry
    # too deep for the 247 units CreateDirectoryW makes below the folder
    # (Wine makes such folders; Windows does not). Each is refused before
    # anything is written; the files planted where they lead stay as they were.
    def test_hostile_packages_are_refused_before_the_first_write(self):
        base, good = "C:\\E2E Hostile", [(0, "bin"), (8, "bin\\a.txt", b"good"), (8, "readme.txt", b"read me")]
        victims = [self.folders.host(base) / "victim.txt", self.folders.host("C:\\v-dir\\bin\\a.txt")]
        folder = base + "\\a\\b"
        cases = [("record", "..\\..\\victim.txt", good, "岚杉敌意", True, "安装程序已经损坏!"),
                 ("product", "", good, "..\\..\\v-dir", False, "安装程序已经损坏!"),
                 ("deep", "", [(0, "d" * 230)], "岚杉敌意", True, "安装路径无效, 请重新输入或点击“浏览”选择安装路径!")]
        for what, record_file, entries, product, typed, message in cases:
            with self.subTest(what):
                for victim in victims:
                    shutil.rmtree(victim.parent, ignore_errors=True)
                    victim.parent.mkdir(parents=True)
                    victim.write_bytes(b"victim bytes\r\n")
                installer = WORK / f"hostile-{what}-setup.exe"
                installer.write_bytes(hand_laid_installer((BIN / "setup.exe").read_bytes(), record_file, entries, product))
                steps = install_steps(installer, folder)[:-2] if typed else to_folder_page(installer) + ["click=1"]
                quit = ["page=3", "click=2", "dialog", "answer=1"] if what == "deep" else []
                r = drive("hostile-" + what, steps + ["dialog", "answer=1", *quit, "exit"])
                self.assertEqual(r.all("dialog.text")[0], message)
                self.assertEqual(r.get("exit"), "1602" if what == "deep" else "1603")
                for victim in victims:
                    self.assertEqual(victim.read_bytes(), b"victim bytes\r\n")
                self.assertEqual(sorted(p.name for p in self.folders.host(base).rglob("*")), ["victim.txt"])
                self.assertEqual(sorted(p.name for p in self.folders.host("C:\\v-dir").rglob("*")), ["a.txt", "bin"])

    # A link planted in an existing install folder that leads outside it is
    # not followed: the entry fails by its name, and giving up ends the
    # installation with nothing written where the link leads.
    def test_a_link_in_the_install_folder_is_not_followed(self):
        p = Product("linked", "岚杉链接").build()
        folder, outside = "C:\\E2E Linked", self.folders.host("C:\\E2E Outside")
        self.clean(p, folder)
        shutil.rmtree(outside, ignore_errors=True)
        outside.mkdir()
        self.folders.host(folder).mkdir()
        (self.folders.host(folder) / "data").symlink_to(outside, target_is_directory=True)
        r = drive("linked", install_steps(p.installer, folder) + ["dialog", f"answer={IDCANCEL}", "dialog", "answer=1",
                                                                  "exit"])
        self.assertEqual(r.all("dialog.text"), ["复制文件 " + folder + "\\data" + RETRY_AFTER, "安装失败!"])
        self.assertEqual(list(outside.iterdir()), [])
        self.assertTrue((self.folders.host(folder) / "bin" / "Example.exe").is_file())

    # --- uninstallations --------------------------------------------------
    def test_uninstall_removes_the_installation_and_keeps_the_users_files(self):
        p = Product("unfull", "岚杉卸全", uninstaller=True).build()
        folder = "C:\\UT Full"
        self.install(p, folder)
        self.assertTrue(self.started(folder))
        root = self.folders.host(folder)
        other = self.folders.programs / "Other" / "x.lnk"
        other.parent.mkdir(parents=True, exist_ok=True)
        other.write_bytes(b"not the product's")
        installed = self.disk()
        (root / "data" / "mine.txt").write_text("the user's own", encoding="utf-8")
        (root / "notes").mkdir()
        (root / "notes" / "n.txt").write_text("notes", encoding="utf-8")
        before, temp_before = self.disk(), set(self.folders.temp.iterdir())
        # Declined: nothing changes, and no copy of the uninstaller is made.
        r = self.uninstall(root, f"answer={IDNO}", name="undecline")
        self.assertEqual((r.get("dialog.text"), r.get("exit")), (CONFIRM.format(p.product), "1602"))
        self.assertEqual((self.disk(), set(self.folders.temp.iterdir())), (before, temp_before))
        # A damaged record or list, or none, removes nothing.
        uninstaller = root / "uninstall.exe"
        good, bare = uninstaller.read_bytes(), (BIN / "uninstall.exe").read_bytes()
        image_and_list = len(good) - RECORD_SIZE
        record_only = bytearray(good[image_and_list:])
        struct.pack_into("<I", record_only, 0, len(bare))
        for what, at, data, text in (("record magic", image_and_list + 8, good, "没有找到安装记录，无法卸载。"),
                                     ("list checksum", image_and_list - 20, good, "安装文件清单已经损坏，无法卸载。"),
                                     ("no list", None, bare + record_only, "卸载程序中没有安装文件清单，无法卸载。")):
            with self.subTest(what):
                data = bytearray(data)
                if at is not None:
                    data[at] ^= 0x01
                uninstaller.write_bytes(data)
                on_disk = self.disk()
                r = self.uninstall(root, "answer=1", name="undamaged-" + what.replace(" ", "-"))
                self.assertEqual((r.all("dialog.text"), r.get("exit")), ([text + NOTHING], "1603"))
                self.assertEqual(self.disk(), on_disk)
        uninstaller.write_bytes(good)
        r = self.uninstall(root, "shot=confirm", f"answer={IDYES}", "dialog=uninstall", "shot=result", "answer=1",
                           name="unfull")
        self.assertEqual(r.all("dialog.text")[0], CONFIRM.format(p.product))
        self.assertEqual((r.get("exit"), r.get("dialog.exit")), ("0", "0"))
        result = r.get("dialog.text")
        self.assertTrue(result.startswith(UNINSTALLED.format(p.product)), result)
        self.assertIn(KEPT, result)
        for kept in ("bin\\started.txt", "data\\mine.txt", "notes"):
            self.assertIn(folder + "\\" + kept, result)
        self.assertNotIn("notes\\n.txt", result, "a user's folder counts once")
        after = self.disk()
        self.assertEqual(set(after) - set(before), set(), "nothing new outside the temporary folder")
        # Exactly the installation went: what setup.exe made, less the user's files and their folders.
        group, flat = self.folders.programs / "岚杉unfull", self.folders.programs / "Flat unfull.lnk"
        expected = {q for q in installed if root in q.parents or q == group or group in q.parents}
        expected -= {root / "bin", root / "bin" / "started.txt", root / "data"}
        expected |= {flat, *self.links(p)}
        self.assertEqual(sorted(map(str, set(before) - set(after))), sorted(map(str, expected)))
        self.assertEqual(sorted(q.name for q in root.iterdir()), ["bin", "data", "notes"])
        self.assertEqual(other.read_bytes(), b"not the product's")
        for shot in ("confirm", "result"):
            to_png(SHOTS / "unfull" / (shot + ".bmp"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
