#!/usr/bin/env python3
"""Installers built with [deploy] as deployment tools run them, under Wine:
silent installation against the wizard's, the installed-programs entry
(`wine reg query`), each failure's exit code, silent removal, and an installer
without [deploy] that ignores every switch. Product names and publishers are
ASCII: `wine reg query` prints in the ANSI code page."""
import json
import shutil
import subprocess
import unittest

from wineworld import (ENV, SHOTS, UNINSTALL_KEY, UNINSTALLED, WINE, WORK, InstallChecks, Product, drive, install_steps,
                       mksetup, record, reg_query, registry_view, to_folder_page, windows_path)

IDOK, IDYES = 1, 6
# A silent installation's log and its entry as `wine reg query` prints it are kept here.
EVIDENCE = SHOTS / "deploy"


def deploy_product(name, product, version="1.0.0", **more):
    return Product(name, product, uninstaller=True, deploy={
        "version": version, "publisher": "Quillmoran Labs", "url": "https://example.org/" + name}, **more).build()


class DeployTest(InstallChecks, unittest.TestCase):
    def silent(self, installer, args, name):
        """Runs installer with args; no window may show. Returns its exit code."""
        r = drive(name, [f"program={windows_path(installer)}", f"quiet={args}"])
        return r.get("quiet.exit")

    def entry(self, product):
        return reg_query(UNINSTALL_KEY + "\\" + product)

    def remove_entry(self, product):
        subprocess.run([WINE, "reg", "delete", UNINSTALL_KEY + "\\" + product, "/f", registry_view()], env=ENV,
                       capture_output=True)

    def tree(self, folder):
        root = self.folders.host(folder)
        return {p.relative_to(root): p.read_bytes() if p.is_file() else None for p in root.rglob("*")}

    # A silent installation leaves exactly what the wizard's leaves, with
    # the entry and a log of every item.
    def test_silent_installation_matches_the_wizards(self):
        p = deploy_product("silent", "DeploySilent")
        self.remove_entry(p.product)
        wizard_folder, folder = "C:\\Wizard\\X", "C:\\Silent\\X"
        self.clean(p, wizard_folder)
        # The wizard's installation with the finish page's defaults, the program not started.
        r = drive("silent-wizard", install_steps(p.installer, wizard_folder) + ["dialog", "check=1004", "answer=1",
                                                                                "exit"])
        self.assertEqual(r.get("exit"), "0")
        wizard_tree = self.tree(wizard_folder)
        self.clean(p, folder)
        log = self.folders.host("C:\\t\\i.log")
        shutil.rmtree(log.parent, ignore_errors=True)
        log.parent.mkdir()

        self.assertEqual(self.silent(p.installer, f"/S /LOG=C:\\t\\i.log /D={folder}", "silent"), "0")
        self.assertEqual(self.tree(folder), wizard_tree, "the same files, bytes and record as the wizard's")
        self.assert_menu(p, folder)
        self.assert_finish_links(p, folder, made=True)
        self.assertFalse(self.started(folder), "a silent installation never starts the program")

        text, values = self.entry(p.product)
        uninstaller = folder + "\\uninstall.exe"
        listing = json.loads(mksetup("list", "--json", p.installer).stdout)
        size = sum(e["raw_size"] for e in listing["entries"] if e["type"] == "file")
        expected = {"DisplayName": ("REG_SZ", p.product), "DisplayVersion": ("REG_SZ", "1.0.0"),
                    "Publisher": ("REG_SZ", "Quillmoran Labs"), "InstallLocation": ("REG_SZ", folder),
                    "UninstallString": ("REG_SZ", f'"{uninstaller}"'),
                    "QuietUninstallString": ("REG_SZ", f'"{uninstaller}" /S'),
                    "DisplayIcon": ("REG_SZ", folder + "\\bin\\Example.exe"),
                    "EstimatedSize": ("REG_DWORD", hex((size + 1023) // 1024)),
                    "NoModify": ("REG_DWORD", "0x1"), "NoRepair": ("REG_DWORD", "0x1"),
                    "URLInfoAbout": ("REG_SZ", "https://example.org/silent")}
        self.assertEqual({k: v for k, v in values.items() if k != "InstallDate"}, expected, text)
        self.assertRegex(values["InstallDate"][1], r"^20\d{6}$")
        other_view = "/reg:64" if registry_view() == "/reg:32" else "/reg:32"
        self.assertIsNone(reg_query(UNINSTALL_KEY + "\\" + p.product, other_view)[1], "the installer's own view only")

        lines = log.read_text(encoding="utf-8").splitlines()
        self.assertEqual(lines[0], "install folder: " + folder)
        self.assertEqual(lines[-1], "exit: 0 (installed)")
        items = {f"folder: {folder}\\{rel}" for rel in p.folders()} | {f"file: {folder}\\{rel}" for rel in p.files()}
        self.assertEqual((items | {"record: " + uninstaller}) - set(lines), set())
        for name in [*expected, "InstallDate"]:
            self.assertTrue(any(line.startswith(f"registry: {UNINSTALL_KEY}\\{p.product}\\{name} = ")
                                for line in lines), name)
        shortcuts = [line for line in lines if line.startswith("shortcut: ")]
        self.assertEqual(len(shortcuts), len(p.shortcuts) + 2, "menu entries, desktop and log-on")
        EVIDENCE.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(log, EVIDENCE / "silent-install.log")
        (EVIDENCE / "reg-query.txt").write_text(text, encoding="utf-8")

        # Removed silently: files, shortcuts, log-on start and the entry; the user's files stay.
        (self.folders.host(folder) / "data" / "mine.txt").write_text("the user's own", encoding="utf-8")
        r = drive("silent-uninstall", [f"program={uninstaller}", "quiet=/S"])
        self.assertEqual(r.get("quiet.exit"), "0")
        root = self.folders.host(folder)
        self.assertEqual(sorted(str(q.relative_to(root)) for q in root.rglob("*")), ["data", "data/mine.txt"])
        self.assertEqual(self.entry(p.product)[1], None)
        menu = [self.folders.programs / "岚杉silent", self.folders.programs / "Flat silent.lnk"]
        self.assertEqual([q for q in self.links(p) + menu if q.exists()], [])

    # A log that cannot be created stops nothing. A second installation, by
    # the wizard, with a new version and new descriptions, rewrites the files,
    # shortcuts and record and updates the one entry; the wizard's
    # uninstallation removes it.
    def test_wizard_registers_and_a_second_installation_updates_the_entry(self):
        folder = "C:\\Reg\\Y"
        first = deploy_product("reg1", "DeployAgain", version="1.0")
        self.remove_entry(first.product)
        self.clean(first, folder)
        self.assertEqual(self.silent(first.installer, f"/LOG=Q:\\nowhere\\i.log /S /D={folder}", "reg1"), "0")
        self.assertEqual(self.entry(first.product)[1]["DisplayVersion"], ("REG_SZ", "1.0"))
        offset = record(self.folders.host(folder) / "uninstall.exe")["offset"]
        second = deploy_product("reg2", "DeployAgain", version="2.0",
                                shortcuts=[(m, t, d + " (新)") for m, t, d in first.shortcuts])
        log = WORK / "reg2.log"
        # /D= fills the folder field.
        r = drive("reg2", [f"args=/LOG={windows_path(log)} /D={folder}"] + to_folder_page(second.installer) + [
            "read=1009", "click=1", "page=6", "click=1", "dialog", "check=1004", "answer=1", "exit"])
        self.assertEqual((r.get("text.1009"), r.get("exit")), (folder, "0"))
        self.assert_installed(second, folder)
        self.assert_menu(second, folder)
        self.assert_finish_links(second, folder, made=True)
        rec = record(self.folders.host(folder) / "uninstall.exe")
        self.assertEqual((rec["consistent"], rec["offset"], rec["start_menu_folder"]), (True, offset, "岚杉reg1"))
        keys = [line for line in reg_query(UNINSTALL_KEY)[0].splitlines() if line.endswith("\\DeployAgain")]
        self.assertEqual(len(keys), 1, keys)
        self.assertEqual(self.entry(second.product)[1]["DisplayVersion"], ("REG_SZ", "2.0"))
        # The wizard's log has the same lines as a silent one's.
        lines = log.read_text(encoding="utf-8").splitlines()
        self.assertIn(f"file: {folder}\\bin\\Example.exe", lines)
        self.assertIn(f"registry: {UNINSTALL_KEY}\\DeployAgain\\DisplayVersion = 2.0", lines)
        self.assertEqual(lines[-1], "exit: 0 (installed)")
        uninstaller = self.folders.windows(self.folders.host(folder) / "uninstall.exe")
        r = drive("reg-uninstall", [f"start={uninstaller}", "dialog=uninstall", f"answer={IDYES}", "dialog=uninstall",
                                    "answer=1", "exit"])
        self.assertEqual((r.get("exit"), r.get("dialog.exit"), r.get("dialog.text")),
                         ("0", "0", UNINSTALLED.format(second.product)))
        self.assertEqual(self.entry(second.product)[1], None)
        # Without a file of the user's, the install folder and the menu's folder go too.
        self.assertEqual([q for q in (self.folders.host(folder), self.folders.programs / "岚杉reg1") if q.exists()], [])

    def test_each_failure_has_its_own_exit_code(self):
        p = deploy_product("fail", "DeployFail")
        self.remove_entry(p.product)
        folder = "C:\\Fail\\X"
        self.clean(p, folder)
        shutil.rmtree(self.folders.host("C:\\Fail"), ignore_errors=True)

        def untouched(written=False):  # nothing below C:\Fail (unless written), no entry
            self.assertEqual(self.folders.host("C:\\Fail").exists(), written)
            self.assertIsNone(self.entry(p.product)[1])

        # A bad command line: 87, silently under /S, else after a message naming the argument.
        self.assertEqual(self.silent(p.installer, f"/S /X /D={folder}", "fail-switch"), "87")
        r = drive("fail-switch-wizard", ["args=/q", f"start={windows_path(p.installer)}", "dialog", "answer=1", "exit"])
        self.assertTrue(r.get("dialog.text").startswith("无法识别的命令行参数: /q\n"), r.get("dialog.text"))
        self.assertEqual(r.get("exit"), "87")
        # Refused folders under /S: no such drive, and one the folder page takes
        # that leaves no room below it for the package's longest name
        # ("data\settings.ini"; in the wizard: install_test's deep hostile package).
        log, deep = WORK / "refused.log", "C:\\Fail\\" + "d" * 237
        for refused, checked in (("Q:\\No Drive\\X", []), (deep, ["install folder: " + deep])):
            self.assertEqual(self.silent(p.installer, f"/s /log={windows_path(log)} /D={refused}", "refused"), "1603")
            self.assertEqual(log.read_text(encoding="utf-8").splitlines(), checked + [
                "refused folder: " + refused, "exit: 1603 (the install folder is refused)"])
            untouched()

        # A damaged installer under /S: a byte of a file's contents changed (the
        # environment check refuses it), or its end cut off (it cannot be read).
        good = p.installer.read_bytes()
        at = good.find((p.payload / "data" / "noise.bin").read_bytes()[2000:2064])
        for data in (good[:at] + bytes([good[at] ^ 1]) + good[at + 1:], good[:-100]):
            (p.root / "damaged-setup.exe").write_bytes(data)
            self.assertEqual(self.silent(p.root / "damaged-setup.exe", f"/S /D={folder}", "fail-damaged"), "1603")
            untouched()

        # Two at once: the second of the same product ends with 1618, with a
        # message in the wizard; the first, cancelled, with 1602.
        r = drive("fail-twice", [f"start={windows_path(p.installer)}", "wizard", "page=0", "quiet=/S",
                                 "second=", f"dialog={p.installer.stem}", "answer=1", "click=2", "dialog",
                                 f"answer={IDOK}", "exit"])
        self.assertEqual(r.get("quiet.exit"), "1618")
        self.assertEqual(r.all("dialog.text")[0], "“DeployFail”的另一个安装程序正在运行, 请等它结束后再试。")
        self.assertEqual(r.all("dialog.exit")[0], "1618")
        self.assertEqual(r.get("exit"), "1602")

        # A file that stays locked is given up after a while: 1603.
        locked = folder + "\\data\\settings.ini"
        r = drive("fail-locked", [f"lock={locked}", f"program={windows_path(p.installer)}", f"quiet=/S /D={folder}"])
        self.assertEqual(r.get("quiet.exit"), "1603")
        self.assertFalse((self.folders.host(folder) / "uninstall.exe").exists(), "copying stopped at the locked file")
        untouched(written=True)

    # Without [deploy] the command line is not read and nothing is registered.
    def test_installer_without_deploy_ignores_every_switch(self):
        p = Product("plain", "DeployPlain", uninstaller=True).build()
        self.remove_entry(p.product)
        folder = "C:\\Plain\\X"
        self.clean(p, folder)
        log = self.folders.host("C:\\plain.log")
        log.unlink(missing_ok=True)
        r = drive("plain", [f"args=/S /LOG=C:\\plain.log /bogus /D=C:\\Ignored"] + to_folder_page(p.installer) + [
            "read=1009", f"type={folder}", "click=1", "page=6", "click=1", "dialog", "check=1004", "answer=1", "exit"])
        self.assertTrue(r.get("text.1009").endswith("\\DeployPlain"), r.get("text.1009"))
        self.assertEqual(r.get("exit"), "0")
        self.assert_installed(p, folder)
        self.assertFalse(log.exists())
        self.assertFalse(self.folders.host("C:\\Ignored").exists())
        self.assertIsNone(self.entry(p.product)[1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
