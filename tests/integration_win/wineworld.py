"""The Wine world of the Windows tests (scripts/wine-env): its environment,
the per-user shell folders inside its prefix, and running a program in it."""
import os
import pathlib
import shlex
import subprocess

# Runs a program with the world's own Wine (Debian's 64-bit Wine, or the
# WoW64 Wine that also runs the 32-bit build).
WINE = str(pathlib.Path(__file__).resolve().parents[2] / "scripts" / "wine-run")


def wine_env():
    """The variables of $SETUP_WINE_STATE/env merged into os.environ."""
    env = dict(os.environ)
    state = pathlib.Path(os.environ["SETUP_WINE_STATE"])
    for line in (state / "env").read_text().splitlines():
        if line.startswith("export "):
            name, _, value = line[len("export "):].partition("=")
            env[name] = shlex.split(value)[0] if value else ""
    return env


class Folders:
    """Per-user shell folders of the prefix (as the Windows shell resolves them)."""

    def __init__(self, env):
        self.prefix = pathlib.Path(env["WINEPREFIX"])
        users = self.prefix / "drive_c" / "users"
        user = next(p for p in sorted(users.iterdir()) if p.name != "Public" and p.is_dir())
        self.user = user
        self.desktop = user / "Desktop"
        self.programs = user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
        self.startup = self.programs / "StartUp"
        self.drive_c = self.prefix / "drive_c"

    def host_path(self, windows_path):
        """C:\\a\\b -> <prefix>/drive_c/a/b."""
        assert windows_path[1:3] == ":\\", windows_path
        assert windows_path[0].upper() == "C"
        return self.drive_c.joinpath(*[p for p in windows_path[3:].split("\\") if p])


def run(env, program, *args, timeout=120):
    """Runs program under Wine and returns its exit code."""
    done = subprocess.run([WINE, str(program), *map(str, args)], env=env, timeout=timeout,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return done.returncode
