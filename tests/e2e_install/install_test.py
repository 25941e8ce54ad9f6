#!/usr/bin/env python3
"""End-to-end installations under Wine on Xvfb.

Each case makes an installer with mksetup.exe (the built setup.exe as stub),
runs it through install_driver.exe, which walks the wizard and answers the
retry prompt and the finish dialog as a user would, and then checks from the
host what the installation left behind: installed bytes against the source
tree, shortcuts read with lnkinfo, the main program's marker file, and the
install record block at the end of the record file. Signed installers
(osslsigncode, a certificate made here) install as unsigned ones do, and a
changed byte in their package is refused as in an unsigned one."""
import functools
import os
import pathlib
import random
import shutil
import struct
import subprocess
import sys
import time
import types
import unittest
import zlib

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "integration_win"))
from lnkinfo import read_lnk  # noqa: E402
from wineworld import WINE, Folders, wine_env  # noqa: E402

BIN = pathlib.Path(os.environ.get("SETUP_BIN_DIR", "."))
BUILD = pathlib.Path(os.environ.get("SETUP_BUILD_DIR", BIN.parent))
WORK = BUILD / "e2e-install"
SHOTS = BUILD / "screenshots" / "e2e-install"

PKG_MAGIC = 0x12030416
RECORD_SIZE = 788
RETRY_AFTER = "失败,\n该文件可能被其他进程占用, 请关闭相关进程点击 重试!"


def windows_path(host_path):
    """Host path -> the same file through Wine's Z: drive."""
    return "Z:" + str(host_path).replace("/", "\\")


def parse_record(block):
    offset, reserved1, magic, reserved2, reserved3 = struct.unpack_from("<5I", block, 0)

    def slot(at):
        raw = block[at:at + 256]
        return raw.split(b"\0", 1)[0].decode("utf-8"), raw

    return {
        "offset": offset,
        "reserved": (reserved1, reserved2, reserved3),
        "magic": magic,
        "start_menu": slot(20),
        "product": slot(276),
        "autostart": slot(532),
    }


class Product:
    """A sample product: payload tree, manifest, and the installer made from them."""

    def __init__(self, name, product, shortcuts=None, files=True, record_file="uninstall.exe",
                 main_program="bin\\Example.exe", extra=None):
        self.name = name
        self.product = product
        self.root = WORK / name
        shutil.rmtree(self.root, ignore_errors=True)
        self.payload = self.root / "payload"
        self.payload.mkdir(parents=True)
        self.record_file = record_file
        self.main_program = main_program
        self.shortcuts = shortcuts if shortcuts is not None else [
            ("岚杉工作室\\" + product, "bin\\Example.exe", "启动 " + product),
            ("Flat " + name, "docs\\readme.txt", "没有子文件夹"),
            ("岚杉卸载\\卸载 " + product, "uninstall.exe", "卸载 " + product),
        ]
        if files:
            (self.payload / "bin").mkdir()
            shutil.copyfile(BIN / "example-app.exe", self.payload / "bin" / "Example.exe")
            (self.payload / "docs").mkdir()
            (self.payload / "docs" / "说明.txt").write_text("说明文字\r\n" * 40, encoding="utf-8")
            (self.payload / "docs" / "readme.txt").write_text("read me\r\n", encoding="utf-8")
            (self.payload / "data" / "empty").mkdir(parents=True)
            (self.payload / "data" / "settings.ini").write_bytes(b"[main]\r\nmode=1\r\n")
            (self.payload / "data" / "zero.bin").write_bytes(b"")
            # Incompressible bytes: deflate stores them as they are, which lets
            # the damaged-installer case find and flip one byte of a blob.
            rng = random.Random(name)
            (self.payload / "data" / "noise.bin").write_bytes(bytes(rng.getrandbits(8) for _ in range(6000)))
            (self.payload / "uninstall.exe").write_bytes(b"MZ uninstaller stand-in\0" * 20)
        for path, data in (extra or {}).items():
            target = self.payload / path
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
        self.installer = self.root / (name + "-setup.exe")

    def manifest(self):
        def q(text):
            return "'" + text + "'"
        lines = [
            "[product]",
            f'name = "{self.product}"',
            f'heading = "{self.product} 安装程序"',
            'notice = "端到端测试"',
            'rights = "rights"',
            f'welcome = "欢迎安装 {self.product}。"',
            f"main_program = {q(self.main_program)}",
        ]
        if self.record_file:
            lines.append(f"record_file = {q(self.record_file)}")
        lines += ["", "[files]", 'source = "payload"']
        for menu, target, description in self.shortcuts:
            lines += ["", "[[shortcut]]", f"menu = {q(menu)}", f"target = {q(target)}",
                      f'description = "{description}"']
        return "\n".join(lines) + "\n"

    def build(self, env):
        (self.root / "setup.toml").write_text(self.manifest(), encoding="utf-8")
        done = subprocess.run(
            [WINE, str(BIN / "mksetup.exe"), "build", windows_path(self.root / "setup.toml"),
             "-o", windows_path(self.installer), "--stub", windows_path(BIN / "setup.exe")],
            env=env, capture_output=True, timeout=300)
        if done.returncode != 0 or not self.installer.is_file():
            raise RuntimeError("mksetup failed: " + done.stdout.decode(errors="replace") +
                               done.stderr.decode(errors="replace"))
        return self

    def source_files(self):
        """Relative Windows path -> bytes, for every file of the payload."""
        out = {}
        for path in sorted(self.payload.rglob("*")):
            if path.is_file():
                out["\\".join(path.relative_to(self.payload).parts)] = path.read_bytes()
        return out

    def source_folders(self):
        return sorted("\\".join(p.relative_to(self.payload).parts) for p in self.payload.rglob("*") if p.is_dir())


