"""The Wine world of the end-to-end tests (scripts/wine-env): environment and
shell folders, host and Windows paths, the driver and its reports, products
made by mksetup, and what an installation left (.lnk files, install records,
registry keys)."""
import ctypes
import json
import os
import pathlib
import re
import shlex
import shutil
import struct
import subprocess
import time
import zlib

SOURCE = pathlib.Path(__file__).resolve().parents[2]
BIN = pathlib.Path(os.environ.get("SETUP_BIN_DIR", "."))
BUILD = pathlib.Path(os.environ.get("SETUP_BUILD_DIR", BIN.parent))
WORK = BUILD / "wine-tests"
SHOTS = BUILD / "screenshots"
WINE = str(SOURCE / "scripts" / "wine-run")
# The Linux mksetup of the native build (scripts/test builds it first).
MKSETUP = pathlib.Path(os.environ.get("SETUP_NATIVE_MKSETUP", SOURCE / "build" / "native" / "bin" / "mksetup"))
PKG_MAGIC = 0x12030416
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
UNINSTALLED = "“{}”已经从计算机上删除。"  # the uninstaller's last message begins so


def wine_env():
    """The variables of $SETUP_WINE_STATE/env merged into os.environ."""
    env = dict(os.environ)
    for line in (pathlib.Path(os.environ["SETUP_WINE_STATE"]) / "env").read_text().splitlines():
        if line.startswith("export "):
            name, _, value = line[len("export "):].partition("=")
            env[name] = shlex.split(value)[0] if value else ""
    return env


ENV = wine_env()


def windows_path(host):
    """A host path as Wine's Z: drive shows it."""
    return "Z:" + str(host).replace("/", "\\")


class Folders:
    """The prefix's C: drive and per-user shell folders."""

    def __init__(self):
        self.drive_c = pathlib.Path(ENV["WINEPREFIX"]) / "drive_c"
        self.user = next(p for p in sorted((self.drive_c / "users").iterdir()) if p.name != "Public" and p.is_dir())
        self.desktop = self.user / "Desktop"
        self.programs = self.user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
        self.startup = self.programs / "StartUp"
        # %TEMP%: AppData\Local\Temp in the WoW64 Wine, Temp in Debian's Wine.
        self.temp = next((t for t in (self.user / "AppData/Local/Temp", self.user / "Temp") if t.is_dir()),
                         self.user / "AppData/Local/Temp")

    def host(self, windows):
        """C:\\a\\b -> <prefix>/drive_c/a/b."""
        assert windows[:3].upper() == "C:\\", windows
        return self.drive_c.joinpath(*[p for p in windows[3:].split("\\") if p])

    def windows(self, host):
        return "C:\\" + "\\".join(pathlib.Path(host).relative_to(self.drive_c).parts)


class Report:
    """The driver's report: key=value lines; a backslash escapes the next
    character (n and r: line breaks). Keys may repeat, one per step."""

    def __init__(self, text):
        escaped = {"n": "\n", "r": "\r"}
        self.pairs = [(key, re.sub(r"\\(.)", lambda m: escaped.get(m[1], m[1]), value, flags=re.S))
                      for key, _, value in (line.partition("=") for line in text.splitlines())]

    def all(self, key):
        return [v for k, v in self.pairs if k == key]

    def get(self, key, default=None):
        values = self.all(key)
        return values[-1] if values else default

    def __contains__(self, key):
        return bool(self.all(key))

    def __repr__(self):
        return "\n".join(f"{k}={v!r}" for k, v in self.pairs)


