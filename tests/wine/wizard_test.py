#!/usr/bin/env python3
"""The installer's wizard as drawn and driven under Wine on Xvfb: pages forward
and back, the mouse and the keyboard, the folder page, the skinned buttons.
Every page is photographed into <build>/screenshots/wizard-* for a person to
look at; the checks read pixels of those pictures."""
import struct
import subprocess
import unittest

from wineworld import BIN, SHOTS, WORK, Folders, Product, drive, read_bmp, to_folder_page, to_png

IDOK, IDCANCEL = 1, 2
NEXT, CANCEL, BACK, BROWSE, LANGUAGE, AGREEMENT, AGREE, PATH = 1, 2, 1011, 1010, 1006, 1007, 1008, 1009
QUIT = "你确定要退出安装吗?"
BAD_FOLDER = "安装路径无效, 请重新输入或点击“浏览”选择安装路径!"
PICTURE_FRAME, PICTURE_FILL = (0x20, 0x20, 0x20), (0x2E, 0x8B, 0x57)
AGREEMENT_TEXT = "最终用户许可协议\r\n\r\n1. 本软件按“原样”提供。\r\n2. 未经许可，不得转售本软件。\r\n"


def program_files():
    """The Program Files folder setup.exe is shown: a 32-bit program gets the (x86) one."""
    exe = (BIN / "setup.exe").read_bytes()
    machine, = struct.unpack_from("<H", exe, struct.unpack_from("<I", exe, 0x3C)[0] + 4)
    return "C:\\Program Files (x86)" if machine == 0x14C else "C:\\Program Files"


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


def shot(name, picture_name):
    return read_bmp(SHOTS / name / (picture_name + ".bmp"))


def heading_pixels(name, picture_name, report):
    """Pixels of the heading colour RGB(5, 94, 172) in the heading's band of the client area."""
    width, _, pixel = shot(name, picture_name)
    dx, dy = map(int, report.get("shot." + picture_name).split(","))
    return sum(1 for x in range(dx + 15, width - 15) for y in range(dy + 20, dy + 100)
               if all(abs(a - b) < 24 for a, b in zip(pixel(x, y), (5, 94, 172))))


def quit_steps():
    return [f"click={CANCEL}", "dialog", f"answer={IDOK}", "exit"]


class WizardTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        WORK.mkdir(parents=True, exist_ok=True)

    def assert_quit(self, r):
        self.assertEqual(r.get("dialog.caption"), "退出")
        self.assertEqual(r.get("dialog.text"), QUIT)
        self.assertEqual(r.get("exit"), "1602")

    # Pages 0 to 6 forward with the agreement box, then back to 0; every page photographed.
    def test_walks_pages_forward_and_back(self):
        p = full_product("wizard-walk")
        r = drive(p.name, to_folder_page(p.installer)[:3] + [
            "shot=page0", f"hidden={BACK}", f"shown={NEXT}", f"shown={CANCEL}", f"click={NEXT}", "page=1",
            f"shown={BACK}", f"read={LANGUAGE}", "shot=page1", f"click={LANGUAGE}", "sleep=300",
            f"click={LANGUAGE}", f"read={LANGUAGE}", "page=1", f"click={NEXT}", "page=2", f"hidden={NEXT}",
            f"read={AGREEMENT}", "shot=page2", f"click={AGREE}", f"shown={NEXT}", f"click={AGREE}", f"hidden={NEXT}",
            f"click={AGREE}", f"shown={NEXT}", f"click={NEXT}", "page=3", f"read={PATH}", "shot=page3",
            # Next runs the environment check (page 4) and lands on the confirmation.
            f"click={NEXT}", "page=6", f"shown={NEXT}", "shot=page6", f"click={BACK}", "page=3", f"click={BACK}",
            "page=2", f"shown={NEXT}", f"click={BACK}", "page=1", f"click={BACK}", "page=0", f"hidden={BACK}",
            *quit_steps()])
        width, height, pixel = shot(p.name, "page0")
        self.assertEqual((width, height), (600, 360))
        dx, dy = map(int, r.get("shot.page0").split(","))
        self.assertEqual(pixel(dx + 30, dy + 90), PICTURE_FRAME, "the picture's corner is at (30, 90)")
        self.assertEqual(pixel(dx + 40, dy + 100), PICTURE_FILL)
        self.assertGreater(heading_pixels(p.name, "page0", r), 50, "no heading painted")
        self.assertEqual(r.all("text.1006"), ["简体中文"] * 2)
        self.assertEqual(r.get("text.1007").replace("\r\n", "\n"), AGREEMENT_TEXT.replace("\r\n", "\n"))
        self.assertEqual(r.get("text.1009"), program_files() + "\\Demo产品")
        self.assert_quit(r)
        for page in (0, 1, 2, 3, 6):
            to_png(SHOTS / p.name / f"page{page}.bmp")

    # Enter is Next but does not pass an unticked agreement; Space unticks the
    # focused box. Cancel, Esc and Alt+F4 ask; only OK ends the wizard.
    def test_keyboard_and_the_ways_out(self):
        p = full_product("wizard-keys")
        r = drive(p.name, to_folder_page(p.installer)[:3] + [
            "key=enter", "page=1", f"click={NEXT}", "page=2", "key=enter", "sleep=500", "page=2", f"hidden={NEXT}",
            f"click={AGREE}", f"shown={NEXT}", "key=space", f"hidden={NEXT}", "key=enter", "sleep=500", "page=2",
            # Enter took the focus to the hidden Next: the box is ticked with the mouse again.
            f"click={AGREE}", f"shown={NEXT}", "key=enter", "page=3",
            f"click={CANCEL}", "dialog", "shot=quit", f"answer={IDCANCEL}", "sleep=300", "page=3",
            "key=esc", "dialog", f"answer={IDCANCEL}", "page=3", "close", "dialog", f"answer={IDOK}", "exit"])
        self.assertEqual(r.all("dialog.text"), [QUIT] * 3)
        self.assert_quit(r)
        to_png(SHOTS / p.name / "quit.bmp")

    # Browse opens the folder picker: cancelled it changes nothing, a picked
    # folder gets the product's folder. Bad folders keep the wizard on the
    # page; a good one is trimmed as Windows would create it. A shorter text
    # leaves nothing of a longer one behind in the see-through field.
    def test_folder_page(self):
        p = full_product("wizard-folder")
        # Refused by the rules, and by the real file system: a file, a drive that
        # does not exist, a folder no folder can be made in (Wine's Z: is /), a
        # link to elsewhere (nothing is made through it, the probe folder included).
        link = Folders().host("C:\\E2E LinkRoot")
        if not link.is_symlink():
            link.symlink_to(Folders().host("C:\\windows"), target_is_directory=True)
        bad = ["relative\\folder", "C:\\bad|name", "C:\\CON\\App", "C:\\windows\\win.ini", "C:\\" + "d" * 244,
               "Q:\\App", "Z:\\proc\\App", "C:\\E2E LinkRoot\\App"]
        steps = to_folder_page(p.installer) + [
            f"read={PATH}", f"click={BROWSE}", "dialog", "shot=browse", f"answer={IDCANCEL}", f"read={PATH}",
            f"click={BROWSE}", "dialog", "pick", f"read={PATH}", "page=3", "shot=picked",
            "type=C:\\" + "W" * 44, "sleep=300", "type=C:\\W", "sleep=300", "shot=retyped"]
        for folder in bad:
            steps += [f"type={folder}", f"click={NEXT}", "dialog", f"answer={IDOK}", "sleep=200", "page=3"]
        steps += ["type=C:\\Apps. \\Demo ", f"click={NEXT}", "page=6", f"click={BACK}", "page=3", f"read={PATH}",
                  *quit_steps()]
        r = drive(p.name, steps)
        default, cancelled, picked, typed = r.all("text.1009")
        self.assertEqual(cancelled, default)
        self.assertTrue(picked.endswith("\\Demo产品") and picked[1] == ":" and "\\\\" not in picked, picked)
        self.assertEqual(typed, "C:\\Apps\\Demo")
        self.assertEqual(r.all("dialog.text")[2:-1], [BAD_FOLDER] * len(bad))
        self.assertFalse(Folders().host("C:\\Apps").exists(), "the folder check created a folder")
        _, _, pixel = shot(p.name, "retyped")
        dx, dy = map(int, r.get("shot.retyped").split(","))
        dark = [(x, y) for x in range(dx + 250, dx + 490) for y in range(dy + 213, dy + 229) if sum(pixel(x, y)) < 384]
        self.assertEqual(dark, [], "old text left in the path field")
        self.assert_quit(r)
        for name in ("browse", "picked", "retyped"):
            to_png(SHOTS / p.name / (name + ".bmp"))

    # The pointer over a button shows its hot face, lighter or more saturated
    # than the idle one, until it leaves. When the system colours change, the
    # dialog tells its skinned buttons, which take a new copy of their background.
    def test_skinned_buttons(self):
        p = full_product("wizard-buttons")
        steps = to_folder_page(p.installer)[:3] + [f"click={NEXT}", "page=1"]
        for button in (NEXT, BACK, CANCEL):
            steps += ["hover=0", f"shot=idle{button}:{button}", f"hover={button}", f"shot=hot{button}:{button}",
                      "hover=0", "sleep=1000", f"shot=left{button}:{button}"]
        steps += [f"click={BACK}", "page=0", "hover=0", "recolour=recoloured"]
        r = drive(p.name, steps + quit_steps())

        def look(picture_name):
            width, height, pixel = shot(p.name, picture_name)
            pixels = [pixel(x, y) for x in range(width) for y in range(height)]
            return (sum(map(sum, pixels)) / len(pixels), sum(max(q) - min(q) for q in pixels) / len(pixels),
                    sum(1 for q in pixels if q == PICTURE_FILL))
        for button in (NEXT, BACK, CANCEL):
            idle, hot, left = look(f"idle{button}"), look(f"hot{button}"), look(f"left{button}")
            self.assertTrue(hot[0] > idle[0] + 20 or hot[1] > idle[1] + 15, f"{button}: hot {hot}, idle {idle}")
            self.assertLess(abs(left[0] - idle[0]), 2.0, f"{button} stays hot")
        self.assertGreater(look("recoloured")[2], 0, "Next kept the background of its old place")
        self.assert_quit(r)

    # No picture, no agreement, an empty heading: the wizard runs without them.
    def test_package_without_picture_agreement_and_heading(self):
        p = Product("wizard-plain", "Demo产品", heading="").build()
        r = drive(p.name, to_folder_page(p.installer)[:3] + [
            "shot=page0", f"click={NEXT}", "page=1", f"click={NEXT}", "page=2", f"read={AGREEMENT}", f"click={AGREE}",
            f"shown={NEXT}", f"click={NEXT}", "page=3", f"click={NEXT}", "page=6", *quit_steps()])
        _, _, pixel = shot(p.name, "page0")
        dx, dy = map(int, r.get("shot.page0").split(","))
        self.assertNotEqual(pixel(dx + 30, dy + 90), PICTURE_FRAME)
        self.assertEqual(heading_pixels(p.name, "page0", r), 0)
        self.assertEqual(r.get("text.1007"), "")
        self.assert_quit(r)


if __name__ == "__main__":
    unittest.main(verbosity=2)
