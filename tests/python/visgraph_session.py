"""The control in a window, driven step by step in a process of its own (its X display and CUPS
scheduler come from the environment: DISPLAY, CUPS_SERVER). Run as

    python visgraph_session.py SCENARIO FOLDER

Each step writes "== <step>" to standard error before it runs, so that the trace lines of the step
follow its marker; screenshots go to FOLDER/<step>.npy, results to standard output as JSON."""

import json
import os
import sys
import time

import numpy as np
from Xlib import X, XK
from Xlib import display as xdisplay
from Xlib.protocol import event

import scripthost

# The scene the window tests draw: a bump on a 64 x 64 grid, seen from 60 degrees below the top.
GRID = 64


def density():
    i = np.arange(GRID, dtype=float)
    return np.exp(-((i[:, None] - 30) ** 2 + (i[None, :] - 34) ** 2) / 200.0)


def set_scene(graph):
    graph.SetDensity(GRID, GRID, density())
    graph.Elevation = -60


def step(name):
    print(f"== {name}", file=sys.stderr, flush=True)


class Session:
    def __init__(self, folder):
        self.folder = folder
        self.x = xdisplay.Display()
        self.root = self.x.screen().root
        self.graph = scripthost.CreateObject("Lumenar.VisGraph")
        self.site = scripthost.ControlSite(self.graph)

    def pump(self, seconds=0.3):
        """Lets the control handle its events for a while (X delivers asynchronously)."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.site.pump()
            time.sleep(0.02)

    def shot(self, name, x, y, width, height):
        raw = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
        pixels = np.frombuffer(raw, np.uint8).reshape(height, width, 4)[:, :, 2::-1]
        np.save(os.path.join(self.folder, name + ".npy"), pixels)

    def key(self, character):
        window = self.x.create_resource_object("window", self.site.window)
        keycode = self.x.keysym_to_keycode(XK.string_to_keysym(character))
        press = event.KeyPress(time=X.CurrentTime, root=self.root, window=window, same_screen=1, child=X.NONE,
                               root_x=0, root_y=0, event_x=0, event_y=0, state=0, detail=keycode)
        window.send_event(press, propagate=True)
        self.x.flush()


def window(folder):
    """The control embedded in a parent window of the test's own at the screen's top-left corner."""
    s = Session(folder)
    screen = s.x.screen()
    parent = s.root.create_window(0, 0, 500, 400, 0, screen.root_depth, X.InputOutput, X.CopyFromParent,
                                  background_pixel=screen.black_pixel)
    parent.map()
    s.x.sync()
    results = {}

    step("placeholder")
    s.site.create(parent.id, 300, 200)
    s.pump()
    s.shot("placeholder", 0, 0, 300, 200)

    step("build")
    set_scene(s.graph)
    s.graph.plotType = 11
    s.pump(1.0)
    s.shot("build", 0, 0, 300, 200)

    step("repaint")
    s.site.show(False)
    s.site.show(True)
    s.pump()
    s.shot("repaint", 0, 0, 300, 200)

    step("resize")
    s.site.resize(400, 250)
    s.pump()
    s.shot("resize", 0, 0, 400, 250)

    step("snapshot")
    s.graph.Snapshot(os.path.join(folder, "snapshot.jpg"))
    s.pump()
    s.shot("after_snapshot", 0, 0, 400, 250)

    step("wireframe")
    s.key("w")
    s.pump()
    s.shot("wireframe", 0, 0, 400, 250)

    step("surface")
    s.key("s")
    s.pump()
    s.shot("surface", 0, 0, 400, 250)

    step("redraw")
    s.graph.Redraw()
    s.pump()

    step("placeholder_again")
    s.graph.plotType = 0
    s.pump()
    s.shot("placeholder_again", 0, 0, 400, 250)
    s.graph.Snapshot(os.path.join(folder, "snapshot_without_scene.jpg"))

    step("failing_build")
    s.graph.SetResolution(GRID * 2, GRID)
    s.graph.plotType = 11
    try:
        s.pump()
    except scripthost.AutomationError as e:
        results["failing_build"] = [e.hresult, e.description]

    step("destroy")
    s.site.destroy()
    results["window_after_destroy"] = s.site.window

    step("parent_gone")
    # The host destroys its window, and with it the control's and VTK's, before it lets the
    # control go; a parent that does not exist is refused.
    other = Session(folder)
    doomed = s.root.create_window(0, 0, 200, 200, 0, screen.root_depth, X.InputOutput, X.CopyFromParent)
    doomed.map()
    s.x.sync()
    other.site.create(doomed.id, 150, 150)
    set_scene(other.graph)
    other.graph.plotType = 11
    other.pump()
    doomed.destroy()
    s.x.sync()
    other.pump()
    other.site.destroy()
    try:
        other.site.create(doomed.id, 150, 150)
    except scripthost.AutomationError as e:
        results["parent_gone"] = [e.hresult, e.description]
    return results


def print_(folder):
    """Prints a built scene, then a control without a scene."""
    s = Session(folder)
    s.site.create(0, 300, 200)
    set_scene(s.graph)
    s.graph.plotType = 11
    s.pump()
    step("print")
    s.graph.Print()
    s.pump()
    s.shot("after_print", 0, 0, 300, 200)
    step("print_without_scene")
    scripthost.CreateObject("Lumenar.VisGraph").Print()
    return {}


def no_printer(folder):
    try:
        scripthost.CreateObject("Lumenar.VisGraph").Print()
    except scripthost.AutomationError as e:
        return {"error": [e.hresult, e.description]}
    return {"error": None}


SCENARIOS = {"window": window, "print": print_, "no_printer": no_printer}

if __name__ == "__main__":
    name, out = sys.argv[1], sys.argv[2]
    print(json.dumps(SCENARIOS[name](out)))