def drive(name, steps, hooks=None, env=None, stderr=subprocess.DEVNULL):
    """Runs the driver with `steps`; screenshots go to SHOTS/name. `hooks`
    maps the host file of each hook= step to what the host does then. With
    `env` (ENV with other Wine variables, or a DisplayScale's) the driver and
    the programs it starts run with it, their Wine messages going to `stderr`.
    Returns the Report; raises AssertionError when a step failed."""
    shots = SHOTS / name
    shots.mkdir(parents=True, exist_ok=True)
    report_path = WORK / (name + "-report.txt")
    report_path.unlink(missing_ok=True)
    # scripts/wine-run would set the world's own WINEDEBUG, WINEDLLOVERRIDES and DISPLAY again.
    wine = WINE if env is None else env["SETUP_WINE"]
    driver = subprocess.Popen([wine, str(BIN / "wine_driver.exe"), windows_path(report_path), "--shots",
                               windows_path(shots), *steps], env=env or ENV, stdout=subprocess.DEVNULL,
                              stderr=stderr)
    hooks = dict(hooks or {})
    while hooks and driver.poll() is None:
        for path in [p for p in hooks if p.exists()]:
            hooks.pop(path)()
            path.unlink()
        time.sleep(0.1)
    try:
        code = driver.wait(timeout=600)
    except subprocess.TimeoutExpired:
        driver.kill()
        raise
    report = Report(report_path.read_text(encoding="utf-8") if report_path.exists() else "")
    if code != 0 or "failed" in report:
        raise AssertionError(f"driver failed ({code}):\n{report}")
    return report


def wait_for(path, seconds=20):
    end = time.time() + seconds
    while time.time() < end and not path.exists():
        time.sleep(0.25)
    return path.exists()


class DisplayScale:
    """The Wine world at a display scale: LogPixels set to `dpi` and a screen
    large enough for the wizard at 200 % (1600 x 1200, a display of its own),
    for as long as the `with` block runs; afterwards the world is as before.
    The prefix's programs end on entry and on exit (the scale is read when
    the wineserver starts). Its `env` goes to drive()."""

    def __init__(self, dpi):
        self.dpi = dpi

    def _wine(self, *args):
        subprocess.run([ENV["SETUP_WINE"], *args], env=self.env, capture_output=True, timeout=120)

    def _restart(self):
        subprocess.run([ENV["SETUP_WINESERVER"], "-k"], env=self.env, capture_output=True)
        subprocess.run([ENV["SETUP_WINESERVER"], "-w"], env=self.env, capture_output=True, timeout=120)

    def __enter__(self):
        n = 150
        while pathlib.Path(f"/tmp/.X{n}-lock").exists() or pathlib.Path(f"/tmp/.X11-unix/X{n}").exists():
            n += 1
        self.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1600x1200x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        assert wait_for(pathlib.Path(f"/tmp/.X11-unix/X{n}")), "no display"
        self.env = dict(ENV, DISPLAY=f":{n}")
        self._restart()
        self._wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                   str(self.dpi), "/f")
        self._restart()
        return self

    def __exit__(self, *exc):
        self._wine("reg", "delete", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/f")
        self._restart()
        self.xvfb.terminate()
        self.xvfb.wait()
        return False


def cursor_image(display):
    """The pointer's picture on X display `display` (":N"), as XFixes shows it:
    (width, height, hot spot x, hot spot y, pixel(x, y) -> (a, r, g, b))."""
    class Image(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short)] + [
            (name, ctypes.c_ushort) for name in ("width", "height", "xhot", "yhot")] + [
            ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]
    x11, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(Image)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    connection = ctypes.c_void_p(x11.XOpenDisplay(display.encode()))
    assert connection, "cannot open " + display
    image = xfixes.XFixesGetCursorImage(connection).contents
    w, h = image.width, image.height
    argb = [image.pixels[i] & 0xFFFFFFFF for i in range(w * h)]
    x11.XCloseDisplay(connection)
    return w, h, image.xhot, image.yhot, lambda x, y: tuple(argb[y * w + x].to_bytes(4, "big"))


def to_png(bmp):
    subprocess.run(["convert", str(bmp), str(bmp.with_suffix(".png"))], check=False)


