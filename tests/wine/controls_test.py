#!/usr/bin/env python3
"""The skinned button and the picture object in configurations the wizard
never uses, on the stage program (stage.cpp), checked by screenshots' pixels
and the pointer's picture on the X display."""
import unittest

from wineworld import BIN, ENV, SHOTS, WORK, Shot, cursor_image, drive, read_bmp, windows_path

FULL, DISABLED, NO_DISABLED_FACE, NO_FACES, GREY_IDLE, NO_CURSOR = 101, 102, 103, 104, 105, 106
PLACES = {FULL: (20, 20), DISABLED: (120, 20), NO_DISABLED_FACE: (220, 20), NO_FACES: (20, 90), GREY_IDLE: (120, 90)}
FACE = (60, 30)
YELLOW, RED, GREEN, BLUE = (0xF0, 0xE0, 0x10), (0xC8, 0x1E, 0x1E), (0x1E, 0xA0, 0x3C), (0x28, 0x46, 0xC8)
GREY_OF_YELLOW, GREY_OF_RED = (205, 205, 205), (80, 80, 80)  # 0.587 G + 0.114 B + 0.299 R, truncated


def background(x, y):
    """The stage's own pattern at client pixel (x, y)."""
    return x % 256, y % 256, 128


class ControlsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        WORK.mkdir(parents=True, exist_ok=True)
        cls.cursors, hooks = {}, {}
        for name in ("hand", "plain"):
            hooks[WORK / f"cursor-{name}.hook"] = lambda n=name: cls.cursors.update({n: cursor_image(ENV["DISPLAY"])})
        hook = {name: "hook=" + windows_path(path) for name, path in zip(("hand", "plain"), hooks)}
        cls.report = drive("controls", [
            f"start={windows_path(BIN / 'wine_stage.exe')}", "main", "hover=0", "shot=stage:0",
            f"hover={FULL}", f"shot=hot:{FULL}", hook["hand"], f"hover={NO_CURSOR}", hook["plain"],
            f"press={FULL}", f"shot=pressed:{FULL}", "release",
            # A drag begun on the background does not light the button; the next move after the release does.
            "hover=0", "press=0", f"hover={FULL}", f"shot=dragged:{FULL}", "release", "hover=0",
            f"hover={FULL}", f"shot=after:{FULL}", "hover=0", "close", "exit"], hooks=hooks)
        cls.stage = staticmethod(Shot("controls", "stage", cls.report).pixel)

    def face(self, name):
        width, height, pixel = read_bmp(SHOTS / "controls" / f"{name}.bmp")
        self.assertEqual((width, height), FACE)
        return pixel

    def test_faces_for_each_state(self):
        at = lambda button, x, y: self.stage(PLACES[button][0] + x, PLACES[button][1] + y)
        # Idle, disabled with and without a disabled face, and the grey idle face.
        for button, frame, fill in ((FULL, YELLOW, GREEN), (DISABLED, YELLOW, BLUE), (NO_DISABLED_FACE, YELLOW, RED),
                                    (GREY_IDLE, GREY_OF_YELLOW, GREY_OF_RED)):
            self.assertEqual((at(button, 0, 0), at(button, 5, 5)), (frame, fill), button)
        # The grey face keeps the transparent pixels transparent; without faces only the background shows.
        for button in (GREY_IDLE, FULL):
            self.assertEqual(at(button, 21, 11), background(PLACES[button][0] + 21, PLACES[button][1] + 11))
        x0, y0 = PLACES[NO_FACES]
        self.assertTrue(all(at(NO_FACES, x, y) == background(x0 + x, y0 + y) for x in range(60) for y in range(30)))

    def test_hover_press_and_drag(self):
        x0, y0 = PLACES[FULL]
        hot, pressed = self.face("hot"), self.face("pressed")
        self.assertEqual((hot(0, 0), hot(5, 5)), (YELLOW, RED))
        # Pressed: the hot face one pixel right and down, over the background copy.
        self.assertEqual([pressed(x, 0) for x in range(60)] + [pressed(0, y) for y in range(30)],
                         [background(x0 + x, y0) for x in range(60)] + [background(x0, y0 + y) for y in range(30)])
        self.assertEqual((pressed(1, 1), pressed(59, 29), pressed(6, 6)), (YELLOW, RED, RED))
        self.assertEqual((self.face("dragged")(5, 5), self.face("after")(5, 5)), (GREEN, RED))

    def test_hover_cursor_and_its_removal(self):
        width, height, x, y, pixel = self.cursors["hand"]
        self.assertEqual((width, height, (x, y), pixel(x, y)), (32, 32, (13, 5), (0xFF, 0, 0, 0)))
        self.assertNotEqual(self.cursors["plain"][2:4], (13, 5), "SetHoverCursor(0) left the hand")

    def test_pictures_that_draw_nothing_or_the_second_one(self):
        # Bytes that are no picture draw nothing; a second load replaces the first.
        stage = self.stage
        self.assertTrue(all(stage(x, y) == background(x, y) for x in range(20, 60) for y in range(180, 220)))
        self.assertTrue(all(stage(x, y) == BLUE for x in range(120, 136) for y in range(180, 196)))
        self.assertTrue(all(stage(x, y) == background(x, y) for x in range(137, 160) for y in range(197, 220)))


if __name__ == "__main__":
    unittest.main(verbosity=2)
