"""Reads shell shortcut (.lnk) files with the independent `lnkinfo` tool and
gives the fields the installer's shortcuts are checked on."""
import subprocess


def read_lnk(path):
    """Returns a dict with 'target', 'description', 'icon', 'icon_index' ('' or
    None where the shortcut holds no such field)."""
    out = subprocess.run(["lnkinfo", str(path)], check=True, capture_output=True).stdout
    text = out.decode("utf-8", errors="replace")
    fields = {"target": None, "description": None, "icon": None, "icon_index": None}
    keys = {
        "Local path": "target",
        "Description": "description",
        "Icon location": "icon",
        "Icon index": "icon_index",
    }
    for line in text.splitlines():
        if ":" not in line:
            continue
        name, _, value = line.strip().partition(":")
        name = name.strip()
        if name in keys and fields[keys[name]] is None:
            # lnkinfo separates name and value by tabs, then ": ".
            fields[keys[name]] = value[1:] if value.startswith(" ") else value
    if fields["icon_index"] is not None:
        fields["icon_index"] = int(fields["icon_index"])
    return fields