def read_bmp(path):
    """A 24-bit BMP the driver wrote: (width, height, pixel(x, y) -> (r, g, b))."""
    data = path.read_bytes()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    row = (width * 3 + 3) & ~3

    def pixel(x, y):
        at = offset + (height - 1 - y) * row + x * 3
        return data[at + 2], data[at + 1], data[at]
    return width, height, pixel


class Shot:
    """A screenshot of drive(name)'s shot=picture step, read in client coordinates."""

    def __init__(self, name, picture, report):
        self.width, self.height, pixel = read_bmp(SHOTS / name / (picture + ".bmp"))
        dx, dy = map(int, report.get("shot." + picture).split(","))
        self.client_width = self.width - 2 * dx
        self.pixel = lambda x, y: pixel(dx + x, dy + y)

    def ink(self, rect):
        """The dark pixels (text) in rect (l, t, r, b)."""
        left, top, right, bottom = rect
        return [(x, y) for x in range(left, right) for y in range(top, bottom) if sum(self.pixel(x, y)) < 300]


def is_32bit():
    """Whether the installer program under test is a 32-bit one."""
    data = (BIN / "setup.exe").read_bytes()[:4096]
    return struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4)[0] == 0x14C


def registry_view():
    """reg's switch for the installers' own registry view."""
    return "/reg:32" if is_32bit() else "/reg:64"


def reg_query(key, view=None):
    """`wine reg query KEY` in the installers' view (or `view`): (its output, {value name: (type, data)}),
    with None for the values when the key is not there. Subkeys are left out."""
    done = subprocess.run([WINE, "reg", "query", key, view or registry_view()], env=ENV, capture_output=True)
    text = done.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
    if done.returncode != 0 or not text.strip():
        return text, None
    values = {}
    for line in text.splitlines():
        if line.startswith("    "):
            name, kind, data = (line.strip().split("    ", 2) + [""])[:3]
            values[name] = (kind, data)
    return text, values


def mksetup(*args):
    return subprocess.run([str(MKSETUP), *map(str, args)], capture_output=True, timeout=300)


def record(path):
    """The install record at the end of `path`, as `mksetup record --json` reads it."""
    done = mksetup("record", "--json", path)
    assert done.returncode == 0, done.stderr.decode(errors="replace")
    return json.loads(done.stdout)


def read_lnk(path):
    """target, description, icon, icon_index of a .lnk file as lnkinfo reads
    it (None where the link holds no such field)."""
    out = subprocess.run(["lnkinfo", str(path)], check=True, capture_output=True).stdout.decode(errors="replace")
    keys = {"Local path": "target", "Description": "description", "Icon location": "icon", "Icon index": "icon_index"}
    fields = dict.fromkeys(keys.values())
    for line in out.splitlines():
        name, _, value = line.strip().partition(":")
        if name.strip() in keys and fields[keys[name.strip()]] is None:
            fields[keys[name.strip()]] = value[1:] if value.startswith(" ") else value
    if fields["icon_index"] is not None:
        fields["icon_index"] = int(fields["icon_index"])
    return fields