def hand_laid_blob(data):
    """A DataBlob: checksum (CRC-32 table, no inversions) of the zlib stream, raw length, stream."""
    stream = zlib.compress(data, 6)
    checksum = ~zlib.crc32(stream, 0xFFFFFFFF) & 0xFFFFFFFF
    return struct.pack("<Ii", checksum, len(data)) + stream


def hand_laid_entry(kind, name, data=b""):
    name = name.encode("utf-8")
    return struct.pack("<hHIiii", kind, 0, 0, len(name), len(name) if data else 0, len(data)) + name + data


def hand_laid_installer(stub, record_file, entries):
    """The installer program with a package behind it laid out byte by byte:
    info block, agreement, entries, no shortcuts, trailer."""
    texts = ["岚杉敌意".encode("utf-8"), b"", b"", b"", "欢迎".encode("utf-8")]
    info_at = len(stub)
    info = struct.pack("<6i", sum(map(len, texts)), *map(len, texts)) + b"".join(texts)
    info += hand_laid_entry(16, "bin\\a.txt") + hand_laid_entry(17, record_file)
    agreement = hand_laid_blob("许可协议\r\n".encode("utf-8"))
    agreement_at = info_at + len(info)
    entries_at = agreement_at + len(agreement)
    listed = b"".join(entries)
    shortcuts_at = entries_at + len(listed)
    trailer = struct.pack("<iiIiiiiiiii", info_at, len(info) + len(listed), PKG_MAGIC, entries_at, len(entries),
                          shortcuts_at, 0, 0, 0, agreement_at, len(agreement))
    return stub + info + agreement + listed + trailer


@functools.lru_cache(maxsize=None)
def signing_key():
    """A certificate and key made here with openssl, as a PKCS#12 file; (pfx, cert)."""
    folder = WORK / "signing"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem", "-out",
                    "cert.pem", "-days", "2", "-subj", "/CN=e2e-install"], cwd=folder, check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", "key.pem", "-in", "cert.pem", "-out", "cert.pfx",
                    "-passout", "pass:secret"], cwd=folder, check=True, capture_output=True)
    return folder / "cert.pfx", folder / "cert.pem"


def sign(installer):
    """Signs the installer in place with osslsigncode, as a publisher would."""
    pfx, _ = signing_key()
    signed = installer.with_name(installer.stem + "-signed.exe")
    subprocess.run(["osslsigncode", "sign", "-pkcs12", str(pfx), "-pass", "secret", "-in", str(installer),
                    "-out", str(signed)], check=True, capture_output=True)
    signed.replace(installer)


