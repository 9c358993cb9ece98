#!/usr/bin/python3
"""End-to-end checks of the runtime's devices that need a peer: the MIDI
messages a program records into a Standard MIDI File (TALVEN_MIDI_FILE, read
back with mido), and a serial port that is one end of a pseudo-terminal pair
made by socat, with this script at the other end.

Natively the runtime's COM1 is the pty through TALVEN_COM1; under Wine
(--wine, inside scripts/wine-env.sh) the prefix's dosdevices/com1 links to
it. Every step waits for a state the program shows (a line on its output)
or for bytes to arrive in the port's input queue; nothing waits for a time.

usage: device_check.py midi|serial --talven T --talvenc C [--wine LOADER]
Exit status 0 passed, 1 failed, 77 skipped (mido or socat missing).
"""

from __future__ import annotations

import argparse
import fcntl
import os
import queue
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
from pathlib import Path

SKIP = 77
DEADLINE_SECONDS = 20

MIDI_PROGRAM = """\
PLAY "C"
PLAY "MLC."
PLAY "K20MNC"
MIDINOTES 61;65;68;70,4,0
PRINT "fertig"
"""

# (time in ms, channel, key, velocity) of every note-on, in order.
MIDI_EXPECTED = [
    (0, 0, 48, 100), (437, 0, 48, 0),             # a quarter, released after 7/8
    (499, 0, 48, 100), (1249, 0, 48, 0),          # a dotted quarter, legato: 750 ms
    (1249, 0, 48, 100), (1686, 0, 48, 0),         # channel 20 is channel 0
    (1748, 0, 60, 127), (1748, 1, 64, 127), (1748, 2, 67, 127), (1748, 9, 69, 127),
    (2248, 0, 60, 0), (2248, 1, 64, 0), (2248, 2, 67, 0), (2248, 9, 69, 0),
]

SERIAL_PROGRAM = """\
DECLARE h&, s$, n&, datei$
LET h& = @COMOPEN("COM1", 256, 256)
PRINT "offen "; @GT(h&, 0)
PRINT "setup "; @COMSETUP("baud=9600 parity=n data=8 stop=1"); " "; @COMSETUP("COM1: 96,e,7,2")
PRINT "state "; @COMSTATE(h&, 0, 0, 0, -1, 65535, 65535)
PRINT "write "; @COMWRITE(h&, "hallo")
LET datei$ = "go1"
GOSUB warten
PRINT "drei ["; @COMREAD$(h&, 10); "]"
LET datei$ = "go2"
GOSUB warten
PRINT "null ["; @COMREAD$(h&, 10); "] ["; @COMREAD$(h&, 10); "]"
LET datei$ = "go3"
GOSUB warten
LET s$ = @COMREAD$(h&, 1000)
PRINT "teil "; @LEN(s$); " "; @LEFT$(s$, 3)
LET s$ = @COMREAD$(h&, 1000)
PRINT "teil "; @LEN(s$); " "; @LEFT$(s$, 3)
LET s$ = @COMREAD$(h&, 1000)
PRINT "teil "; @LEN(s$); " "; @LEFT$(s$, 3)
PRINT "rest "; @LEN(@COMREAD$(h&, 1000)); " "; @LEN(@COMREAD$(h&, -5))
LET datei$ = "go4"
GOSUB warten
WHILE @LT(n&, 10000)
  LET s$ = @COMREAD$(h&, 200)
  LET n& = @ADD(n&, @LEN(s$))
WEND
PRINT "gelesen "; n&; " "; @RIGHT$(s$, 1)
PRINT "fehler "; @COMERROR(h&)
PRINT "zu "; @COMCLOSE(h&); " "; @COMSETUP("9600,n,8,1")
END
warten:
PRINT "bereit "; datei$
SETTIMER 20
WHILE @EQU$(@FINDFIRST$(datei$), "")
  WAITINPUT
WEND
KILLTIMER
RETURN
"""

SERIAL_EXPECTED = [
    "offen 1", "setup 0 0", "state 0", "write 5",
    "bereit go1", "drei [abc]",
    "bereit go2", "null [ab] []",
    "bereit go3", "teil 255 ABC", "teil 255 VWX", "teil 90 QRS", "rest 0 0",
    "bereit go4", "gelesen 10000 p", "fehler 0", "zu 0 -1",
]


