#!/usr/bin/env python3
"""The installer's wizard driven under Wine: pages forward and back with the
mouse and the keyboard, the folder page, the skinned buttons."""
import struct
import subprocess
import unittest

from wineworld import SHOTS, WORK, Folders, Product, Shot, drive, is_32bit, read_bmp, to_folder_page, to_png

IDOK, IDCANCEL = 1, 2
NEXT, CANCEL, BACK, BROWSE, LANGUAGE, AGREEMENT, AGREE, PATH = 1, 2, 1011, 1010, 1006, 1007, 1008, 1009
QUIT = "你确定要退出安装吗?"
BAD_FOLDER = "安装路径无效, 请重新输入或点击“浏览”选择安装路径!"
PICTURE_FRAME, PICTURE_FILL = (0x20, 0x20, 0x20), (0x2E, 0x8B, 0x57)
AGREEMENT_TEXT = "最终用户许可协议\r\n\r\n1. 本软件按“原样”提供。\r\n2. 未经许可，不得转售本软件。\r\n"


def picture(size=72):
    """A 24-bit BMP: a green square with a one-pixel dark frame."""
    row = (size * 3 + 3) & ~3
    pixels = b"".join(b"".join(bytes(reversed(PICTURE_FRAME if x in (0, size - 1) or y in (0, size - 1)
                                              else PICTURE_FILL)) for x in range(size)).ljust(row, b"\0")
                      for y in range(size))
    return struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 54 + len(pixels), 0, 0, 54, 40, size, size, 1, 24, 0,
                       len(pixels), 0, 0, 0, 0) + pixels


def full_product(name):
    p = Product(name, "Demo产品", more=['picture = "picture.png"', 'license = "license.txt"'])
    (p.root / "picture.bmp").write_bytes(picture())
    # A PNG, as the sample product carries: GDI+ decodes it.
    subprocess.run(["convert", str(p.root / "picture.bmp"), str(p.root / "picture.png")], check=True)
    (p.root / "license.txt").write_text(AGREEMENT_TEXT, encoding="utf-8", newline="")
    return p.build()


def quit_steps():
    return [f"click={CANCEL}", "dialog", f"answer={IDOK}", "exit"]


class WizardTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        WORK.mkdir(parents=True, exist_ok=True)
        cls.installer = full_product("wizard").installer

    def assert_quit(self, r):
        self.assertEqual(r.get("dialog.caption"), "退出")
        self.assertEqual(r.get("dialog.text"), QUIT)
        self.assertEqual(r.get("exit"), "1602")

    # Pages 0 to 6 forward, then back to 0 (scale_test photographs them). Enter
    # is Next but does not pass an unticked agreement; Space unticks the
    # focused box. Cancel, Esc and Alt+F4 ask; only OK ends the wizard.
    def test_pages_forward_and_back_with_mouse_and_keyboard(self):
        r = drive("wizard-walk", to_folder_page(self.installer)[:3] + [
            f"hidden={BACK}", f"shown={NEXT}", f"shown={CANCEL}", "key=enter", "page=1", f"shown={BACK}",
            f"read={LANGUAGE}", f"click={LANGUAGE}", "sleep=300", f"click={LANGUAGE}", f"read={LANGUAGE}", "page=1",
            f"click={NEXT}", "page=2", f"hidden={NEXT}", f"read={AGREEMENT}", "key=enter", "sleep=500", "page=2",
            f"hidden={NEXT}", f"click={AGREE}", f"shown={NEXT}", f"click={AGREE}", f"hidden={NEXT}", f"click={AGREE}",
            f"shown={NEXT}", "key=space", f"hidden={NEXT}", "key=enter", "sleep=500", "page=2",
            # Enter took the focus to the hidden Next: the box is ticked with the mouse again.
            f"click={AGREE}", f"shown={NEXT}", "key=enter", "page=3", f"read={PATH}", f"click={CANCEL}", "dialog",
            "shot=quit", f"answer={IDCANCEL}", "sleep=300", "page=3", "key=esc", "dialog", f"answer={IDCANCEL}",
            # Next runs the environment check (page 4) and lands on the confirmation.
            "page=3", f"click={NEXT}", "page=6", f"shown={NEXT}", f"click={BACK}", "page=3", f"click={BACK}", "page=2",
            f"shown={NEXT}", f"click={BACK}", "page=1", f"click={BACK}", "page=0", f"hidden={BACK}", "close", "dialog",
            f"answer={IDOK}", "exit"])
        self.assertEqual(r.all("text.1006"), ["简体中文"] * 2)
        self.assertEqual(r.get("text.1007").replace("\r\n", "\n"), AGREEMENT_TEXT.replace("\r\n", "\n"))
        self.assertEqual(r.get("text.1009"), f"C:\\Program Files{' (x86)' if is_32bit() else ''}\\Demo产品")
        self.assertEqual(r.all("dialog.text"), [QUIT] * 3)
        self.assert_quit(r)
        to_png(SHOTS / "wizard-walk" / "quit.bmp")

    # Browse opens the folder picker: cancelled it changes nothing, a picked
    # folder gets the product's folder. Bad folders keep the wizard on the
    # page; a good one is trimmed as Windows would create it. A shorter text
    # leaves nothing of a longer one behind in the see-through field.
    def test_folder_page(self):
        # Refused by the rules (unit-tested, here once) and by the file system: a
        # file, no such drive, a folder none can be made in (Wine's Z: is /), a
        # link (nothing is made through it, the probe folder included).
        link = Folders().host("C:\\E2E LinkRoot")
        if not link.is_symlink():
            link.symlink_to(Folders().host("C:\\windows"), target_is_directory=True)
        bad = ["relative\\folder", "C:\\windows\\win.ini", "Q:\\App", "Z:\\proc\\App", "C:\\E2E LinkRoot\\App"]
        steps = to_folder_page(self.installer) + [
            f"read={PATH}", f"click={BROWSE}", "dialog", "shot=browse", f"answer={IDCANCEL}", f"read={PATH}",
            f"click={BROWSE}", "dialog", "pick", f"read={PATH}", "page=3", "shot=picked",
            "type=C:\\" + "W" * 44, "sleep=300", "type=C:\\W", "sleep=300", "shot=retyped"]
        for folder in bad:
            steps += [f"type={folder}", f"click={NEXT}", "dialog", f"answer={IDOK}", "sleep=200", "page=3"]
        steps += ["type=C:\\Apps. \\Demo ", f"click={NEXT}", "page=6", f"click={BACK}", "page=3", f"read={PATH}",
                  *quit_steps()]
        r = drive("wizard-folder", steps)
        default, cancelled, picked, typed = r.all("text.1009")
        self.assertEqual(cancelled, default)
        self.assertTrue(picked.endswith("\\Demo产品") and picked[1] == ":" and "\\\\" not in picked, picked)
        self.assertEqual(typed, "C:\\Apps\\Demo")
        self.assertEqual(r.all("dialog.text")[2:-1], [BAD_FOLDER] * len(bad))
        self.assertFalse(Folders().host("C:\\Apps").exists(), "the folder check created a folder")
        self.assertEqual(Shot("wizard-folder", "retyped", r).ink((250, 213, 490, 229)), [], "old text left in the path field")
        self.assert_quit(r)
        for name in ("browse", "picked", "retyped"):
            to_png(SHOTS / "wizard-folder" / (name + ".bmp"))

    # The pointer over a button shows its hot face, lighter or more saturated
    # than the idle one, until it leaves. When the system colours change, the
    # dialog tells its skinned buttons, which take a new copy of their background.
    def test_skinned_buttons(self):
        steps = to_folder_page(self.installer)[:3] + [f"click={NEXT}", "page=1"]
        for button in (NEXT, BACK, CANCEL):
            steps += ["hover=0", f"shot=idle{button}:{button}", f"hover={button}", f"shot=hot{button}:{button}",
                      "hover=0", "sleep=1000", f"shot=left{button}:{button}"]
        steps += [f"click={BACK}", "page=0", "hover=0", "recolour=recoloured"]
        r = drive("wizard-buttons", steps + quit_steps())

        def look(picture_name):
            width, height, pixel = read_bmp(SHOTS / "wizard-buttons" / (picture_name + ".bmp"))
            pixels = [pixel(x, y) for x in range(width) for y in range(height)]
            return (sum(map(sum, pixels)) / len(pixels), sum(max(q) - min(q) for q in pixels) / len(pixels),
                    sum(1 for q in pixels if q == PICTURE_FILL))
        for button in (NEXT, BACK, CANCEL):
            idle, hot, left = look(f"idle{button}"), look(f"hot{button}"), look(f"left{button}")
            self.assertTrue(hot[0] > idle[0] + 20 or hot[1] > idle[1] + 15, f"{button}: hot {hot}, idle {idle}")
            self.assertLess(abs(left[0] - idle[0]), 2.0, f"{button} stays hot")
        self.assertGreater(look("recoloured")[2], 0, "Next kept the background of its old place")
        self.assert_quit(r)


if __name__ == "__main__":
    unittest.main(verbosity=2)