def signature_accepted(installer):
    _, cert = signing_key()
    return subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert), str(installer)],
                          capture_output=True).returncode == 0


# Install folders and shortcut targets are kept ASCII: Wine's shell link
# writes the target path in the ANSI code page only, so a CJK path would
# read back as "??" (product names, link names and descriptions are CJK).
class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = wine_env()
        cls.folders = Folders(cls.env)
        WORK.mkdir(parents=True, exist_ok=True)
        SHOTS.mkdir(parents=True, exist_ok=True)

    # --- running -----------------------------------------------------------
    def install(self, product, folder, *options, screen_when=None, screen_to=None, enter_when=None):
        """Runs the driver; with screen_when (a file the driver writes) the whole
        X screen is captured into screen_to as soon as that file appears; with
        enter_when, a real Enter key is pressed on the X display when that
        file appears (the driver's --enter-from-host)."""
        report_path = product.root / "report.txt"
        if report_path.exists():
            report_path.unlink()
        args = [WINE, str(BIN / "install_driver.exe"), "--setup", windows_path(product.installer),
                "--folder", folder, "--report", windows_path(report_path), *options]
        driver = subprocess.Popen(args, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if screen_when is not None:
            if self.wait_for(screen_when, 120):
                time.sleep(0.5)
                subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", str(screen_to)],
                               env=self.env, check=False, timeout=60)
        if enter_when is not None and self.wait_for(enter_when, 180):
            subprocess.run(["xdotool", "key", "Return"], env=self.env, check=False, timeout=60)
        try:
            returncode = driver.wait(timeout=600)
        except subprocess.TimeoutExpired:
            driver.kill()
            raise
        done = subprocess.CompletedProcess(args, returncode)
        report = {}
        if report_path.exists():
            for line in report_path.read_text(encoding="utf-8").splitlines():
                key, _, value = line.partition("=")
                report[key] = value.replace("\\n", "\n").replace("\\r", "\r")
        self.assertEqual(done.returncode, 0, f"driver failed: {report}")
        return report

    def shots(self, name):
        folder = SHOTS / name
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        return windows_path(folder)

    # --- checks -----------------------------------------------------------
    def host(self, windows):
        return self.folders.host_path(windows)

    def assert_files_installed(self, product, folder, record_grown=True):
        root = self.host(folder)
        for rel, data in product.source_files().items():
            installed = (root / pathlib.PurePosixPath(*rel.split("\\"))).read_bytes()
            if record_grown and rel == product.record_file:
                self.assertEqual(len(installed), len(data) + RECORD_SIZE, rel)
                self.assertEqual(installed[:len(data)], data, rel)
            else:
                self.assertEqual(installed, data, f"{rel} differs from the source")
        for rel in product.source_folders():
            self.assertTrue((root / pathlib.PurePosixPath(*rel.split("\\"))).is_dir(), rel)

    def record(self, product, folder):
        data = (self.host(folder) / product.record_file).read_bytes()
        return len(data), parse_record(data[-RECORD_SIZE:])

    def assert_record(self, product, folder, start_menu, autostart):
        source_size = len(product.source_files()[product.record_file])
        size, record = self.record(product, folder)
        self.assertEqual(size, source_size + RECORD_SIZE)
        self.assertEqual(record["offset"], source_size)
        self.assertEqual(record["magic"], PKG_MAGIC)
        self.assertEqual(record["reserved"], (0, 0, 0))
        for key, expected in (("start_menu", start_menu), ("product", product.product), ("autostart", autostart)):
            text, raw = record[key]
            self.assertEqual(text, expected, key)
            # UTF-8 text, its 0 byte, then zeros to the end of the slot.
            self.assertEqual(raw, expected.encode("utf-8").ljust(256, b"\0"), key)

    def assert_menu_shortcuts(self, product, folder):
        for menu, target, description in product.shortcuts:
            lnk = self.folders.programs / pathlib.PurePosixPath(*menu.split("\\"))
            lnk = lnk.with_name(lnk.name + ".lnk")
            self.assertTrue(lnk.is_file(), f"missing start-menu entry {menu}")
            info = read_lnk(lnk)
            self.assertEqual(info["target"], folder + "\\" + target, menu)
            self.assertEqual(info["description"], description, menu)
            self.assertIsNone(info["icon"], menu)

    def finish_links(self, product):
        return (self.folders.desktop / (product.product + ".lnk"),
                self.folders.startup / (product.product + ".lnk"))

    def assert_finish_link(self, lnk, product, folder):
        self.assertTrue(lnk.is_file(), str(lnk))
        info = read_lnk(lnk)
        program = folder + "\\" + product.main_program
        self.assertEqual(info["target"], program)
        self.assertEqual(info["description"], product.product)
        self.assertEqual(info["icon"], program)
        self.assertEqual(info["icon_index"], 0)

    def marker(self, folder):
        return self.host(folder) / "bin" / "started.txt"

    def wait_for(self, path, seconds=20):
        end = time.time() + seconds
        while time.time() < end:
            if path.exists():
                return True
            time.sleep(0.25)
        return path.exists()

    def clean(self, product, folder):
        shutil.rmtree(self.host(folder), ignore_errors=True)
        for lnk in self.finish_links(product):
            if lnk.exists():
                lnk.unlink()
        for menu, _, _ in product.shortcuts:
            first = menu.split("\\")[0]
            path = self.folders.programs / (first if "\\" in menu else first + ".lnk")
            if path.is_dir():
                shutil.rmtree(path)
            elif path.exists():
                path.unlink()

    def without_window_manager(self, product):
        """Xvfb runs no window manager, and Wine leaves the X keyboard focus of
        the windows it calls managed to one: no program could take the keys
        there. Unmanaged, Wine gives the X focus to the window the program
        activates, so that real key presses test the program's own focus."""
        key = "HKCU\\Software\\Wine\\AppDefaults\\" + product.installer.name + "\\X11 Driver"
        subprocess.run([WINE, "reg", "add", key, "/v", "Managed", "/d", "N", "/f"], env=self.env,
                       capture_output=True, check=True, timeout=120)

    # --- cases ------------------------------------------------------------
    def test_full_installation_as_the_finish_dialog_opens(self):
        p = Product("full", "岚杉全装").build(self.env)
        folder = "C:\\E2E Full"
        self.clean(p, folder)
        self.without_window_manager(p)
        ready = p.root / "finish-ready.txt"
        if ready.exists():
            ready.unlink()
        r = self.install(p, folder, "--probe-close", "--pause", "3000", "--shots", self.shots("full"),
                         "--enter-from-host", windows_path(ready),
                         screen_when=SHOTS / "full" / "finish-dialog.bmp",
                         screen_to=SHOTS / "full" / "finish-screen.png", enter_when=ready)
        # The dialog opened with the keyboard: a real Enter on the X display ended it.
        self.assertEqual(r.get("finish_foreground"), "yes")
        self.assertEqual(r.get("finish_focus"), "done")
        self.assertEqual(r.get("finish_enter"), "ended")
        self.assertEqual(r.get("finish_checked"), "run,desktop,autostart,")
        self.assertEqual(r.get("finish_text"), "岚杉全装已经正确安装，请点击“完成”结束操作。")
        self.assertEqual(r.get("finish_after_close"), "open", "Esc, Alt+F4 and the close box leave it open")
        self.assertEqual(r.get("wizard_hidden"), "yes")
        self.assertEqual(r.get("retry_prompts"), "0")
        self.assertEqual(r.get("exit"), "0")
        self.assertTrue(self.wait_for(self.marker(folder)), "the main program was not started")
        self.assert_files_installed(p, folder)
        self.assert_menu_shortcuts(p, folder)
        desktop, startup = self.finish_links(p)
        self.assert_finish_link(desktop, p, folder)
        self.assert_finish_link(startup, p, folder)
        # The last entry with a sub-folder names the start-menu folder.
        self.assert_record(p, folder, start_menu="岚杉卸载", autostart="岚杉全装")
        shot = SHOTS / "full" / "finish-dialog.bmp"
        self.assertTrue(shot.is_file())
        subprocess.run(["convert", str(shot), str(shot.with_suffix(".png"))], check=False)
        self.assertTrue((SHOTS / "full" / "finish-screen.png").is_file())

    def test_all_three_cleared(self):
        p = Product("cleared", "岚杉全清").build(self.env)
        folder = "C:\\E2E Cleared"
        self.clean(p, folder)
        r = self.install(p, folder, "--finish", "none")
        self.assertEqual(r.get("exit"), "0")
        self.assert_files_installed(p, folder)
        self.assert_menu_shortcuts(p, folder)
        for lnk in self.finish_links(p):
            self.assertFalse(lnk.exists(), str(lnk))
        self.assert_record(p, folder, start_menu="岚杉卸载", autostart="")
        time.sleep(3)
        self.assertFalse(self.marker(folder).exists(), "the main program was started")

    def test_only_run_main_program(self):
        p = Product("runonly", "岚杉只运行").build(self.env)
        folder = "C:\\E2E RunOnly"
        self.clean(p, folder)
        r = self.install(p, folder, "--finish", "run")
        self.assertEqual(r.get("exit"), "0")
        self.assertTrue(self.wait_for(self.marker(folder)))
        for lnk in self.finish_links(p):
            self.assertFalse(lnk.exists(), str(lnk))
        self.assert_record(p, folder, start_menu="岚杉卸载", autostart="")

    def test_locked_file_retry_after_release(self):
        p = Product("lockretry", "岚杉重试").build(self.env)
        folder = "C:\\E2E LockRetry"
        self.clean(p, folder)
        locked = folder + "\\data\\settings.ini"
        r = self.install(p, folder, "--lock", locked, "--answer", "retry", "--finish", "none",
                         "--shots", self.shots("progress"))
        self.assertEqual(r.get("retry_prompts"), "1")
        self.assertEqual(r.get("retry_prompt"), "复制文件 " + locked + RETRY_AFTER)
        self.assertTrue(r.get("progress_at_prompt", "").startswith("正在复制文件:    " + folder + "\\"),
                        r.get("progress_at_prompt"))
        self.assertEqual(r.get("exit"), "0")
        self.assert_files_installed(p, folder)
        self.assert_menu_shortcuts(p, folder)
        self.assert_record(p, folder, start_menu="岚杉卸载", autostart="")
        shot = SHOTS / "progress" / "progress-page.bmp"
        self.assertTrue(shot.is_file())
        subprocess.run(["convert", str(shot), str(shot.with_suffix(".png"))], check=False)

    def test_locked_file_cancel_fails_the_installation(self):
        # zz\later.txt comes after the record file in the package: the record
        # file is installed before the failure and must not get a block.
        p = Product("lockcancel", "岚杉取消", extra={"zz/later.txt": b"later"}).build(self.env)
        folder = "C:\\E2E LockCancel"
        self.clean(p, folder)
        locked = folder + "\\zz\\later.txt"
        r = self.install(p, folder, "--lock", locked, "--answer", "cancel")
        self.assertEqual(r.get("retry_prompts"), "1")
        self.assertEqual(r.get("retry_prompt"), "复制文件 " + locked + RETRY_AFTER)
        self.assertEqual(r.get("message_box"), "安装失败!")
        self.assertEqual(r.get("message_box_caption"), p.installer.stem)
        self.assertNotIn("finish_text", r)
        self.assertEqual(r.get("exit"), "0")
        # Entries before the locked one stay as extracted; no record, no shortcuts.
        root = self.host(folder)
        for rel in ("bin/Example.exe", "data/settings.ini", "uninstall.exe"):
            self.assertEqual((root / rel).read_bytes(), (p.payload / rel).read_bytes(), rel)
        self.assertEqual((root / "zz" / "later.txt").read_bytes(), b"", "the locker's file is untouched")
        for menu, _, _ in p.shortcuts:
            self.assertFalse((self.folders.programs / menu.split("\\")[0]).exists(), menu)
            self.assertFalse((self.folders.programs / (menu + ".lnk")).exists(), menu)
        for lnk in self.finish_links(p):
            self.assertFalse(lnk.exists(), str(lnk))

    def test_package_without_shortcuts(self):
        p = Product("noshortcuts", "岚杉无快捷", shortcuts=[]).build(self.env)
        folder = "C:\\E2E NoShortcuts"
        self.clean(p, folder)
        r = self.install(p, folder, "--finish", "all")
        self.assertEqual(r.get("exit"), "0")
        self.assert_files_installed(p, folder)
        desktop, startup = self.finish_links(p)
        self.assert_finish_link(desktop, p, folder)
        self.assert_record(p, folder, start_menu="", autostart="岚杉无快捷")

    def test_package_without_files_and_main_program(self):
        p = Product("nofiles", "岚杉无文件", files=False, shortcuts=[], main_program="").build(self.env)
        folder = "C:\\E2E NoFiles"
        self.clean(p, folder)
        r = self.install(p, folder, "--finish", "all", "--shots", self.shots("nomain"))
        # Nothing to link to or to start: the boxes are cleared and disabled.
        self.assertEqual(r.get("finish_checked"), "")
        self.assertEqual(r.get("finish_enabled"), "")
        self.assertEqual(r.get("exit"), "0")
        root = self.host(folder)
        self.assertTrue(root.is_dir())
        self.assertEqual(list(root.iterdir()), [], "nothing but the install folder")
        for lnk in self.finish_links(p):
            self.assertFalse(lnk.exists(), str(lnk))

    def test_package_without_record_file(self):
        p = Product("norecord", "岚杉无记录", record_file="").build(self.env)
        folder = "C:\\E2E NoRecord"
        self.clean(p, folder)
        r = self.install(p, folder, "--finish", "none")
        self.assertEqual(r.get("exit"), "0")
        self.assert_files_installed(p, folder, record_grown=False)
        self.assert_menu_shortcuts(p, folder)

    def test_second_installation_over_the_first(self):
        first = Product("again", "岚杉再装").build(self.env)
        folder = "C:\\E2E Again"
        self.clean(first, folder)
        self.install(first, folder, "--finish", "all")
        self.assert_record(first, folder, start_menu="岚杉卸载", autostart="岚杉再装")
        self.assertTrue(self.wait_for(self.marker(folder)))
        # The same product again, its entries described anew.
        second = Product("again2", "岚杉再装", shortcuts=[
            (m, t, d + " (新)") for m, t, d in first.shortcuts]).build(self.env)
        r = self.install(second, folder, "--finish", "all")
        self.assertEqual(r.get("exit"), "0")
        self.assert_files_installed(second, folder)
        self.assert_menu_shortcuts(second, folder)  # replaced: the new descriptions
        desktop, startup = self.finish_links(second)
        self.assert_finish_link(desktop, second, folder)
        self.assert_finish_link(startup, second, folder)
        # The copy step rewrote the record file; this run appended its own block to it.
        self.assert_record(second, folder, start_menu="岚杉卸载", autostart="岚杉再装")

    def mksetup(self, *args):
        return subprocess.run([WINE, str(BIN / "mksetup.exe"), *args], env=self.env, capture_output=True,
                              timeout=300).returncode

    def assert_refused(self, product, folder):
        """The environment check refuses the installer: nothing is written."""
        self.clean(product, folder)
        r = self.install(product, folder)
        self.assertEqual(r.get("environment_box"), "安装程序已经损坏!")
        self.assertEqual(r.get("environment_box_caption"), product.installer.stem)
        self.assertNotIn("confirmation", r)
        self.assertEqual(r.get("exit"), "0")
        self.assertFalse(self.host(folder).exists(), "nothing may be written")
        for menu, _, _ in product.shortcuts:
            self.assertFalse((self.folders.programs / menu.split("\\")[0]).exists(), menu)

    def test_hostile_packages_are_refused_before_anything_is_written(self):
        good = [hand_laid_entry(0, "bin"), hand_laid_entry(8, "bin\\a.txt", hand_laid_blob(b"good")),
                hand_laid_entry(8, "readme.txt", hand_laid_blob(b"read me"))]
        cases = [
            ("victim", "..\\..\\victim.txt", good),
            ("escape", "", good + [hand_laid_entry(8, "..\\escape.txt", hand_laid_blob(b"escaped"))]),
            ("nameless", "", good + [hand_laid_entry(8, "")]),
        ]
        stub = (BIN / "setup.exe").read_bytes()
        base = "C:\\E2E Hostile"
        folder = base + "\\a\\b"
        victim = self.host(base) / "victim.txt"
        for name, record_file, entries in cases:
            with self.subTest(name):
                root = WORK / ("hostile-" + name)
                shutil.rmtree(root, ignore_errors=True)
                root.mkdir(parents=True)
                installer = root / ("hostile-" + name + "-setup.exe")
                installer.write_bytes(hand_laid_installer(stub, record_file, entries))
                shutil.rmtree(self.host(base), ignore_errors=True)
                victim.parent.mkdir(parents=True)
                victim.write_bytes(b"victim bytes\r\n")
                r = self.install(types.SimpleNamespace(root=root, installer=installer), folder)
                self.assertEqual(r.get("environment_box"), "安装程序已经损坏!")
                self.assertNotIn("confirmation", r)
                self.assertEqual(r.get("exit"), "0")
                self.assertFalse(self.host(folder).exists(), "nothing may be written in the install folder")
                self.assertEqual(victim.read_bytes(), b"victim bytes\r\n")
                self.assertEqual(sorted(p.name for p in self.host(base).rglob("*")), ["victim.txt"])

    @staticmethod
    def flip_in_blob(product):
        """Changes one byte inside the stored blob of noise.bin."""
        data = bytearray(product.installer.read_bytes())
        noise = (product.payload / "data" / "noise.bin").read_bytes()
        at = data.find(noise[2000:2064])
        assert at > 0, "the stored blob of noise.bin was not found"
        data[at + 10] ^= 0x01
        product.installer.write_bytes(bytes(data))

    def test_damaged_installer_is_refused_before_anything_is_written(self):
        p = Product("damaged", "岚杉损坏").build(self.env)
        self.flip_in_blob(p)
        self.assert_refused(p, "C:\\E2E Damaged")

    def test_signed_installer_installs_like_an_unsigned_one(self):
        p = Product("signed", "岚杉签名").build(self.env)
        sign(p.installer)
        self.assertTrue(signature_accepted(p.installer))
        signed = p.installer.read_bytes()
        # verify and extract only read the installer: the signature still holds.
        self.assertEqual(self.mksetup("verify", windows_path(p.installer)), 0)
        self.assertEqual(self.mksetup("extract", windows_path(p.installer), windows_path(p.root / "extracted")), 0)
        self.assertEqual((p.root / "extracted" / "data" / "noise.bin").read_bytes(),
                         (p.payload / "data" / "noise.bin").read_bytes())
        self.assertTrue(p.installer.read_bytes() == signed)
        self.assertTrue(signature_accepted(p.installer))

        folder = "C:\\E2E Signed"
        self.clean(p, folder)
        r = self.install(p, folder, "--finish", "all")
        self.assertEqual(r.get("exit"), "0")
        self.assertEqual(r.get("retry_prompts"), "0")
        self.assert_files_installed(p, folder)
        self.assert_menu_shortcuts(p, folder)
        desktop, startup = self.finish_links(p)
        self.assert_finish_link(desktop, p, folder)
        self.assert_finish_link(startup, p, folder)
        self.assert_record(p, folder, start_menu="岚杉卸载", autostart="岚杉签名")

    def test_signed_installer_damaged_in_the_package_or_in_the_signature(self):
        # A changed byte in the package is refused as in an unsigned installer.
        p = Product("signeddamaged", "岚杉签名损坏").build(self.env)
        sign(p.installer)
        unbroken = p.installer.read_bytes()
        self.flip_in_blob(p)
        self.assert_refused(p, "C:\\E2E SignedDamaged")
        # A changed byte in the signature is for Windows to judge: the installer installs.
        data = bytearray(unbroken)
        data[-100] ^= 0x01
        p.installer.write_bytes(bytes(data))
        self.assertFalse(signature_accepted(p.installer))
        folder = "C:\\E2E SignatureDamaged"
        self.clean(p, folder)
        r = self.install(p, folder, "--finish", "none")
        self.assertEqual(r.get("exit"), "0")
        self.assert_files_installed(p, folder)
        self.assert_record(p, folder, start_menu="岚杉卸载", autostart="")


if __name__ == "__main__":
    unittest.main(verbosity=2)
