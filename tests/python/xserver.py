"""Private servers for the control's tests: a virtual X server and a CUPS scheduler, each started
for the test in its own folder on names of its own choosing (never a fixed display or port), and
stopped with the test."""

import os
import pathlib
import select
import shutil
import signal
import subprocess
import time


class Xvfb:
    """An Xvfb on a display number it picks itself (-displayfd)."""

    def __init__(self, width=1024, height=768):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-nolisten", "tcp", "-screen", "0", f"{width}x{height}x24"],
            pass_fds=[write_fd], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_fd], [], [], max(0.0, deadline - time.monotonic()))
            chunk = os.read(read_fd, 16) if ready else b""
            if not chunk:
                os.close(read_fd)
                self.stop()
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_fd)
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Cups:
    """A CUPS scheduler of the test's own: configuration, spool and socket in `folder`, and one
    raw printer per name whose device writes what it receives to files in the folder (a backend
    of the test's own, "capture": job N's document goes to <name>.N.out, its title to
    <name>.N.title)."""

    def __init__(self, folder, printers):
        self.folder = pathlib.Path(folder)
        self.socket = str(self.folder / "cups.sock")
        for sub in ("spool", "tmp", "cache", "state", "log", "ppd"):
            (self.folder / sub).mkdir(parents=True, exist_ok=True)
        os.chmod(self.folder / "spool", 0o1777)
        os.chmod(self.folder / "tmp", 0o1777)
        f = self.folder
        backend = f / "bin" / "backend" / "capture"
        backend.parent.mkdir(parents=True, exist_ok=True)
        backend.write_text('#!/bin/sh\n[ $# -eq 0 ] && exit 0\nout="${DEVICE_URI#capture:}.$1"\n'
                           'printf %s "$3" > "$out.title"\ncat "${6:--}" > "$out.part" && mv "$out.part" "$out.out"\n')
        os.chmod(backend, 0o700)
        # The scheduler starts backends through its helpers in the daemon folder.
        (f / "bin" / "daemon").symlink_to("/usr/lib/cups/daemon")
        (f / "cupsd.conf").write_text(
            f"Listen {self.socket}\nLogLevel {os.environ.get('CUPS_TEST_LOGLEVEL', 'warn')}\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
        (f / "cups-files.conf").write_text(
            f"ServerRoot {f}\nRequestRoot {f}/spool\nTempDir {f}/tmp\nCacheDir {f}/cache\n"
            f"StateDir {f}/state\nAccessLog {f}/log/access_log\nErrorLog {f}/log/error_log\n"
            f"PageLog {f}/log/page_log\nServerBin {f}/bin\n"
            "DataDir /usr/share/cups\n")
        entries = "".join(
            f"<Printer {name}>\nState Idle\nAccepting Yes\nDeviceURI capture:{f}/{name}\n</Printer>\n"
            for name in printers)
        (f / "printers.conf").write_text(entries)
        self.process = subprocess.Popen(
            ["cupsd", "-f", "-c", str(f / "cupsd.conf"), "-s", str(f / "cups-files.conf")],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
        deadline = time.monotonic() + 20
        while not os.path.exists(self.socket):
            if self.process.poll() is not None or time.monotonic() > deadline:
                error = self.process.stderr.read().decode() if self.process.poll() is not None else ""
                self.stop()
                raise RuntimeError("cupsd did not start: " + error + self.log())
            time.sleep(0.05)

    def job(self, name, number, timeout=30):
        """The document and title of job `number` on printer `name`, once the device has it."""
        document, title = self.folder / f"{name}.{number}.out", self.folder / f"{name}.{number}.title"
        deadline = time.monotonic() + timeout
        while not document.exists():
            if time.monotonic() > deadline:
                raise TimeoutError(f"job {number} did not reach {name}: " + self.log())
            time.sleep(0.05)
        return document.read_bytes(), title.read_text()

    def log(self):
        path = self.folder / "log" / "error_log"
        return path.read_text() if path.exists() else ""

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def have(program):
    return shutil.which(program) is not None
