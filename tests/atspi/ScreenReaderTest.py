#!/usr/bin/env python3
"""The terminal window read the way a screen reader reads it: over AT-SPI.

Starts the program on an X server and a D-Bus session of its own with the accessibility bus,
on a socat pair of pseudo-terminals linked into /dev (the program lists /dev/cu.*) where /dev
takes links, or else on a raw TCP port the test serves, given on the command line; finds the
window through AT-SPI, and checks that the receive view reads what the far end sent, that the
editor reads what was typed, that new text is told to a reader while the user is in the view,
and that every control has a name. Usage: ScreenReaderTest.py PROGRAM

Exits 77 (skipped) when a tool it needs is missing, unless
SERIALTERM_REQUIRE_ATSPI is set, as in CI, where that is a failure.
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
TOOLS = ["Xvfb", "dbus-run-session", "dbus-send", "socat", "xdotool"]


def skip(reason):
    print("ScreenReaderTest: " + reason, file=sys.stderr)
    sys.exit(1 if os.environ.get("SERIALTERM_REQUIRE_ATSPI") else SKIPPED)


def wait_for(what, check, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        pump()
        found = check()
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def pump():
    from gi.repository import GLib
    while GLib.MainContext.default().iteration(False):
        pass


def find(root, check):
    """The accessibles below root for which check holds, depth first."""
    found = []
    stack = [root]
    while stack:
        node = stack.pop()
        if node is None:
            continue
        try:
            if check(node):
                found.append(node)
            stack.extend(node.getChildAtIndex(i) for i in reversed(range(node.childCount)))
        except Exception:  # an object gone while we walk
            continue
    return found


def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, text.characterCount)


class Session:
    """The X server, the pty pair and the program, ended in reverse order."""

    def __init__(self, program, use_dev):
        self.processes = []
        self.server = None
        self.far = None
        self.folder = tempfile.mkdtemp(prefix="serialterm-atspi-")
        self.names = ["cu.atspi%d%s" % (os.getpid(), end) for end in "ab"]
        self.links = ["/dev/" + name for name in self.names]
        read, write = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
                   pass_fds=(write,))
        os.close(write)
        display = b""
        while not display.endswith(b"\n"):  # Xvfb writes the number, then the line's end
            piece = os.read(read, 16)
            if not piece:
                raise AssertionError("Xvfb did not start")
            display += piece
        os.close(read)
        display = display.decode().strip()
        arguments = []
        if use_dev:
            self.start(["socat", "pty,raw,echo=0,link=" + self.links[0], "pty,raw,echo=0,link=" + self.links[1]])
            wait_for("the pty pair", lambda: all(os.path.exists(link) for link in self.links), 5)
        else:
            self.server = socket.create_server(("127.0.0.1", 0))
            self.address = "tcp://127.0.0.1:%d" % self.server.getsockname()[1]
            arguments = [self.address]
        # Qt joins the accessibility bus only once it runs, and never starts it itself.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.DEVNULL)
        env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.env = env
        self.program = self.start([program, *arguments], env=env, stdout=subprocess.DEVNULL)

    def send(self, data):
        """What the device sends, from the far end of the pty pair or of the connection."""
        if self.server is None:
            with open(self.links[1], "wb", buffering=0) as far_end:
                far_end.write(data)
            return
        if self.far is None:
            self.server.settimeout(15)
            self.far, _ = self.server.accept()
        self.far.sendall(data)

    def start(self, command, **options):
        process = subprocess.Popen(command, stderr=subprocess.DEVNULL, **options)
        self.processes.append(process)
        return process

    def keys(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env, check=True, stdout=subprocess.DEVNULL)

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
        for end in (self.far, self.server):
            if end is not None:
                end.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def main(program):
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing:
        skip("missing " + ", ".join(missing))
    try:
        import pyatspi
    except ImportError:
        skip("no pyatspi (python3-pyatspi) for " + sys.executable)
    use_dev = os.access("/dev", os.W_OK)
    session = Session(program, use_dev)
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for("the program on the accessibility bus",
                       lambda: next((a for a in desktop if a is not None and a.name == "serialterm"), None))
        frame = wait_for("its window", lambda: next((w for w in app if w.getRole() == pyatspi.ROLE_FRAME), None))
        terminal = find(frame, lambda a: a.getRole() == pyatspi.ROLE_TERMINAL)
        assert [t.name for t in terminal] == ["Received"], [t.name for t in terminal]
        terminal = terminal[0]
        editor = find(frame, lambda a: a.getRole() == pyatspi.ROLE_TEXT and a.name == "Transmit")
        assert len(editor) == 1, "no editor named Transmit"
        editor = editor[0]

        # As a user would: the device pop-up by its key, the device by its name.
        window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", re.escape(frame.name)],
                                env=session.env, check=True,
                                capture_output=True, text=True).stdout.split()[0]
        session.keys("windowfocus", "--sync", window)
        if use_dev:
            session.keys("key", "alt+d")
            session.keys("type", "--delay", "30", session.names[0])
            wait_for("the port to open", lambda: session.names[0] in frame.name)
        else:
            wait_for("the port to open", lambda: session.address in frame.name)

        session.send(b"boot ok\r\nready> ")
        wait_for("the received text", lambda: text_of(terminal).endswith("boot ok\r\nready> "))

        session.keys("key", "alt+t")
        session.keys("type", "--delay", "30", "AT+GMR")
        wait_for("the typed text", lambda: text_of(editor) == "AT+GMR")

        # In the receive view, what arrives next is told to the reader.
        told = []
        listener = lambda event: told.append(event.any_data) if event.source == terminal else None
        pyatspi.Registry.registerEventListener(listener, "object:text-changed:insert")
        terminal.queryComponent().grabFocus()
        wait_for("the focus in the receive view", lambda: terminal.getState().contains(pyatspi.STATE_FOCUSED))
        session.send(b"\r\nsensor 21.5C\r\n")
        wait_for("new text told to the reader", lambda: any("sensor 21.5C" in text for text in told))
        pyatspi.Registry.deregisterEventListener(listener, "object:text-changed:insert")

        # Every control has a name; a pop-up is named by the caption that labels it.
        controls = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT,
                    pyatspi.ROLE_TERMINAL, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_LABEL}
        nameless = find(frame, lambda a: a.getRole() in controls and not a.name.strip()
                        and a.getState().contains(pyatspi.STATE_SHOWING))
        assert not nameless, "controls without a name: %s" % [a.getRoleName() for a in nameless]
        for combo in find(frame, lambda a: a.getRole() == pyatspi.ROLE_COMBO_BOX):
            labels = [r.getTarget(0).name for r in combo.getRelationSet()
                      if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
            assert labels and labels[0], "pop-up %r has no label" % combo.name
        print("ScreenReaderTest: read %d characters received, the editor, %d announcements" %
              (len(text_of(terminal)), len(told)))
    finally:
        session.close()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    if not os.environ.get("SERIALTERM_ATSPI_SESSION"):
        # A D-Bus session of the test's own, so the accessibility bus is ours alone.
        if not shutil.which("dbus-run-session"):
            skip("missing dbus-run-session")
        os.environ["SERIALTERM_ATSPI_SESSION"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])
    main(os.path.abspath(sys.argv[1]))
