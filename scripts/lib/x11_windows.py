"""What the X server says about windows: stacking order, geometry, map state and override-redirect,
read with xwininfo and xdotool (x11-utils, xdotool)."""

import re
import subprocess


class X11Windows:
    def __init__(self, env):
        self.env = env

    def _run(self, *argv):
        return subprocess.run(list(argv), env=self.env, capture_output=True, text=True, check=True).stdout

    def find(self, name, visible=True):
        """Ids of the windows titled exactly `name` (only those mapped and viewable, by default)."""
        argv = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", "^%s$" % re.escape(name)]
        found = subprocess.run(argv, env=self.env, capture_output=True, text=True)
        return [int(value) for value in found.stdout.split()]

    def stacking(self):
        """The root window's children, topmost first."""
        out = self._run("xwininfo", "-root", "-children")
        return [int(match, 16) for match in re.findall(r"^\s+(0x[0-9a-f]+) ", out, re.MULTILINE)]

    def parent(self, window):
        out = self._run("xwininfo", "-id", str(window), "-children")
        return int(re.search(r"Parent window id: (0x[0-9a-f]+)", out).group(1), 16)

    def root(self):
        out = self._run("xwininfo", "-root")
        return int(re.search(r"Window id: (0x[0-9a-f]+)", out).group(1), 16)

    def top_level(self, window):
        """The child of the root that holds `window` (its window manager frame, or itself)."""
        root = self.root()
        while True:
            parent = self.parent(window)
            if parent == root or parent == 0:
                return window
            window = parent

    def stats(self, window):
        out = self._run("xwininfo", "-id", str(window), "-stats")
        value = lambda label: re.search(r"%s:\s+(.*)" % re.escape(label), out).group(1).strip()
        return {
            "x": int(value("Absolute upper-left X")),
            "y": int(value("Absolute upper-left Y")),
            "width": int(value("Width")),
            "height": int(value("Height")),
            "viewable": value("Map State") == "IsViewable",
            "override_redirect": value("Override Redirect State") == "yes",
        }

    def geometry(self, window):
        stats = self.stats(window)
        return stats["x"], stats["y"], stats["width"], stats["height"]

    def is_above(self, upper, lower):
        """Whether top-level `upper` is stacked above the top-level window holding `lower`."""
        order = self.stacking()
        return order.index(self.top_level(upper)) < order.index(self.top_level(lower))

    def work_area(self):
        out = self._run("xprop", "-root", "_NET_WORKAREA")
        numbers = [int(value) for value in re.findall(r"\d+", out.split("=", 1)[1])]
        return tuple(numbers[:4])