class Failure(Exception):
    pass


def compile_program(talvenc: str, source: str, folder: Path) -> Path:
    (folder / "program.tvs").write_text(source, encoding="utf-8")
    subprocess.run([talvenc, "program.tvs"], cwd=folder, check=True)
    return folder / "program.TVC"


def runtime_command(args, folder: Path) -> tuple[list[str], dict[str, str]]:
    env = {k: v for k, v in os.environ.items() if not k.startswith("TALVEN_")}
    env["TZ"] = "UTC"
    if args.wine:
        env["TALVEN_STREAM"] = "1"
        env["LANG"] = env["LC_ALL"] = "de_DE.UTF-8"
        return [args.wine, args.talven, "program.TVC"], env
    env["LANG"] = "C.UTF-8"
    return [args.talven, "program.TVC"], env


class Program:
    """The runtime with its output read line by line as it comes."""

    def __init__(self, argv: list[str], folder: Path, env: dict[str, str]):
        self.proc = subprocess.Popen(argv, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     start_new_session=True)
        self.lines: queue.Queue[str | None] = queue.Queue()
        self.seen: list[str] = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self) -> None:
        for raw in self.proc.stdout:
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\r\n"))
        self.lines.put(None)

    def wait_line(self, want: str) -> None:
        while True:
            try:
                line = self.lines.get(timeout=DEADLINE_SECONDS)
            except queue.Empty:
                raise Failure(f"no line {want!r} in time; the program wrote {self.seen}") from None
            if line is None:
                raise Failure(f"the program ended before the line {want!r}; it wrote {self.seen}")
            self.seen.append(line)
            if line == want:
                return

    def finish(self) -> tuple[int, str]:
        try:
            code = self.proc.wait(timeout=DEADLINE_SECONDS)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, 9)
            code = self.proc.wait()
        while True:
            line = self.lines.get(timeout=DEADLINE_SECONDS)
            if line is None:
                break
            self.seen.append(line)
        return code, self.proc.stderr.read().decode("utf-8", "replace")


def check_midi(args, folder: Path) -> None:
    try:
        import mido
    except ImportError:
        print("python3-mido is not installed: skipped")
        sys.exit(SKIP)
    compile_program(args.talvenc, MIDI_PROGRAM, folder)
    argv, env = runtime_command(args, folder)
    env["TALVEN_MIDI_FILE"] = "aufnahme.mid"
    run = subprocess.run(argv, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                         capture_output=True, timeout=DEADLINE_SECONDS)
    out = run.stdout.decode("utf-8", "replace").replace("\r", "")
    if run.returncode != 0 or out != "fertig\n":
        raise Failure(f"exit {run.returncode}, output {out!r}, errors {run.stderr!r}")
    song = mido.MidiFile(folder / "aufnahme.mid")
    if song.type != 0 or len(song.tracks) != 1:
        raise Failure(f"type {song.type} with {len(song.tracks)} tracks")
    tempo, now, notes = 500000, 0.0, []
    for message in song.tracks[0]:
        now += mido.tick2second(message.time, song.ticks_per_beat, tempo)
        if message.type == "set_tempo":
            tempo = message.tempo
        elif message.type == "note_on":
            notes.append((round(now * 1000), message.channel, message.note, message.velocity))
        elif not message.is_meta:
            raise Failure(f"unexpected message {message}")
    if notes != MIDI_EXPECTED:
        raise Failure("recorded notes differ:\n  expected " + repr(MIDI_EXPECTED) + "\n  recorded " + repr(notes))


def waiting_bytes(fd: int) -> int:
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


def send_and_wait(peer: int, watch: int, data: bytes, folder: Path, flag: str) -> None:
    """Sends data, waits until it is all in the runtime's input queue, then
    lets the program go on."""
    before = waiting_bytes(watch)
    os.write(peer, data)
    deadline = time.monotonic() + DEADLINE_SECONDS
    while waiting_bytes(watch) < before + len(data):
        if time.monotonic() > deadline:
            raise Failure(f"the bytes for {flag} never arrived")
        time.sleep(0.01)
    (folder / flag).write_text("")


