"""An independent writer of the uninstaller's installed-entries list block,
made from the byte layout in docs/uninstall-list.md, and of the install
record the installer appends behind it. Used by the Wine tests to lay out
uninstallers without mksetup, and to damage them on purpose."""
import struct

PKG_MAGIC = 0x12030416
RECORD_SIZE = 788
SELF, FOLDER, FILE, MENU_LINK = 1, 2, 3, 4


def checksum(data):
    """The package checksum: CRC-32 table, started from 0, no final inversion."""
    h = 0
    for b in data:
        h ^= b
        for _ in range(8):
            h = (h >> 1) ^ 0xEDB88320 if h & 1 else h >> 1
    return h


def list_block(self_name, folders, files, menu_links):
    items = [(SELF, self_name)] + [(FOLDER, n) for n in folders] + [(FILE, n) for n in files] + \
        [(MENU_LINK, n) for n in menu_links]
    body = struct.pack("<4sIII", b"ULST", 1, len(items), 0)
    for kind, name in items:
        raw = name.encode("utf-8")
        body += struct.pack("<HHI", kind, 0, len(raw)) + raw
    return body + struct.pack("<III4s", len(body) + 16, checksum(body), 0, b"UEND")


def install_record(offset, start_menu="", product="", autostart=""):
    def slot(text):
        return text.encode("utf-8").ljust(256, b"\0")[:256]
    return struct.pack("<5I", offset, 0, PKG_MAGIC, 0, 0) + slot(start_menu) + slot(product) + slot(autostart)