class Product:
    """A sample product: payload tree, manifest, and the installer mksetup makes of them."""

    def __init__(self, name, product, shortcuts=None, files=True, record_file="uninstall.exe",
                 main_program="bin\\Example.exe", extra=(), uninstaller=False, heading=None, more=(), deploy=None,
                 welcome=None, notice="端到端测试"):
        self.name, self.product = name, product
        self.heading = product + " 安装程序" if heading is None else heading
        self.welcome = f"欢迎安装 {product}。" if welcome is None else welcome
        self.notice = notice
        self.more = list(more)  # further lines of the [product] table
        self.deploy = deploy  # the [deploy] table: {"version": ..., "publisher": ..., "url": ...}
        self.record_file, self.main_program, self.uninstaller = record_file, main_program, uninstaller
        self.root = WORK / name
        shutil.rmtree(self.root, ignore_errors=True)
        self.payload = self.root / "payload"
        self.payload.mkdir(parents=True)
        self.shortcuts = shortcuts if shortcuts is not None else [
            ("岚杉" + name + "\\" + product, "bin\\Example.exe", "启动 " + product),
            ("Flat " + name, "docs\\readme.txt", "没有子文件夹"),
            ("岚杉" + name + "\\卸载 " + product, "uninstall.exe", "卸载 " + product),
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
            # Incompressible: deflate stores it as it is, so a test can find and flip a byte of its blob.
            (self.payload / "data" / "noise.bin").write_bytes(os.urandom(6000))
            if not uninstaller:
                (self.payload / "uninstall.exe").write_bytes(b"MZ uninstaller stand-in\0" * 20)
        for rel, data in dict(extra).items():
            (self.payload / rel).parent.mkdir(parents=True, exist_ok=True)
            (self.payload / rel).write_bytes(data)
        self.installer = self.root / (name + "-setup.exe")

    def manifest(self):
        lines = ["[product]", f'name = "{self.product}"', f'heading = "{self.heading}"', f'notice = "{self.notice}"',
                 'rights = "rights"', f'welcome = "{self.welcome}"', f"main_program = '{self.main_program}'"]
        if self.record_file:
            lines.append(f"record_file = '{self.record_file}'")
        if self.uninstaller:
            lines.append("uninstaller = true")
        lines += self.more
        lines += ["", "[files]", 'source = "payload"']
        for menu, target, description in self.shortcuts:
            lines += ["", "[[shortcut]]", f"menu = '{menu}'", f"target = '{target}'", f'description = "{description}"']
        if self.deploy is not None:
            lines += ["", "[deploy]"] + [f'{key} = "{value}"' for key, value in self.deploy.items()]
        return "\n".join(lines) + "\n"

    def build(self):
        (self.root / "setup.toml").write_text(self.manifest(), encoding="utf-8")
        args = ["build", self.root / "setup.toml", "-o", self.installer, "--stub", BIN / "setup.exe"]
        if self.uninstaller:
            args += ["--uninstaller", BIN / "uninstall.exe"]
        done = mksetup(*args)
        assert done.returncode == 0 and self.installer.is_file(), done.stderr.decode(errors="replace")
        return self

    def files(self):
        """Relative Windows path -> bytes, for every file of the payload."""
        return {"\\".join(p.relative_to(self.payload).parts): p.read_bytes()
                for p in sorted(self.payload.rglob("*")) if p.is_file()}

    def folders(self):
        return sorted("\\".join(p.relative_to(self.payload).parts) for p in self.payload.rglob("*") if p.is_dir())


def hand_laid_installer(stub, record_file, entries, product="岚杉敌意"):
    """The installer program with a package laid out byte by byte behind it:
    info block, agreement, the entries (kind, name, data), no shortcuts, trailer."""
    def blob(data):  # checksum (CRC-32 table, no inversions) of the zlib stream, raw length, stream
        stream = zlib.compress(data, 6)
        return struct.pack("<Ii", ~zlib.crc32(stream, 0xFFFFFFFF) & 0xFFFFFFFF, len(data)) + stream

    def entry(kind, name, data=None):
        name, data = name.encode("utf-8"), blob(data) if data is not None else b""
        return struct.pack("<hHIiii", kind, 0, 0, len(name), len(name) if data else 0, len(data)) + name + data

    texts = [product.encode("utf-8"), b"", b"", b"", "欢迎".encode("utf-8")]
    info = struct.pack("<6i", sum(map(len, texts)), *map(len, texts)) + b"".join(texts)
    info += entry(16, "bin\\a.txt") + entry(17, record_file)
    agreement = blob("许可协议\r\n".encode("utf-8"))
    listed = b"".join(entry(*e) for e in entries)
    info_at = len(stub)
    agreement_at = info_at + len(info)
    entries_at = agreement_at + len(agreement)
    trailer = struct.pack("<iiIiiiiiiii", info_at, len(info) + len(listed), PKG_MAGIC, entries_at, len(entries),
                          entries_at + len(listed), 0, 0, 0, agreement_at, len(agreement))
    return stub + info + agreement + listed + trailer


# Steps that walk the wizard from its start to the folder page, the agreement read and ticked.
def to_folder_page(installer):
    return [f"start={windows_path(installer)}", "wizard", "page=0", "click=1", "page=1", "click=1", "page=2",
            "read=1007", "click=1008", "shown=1", "click=1", "page=3"]


def install_steps(installer, folder):
    """From the start to the installation running in `folder`."""
    return to_folder_page(installer) + [f"type={folder}", "click=1", "page=6", "click=1"]


def uncheck_all():
    return ["check=1003", "check=1004", "check=1005"]


def snapshot(root, skip):
    """Every path below root but the skipped folders -> (kind, size, mtime).
    Wine's own *.desktop mirrors of shortcuts are left out."""
    out = {}
    for dirpath, dirnames, filenames in os.walk(root):
        here = pathlib.Path(dirpath)
        dirnames[:] = [d for d in dirnames if here / d not in skip]
        out.update({here / d: ("dir",) for d in dirnames})
        for f in filenames:
            if not f.endswith(".desktop"):
                st = (here / f).lstat()
                out[here / f] = ("file", st.st_size, st.st_mtime_ns)
    return out


class InstallChecks:
    """What an installation left, checked from the host: a mixin of the test cases."""

    @classmethod
    def setUpClass(cls):
        cls.folders = Folders()
        WORK.mkdir(parents=True, exist_ok=True)

    def clean(self, product, folder):
        shutil.rmtree(self.folders.host(folder), ignore_errors=True)
        for path in self.links(product):
            path.unlink(missing_ok=True)
        for menu, _, _ in product.shortcuts:
            shutil.rmtree(self.folders.programs / menu.split("\\")[0], ignore_errors=True)
            (self.folders.programs / (menu + ".lnk")).unlink(missing_ok=True)

    # --- checks -----------------------------------------------------------
    def links(self, product):
        """The desktop and startup links of the finish dialog."""
        return [self.folders.desktop / (product.product + ".lnk"), self.folders.startup / (product.product + ".lnk")]

    def assert_installed(self, product, folder, record_grown=True):
        root = self.folders.host(folder)
        for rel, data in product.files().items():
            installed = (root / pathlib.PurePosixPath(*rel.split("\\"))).read_bytes()
            if record_grown and rel == product.record_file:
                self.assertEqual(installed[:len(data)], data, rel)
            else:
                self.assertEqual(installed, data, f"{rel} differs from the source")
        for rel in product.folders():
            self.assertTrue((root / pathlib.PurePosixPath(*rel.split("\\"))).is_dir(), rel)

    def assert_record(self, product, folder, start_menu, autostart):
        rec = record(self.folders.host(folder) / product.record_file)
        self.assertTrue(rec["consistent"], rec)
        self.assertEqual(rec["offset"], len(product.files()[product.record_file]))
        self.assertEqual((rec["start_menu_folder"], rec["product_name"], rec["autostart_link"]),
                         (start_menu, product.product, autostart))

    def assert_menu(self, product, folder):
        for menu, target, description in product.shortcuts:
            info = read_lnk(self.folders.programs / pathlib.PurePosixPath(*(menu + ".lnk").split("\\")))
            self.assertEqual((info["target"], info["description"], info["icon"]),
                             (folder + "\\" + target, description, None), menu)

    def assert_finish_links(self, product, folder, made):
        program = folder + "\\" + product.main_program
        for lnk in self.links(product):
            self.assertEqual(lnk.is_file(), made, str(lnk))
            if made:
                info = read_lnk(lnk)
                self.assertEqual((info["target"], info["description"], info["icon"], info["icon_index"]),
                                 (program, product.product, program, 0))

    def started(self, folder):
        return wait_for(self.folders.host(folder) / "bin" / "started.txt")

    def disk(self):
        return snapshot(self.folders.drive_c, {self.folders.drive_c / "windows", self.folders.temp})