def read_exactly(fd: int, count: int) -> bytes:
    got = b""
    deadline = time.monotonic() + DEADLINE_SECONDS
    while len(got) < count:
        if time.monotonic() > deadline:
            raise Failure(f"read {got!r}, expected {count} bytes")
        try:
            got += os.read(fd, count - len(got))
        except BlockingIOError:
            time.sleep(0.01)
    return got


def link_wine_port(device: Path) -> tuple[Path, str | None]:
    prefix = Path(os.environ["WINEPREFIX"])
    link = prefix / "dosdevices" / "com1"
    old = os.readlink(link) if link.is_symlink() else None
    if link.is_symlink() or link.exists():
        link.unlink()
    link.symlink_to(device)
    return link, old


def check_serial(args, folder: Path) -> None:
    socat = shutil.which("socat")
    if not socat:
        print("socat is not installed: skipped")
        sys.exit(SKIP)
    compile_program(args.talvenc, SERIAL_PROGRAM, folder)
    ours, theirs = folder / "tty-runtime", folder / "tty-peer"
    pair = subprocess.Popen([socat, f"pty,raw,echo=0,link={ours}", f"pty,raw,echo=0,link={theirs}"],
                            stderr=subprocess.DEVNULL)
    wine_link = None
    try:
        deadline = time.monotonic() + DEADLINE_SECONDS
        while not (ours.exists() and theirs.exists()):
            if time.monotonic() > deadline or pair.poll() is not None:
                raise Failure("socat made no pty pair")
            time.sleep(0.01)
        peer = os.open(theirs, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        # Opened before the runtime takes the port for itself: only to see
        # how many bytes wait in its input queue.
        watch = os.open(ours, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        argv, env = runtime_command(args, folder)
        if args.wine:
            wine_link = link_wine_port(ours.resolve())
        else:
            env["TALVEN_COM1"] = str(ours)
        program = Program(argv, folder, env)
        program.wait_line("write 5")
        if read_exactly(peer, 5) != b"hallo":
            raise Failure("the peer did not get hallo")
        program.wait_line("bereit go1")
        send_and_wait(peer, watch, b"abc", folder, "go1")
        program.wait_line("bereit go2")
        send_and_wait(peer, watch, b"ab\0cd", folder, "go2")
        program.wait_line("bereit go3")
        send_and_wait(peer, watch, bytes(65 + i % 26 for i in range(600)), folder, "go3")
        program.wait_line("bereit go4")
        (folder / "go4").write_text("")
        # More than any input queue holds: the writes wait while the
        # program reads.
        os.set_blocking(peer, True)
        os.write(peer, bytes(97 + i % 26 for i in range(10000)))
        code, errors = program.finish()
        if code != 0 or program.seen != SERIAL_EXPECTED:
            raise Failure(f"exit {code}, output:\n  " + "\n  ".join(program.seen)
                          + "\nexpected:\n  " + "\n  ".join(SERIAL_EXPECTED) + f"\nerrors: {errors}")
    finally:
        if wine_link is not None:
            wine_link[0].unlink()
            if wine_link[1]:
                wine_link[0].symlink_to(wine_link[1])
        pair.terminate()
        pair.wait()


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("check", choices=["midi", "serial"])
    ap.add_argument("--talven", required=True)
    ap.add_argument("--talvenc", required=True)
    ap.add_argument("--wine", default=None, help="the Wine loader: talven is talven.exe")
    args = ap.parse_args()
    args.talven = str(Path(args.talven).resolve())
    args.talvenc = str(Path(args.talvenc).resolve())
    if args.wine and "WINEPREFIX" not in os.environ:
        print("no WINEPREFIX: run through scripts/wine-env.sh")
        return 1
    folder = Path(tempfile.mkdtemp(prefix=f"talven-{args.check}-"))
    try:
        (check_midi if args.check == "midi" else check_serial)(args, folder)
    except (Failure, subprocess.CalledProcessError, queue.Empty) as e:
        print(f"FAIL {args.check}: {e}\nkept in {folder}")
        return 1
    shutil.rmtree(folder, ignore_errors=True)
    print(f"PASS {args.check}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
