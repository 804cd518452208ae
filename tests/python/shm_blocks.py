"""The shared blocks a test process leaves behind, told apart from the blocks of other programs that
run beside the tests (other test files, test runs of other checkouts)."""

import gc
import os
import time

SHM = "/dev/shm"


def _files_held(pid):
    """(device, inode) of every file process `pid` has open or mapped."""
    held = set()
    try:
        fds = os.listdir(f"/proc/{pid}/fd")
    except OSError:
        return held
    for fd in fds:
        try:
            st = os.stat(f"/proc/{pid}/fd/{fd}")
        except OSError:
            continue
        held.add((st.st_dev, st.st_ino))
    try:
        with open(f"/proc/{pid}/maps") as maps:
            for line in maps:
                fields = line.split()
                if len(fields) >= 5 and fields[4] != "0":
                    major, minor = (int(v, 16) for v in fields[3].split(":"))
                    held.add((os.makedev(major, minor), int(fields[4])))
    except OSError:
        pass
    return held


def _left_by_us(blocks):
    """Of {name: (device, inode)}, the blocks this process still holds and those no process holds
    (a block's creator keeps it mapped while it lives, so those are orphans); the others belong to
    live programs beside us."""
    ours = _files_held("self")
    others = set()
    for pid in os.listdir("/proc"):
        if pid.isdigit() and int(pid) != os.getpid():
            others |= _files_held(pid)
    return {name for name, key in blocks.items() if key in ours or key not in others}


def blocks_left_behind(before, wait=5.0):
    """The names that appeared in the shared-memory folder since the listing `before` and that this
    process left behind, after a garbage collection and up to `wait` seconds for releases to land."""
    gc.collect()
    deadline = time.monotonic() + wait
    while True:
        blocks = {}
        for name in set(os.listdir(SHM)) - before:
            try:
                st = os.stat(os.path.join(SHM, name))
            except OSError:
                continue  # gone meanwhile
            blocks[name] = (st.st_dev, st.st_ino)
        left = _left_by_us(blocks) if blocks else set()
        if not left or time.monotonic() >= deadline:
            return left
        time.sleep(0.1)
