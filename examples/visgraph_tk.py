"""The VisGraph control in a Tk window: the joint distribution of aggregate loss and ALAE (a Gumbel
copula, Kendall's tau 0.5, Poisson 6 claims) drawn by the control inside a Tk frame. Keys typed
over the picture go to VTK ('w' wireframe, 's' surface, 'r' reset the camera); the buttons write a
snapshot or print the picture.

    python3 examples/visgraph_tk.py [FOLDER]        # snapshots go to FOLDER (default build/demo)
    python3 examples/visgraph_tk.py --check FOLDER  # draws, writes one snapshot and quits
"""

import os
import sys
import tkinter as tk

import numpy as np

from scripthost import AutomationError, ControlSite, CreateObject, constants

check = "--check" in sys.argv
args = [a for a in sys.argv[1:] if a != "--check"]
out_dir = args[0] if args else os.path.join("build", "demo")
os.makedirs(out_dir, exist_ok=True)

# The distribution, as in the main example; the control reads its shared block by its ID.
n_l2 = 7
k = np.arange(2 ** n_l2, dtype=float)
loss = k ** 2 * np.exp(-k / 4.0)
alae = k * np.exp(-k / 4.0)
agg = CreateObject("Corvane.AggCo")
_, biv = agg.CreateBivDistEmp1D(constants.fqPoisson, [6.0], loss / loss.sum(), alae / alae.sum(), constants.bvGumbel,
                                0.5, n_l2, n_l2, 10_000.0, 1_000.0)

root = tk.Tk()
root.title("Loss and ALAE: Lumenar/VTK Viewer")
frame = tk.Frame(root, width=640, height=480, background="white")
frame.pack(fill=tk.BOTH, expand=True)
status = tk.StringVar(value="Type w, s or r over the picture")
bar = tk.Frame(root)
bar.pack(fill=tk.X)
root.update_idletasks()

graph = CreateObject("Lumenar.VisGraph")
site = ControlSite(graph)
site.create(frame.winfo_id(), frame.winfo_width(), frame.winfo_height())
graph.MappingName(biv.ID)
graph.Elevation, graph.Azimuth = -60.0, 30.0
graph.Decorations("Loss and ALAE, Gumbel copula tau 0.5, 6 claims", "ALAE", "loss", "", 1)
graph.plotType = 11


def snapshot():
    path = os.path.abspath(os.path.join(out_dir, "visgraph_snapshot.jpg"))
    graph.Snapshot(path)
    status.set(f"Snapshot written to {path}")
    return path


def print_picture():
    try:
        graph.Print()
        status.set("Sent to the printer")
    except AutomationError as e:
        status.set(f"Not printed: {e.description}")


tk.Button(bar, text="Snapshot", command=snapshot).pack(side=tk.LEFT)
tk.Button(bar, text="Print", command=print_picture).pack(side=tk.LEFT)
tk.Label(bar, textvariable=status, anchor="w").pack(side=tk.LEFT, fill=tk.X)

# The control follows the frame's size, and handles its window's events from Tk's loop.
frame.bind("<Configure>", lambda e: site.resize(e.width, e.height))


def pump():
    site.pump()
    root.after(20, pump)


def close():
    site.destroy()
    root.destroy()


pump()
root.protocol("WM_DELETE_WINDOW", close)
if check:
    root.after(1500, lambda: (print(snapshot()), close()))
root.mainloop()
