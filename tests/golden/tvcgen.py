"""Writes compiled TALVEN² program files (.TVC) for the golden tests.

A compiled program is a 32-byte header followed by one record per program
line: a plain length byte, then the line's bytes XOR the line key. The key is
never stored; the loader derives it from the header by one of two rules. This
module builds headers for either rule, derives the key exactly as the loader
does, writes line records, and makes it easy to damage a file in the ways the
loader must refuse. It also reads a file back the way the loader does, so that
the runner can compare the lines of two files whatever their keys.

Header bytes (offsets from the start of the program):
  0       a blank (not examined by the loader)
  1..10   magic "ZUK-TALVEN"
  11      version character; "5" selects the version-5 key rule
  12..19  not examined
  20, 21  key bytes of the older rule; two blanks mean the lines are plain
  22..25  not examined
  26..29  key-index bytes of the version-5 rule
  30      may be addressed by the version-5 rule
  31      not examined

Standard library only: the runner and the test scripts run with /usr/bin/python3.
"""

from __future__ import annotations

import os
import subprocess
from typing import Iterable, Sequence

MAGIC = b"ZUK-TALVEN"
HEADER_SIZE = 32
MAX_LINES = 32767

# Command tokens the loader tests need. A label line or a comment is REM or
# NOP; END stops the program after its line.
REM = 0x27
END = 0xBF
NOP = 0xFE
# A token that no handler claims: the line is a procedure call.
CALL = 0x28

# Load failures, by message number.
ERR_TOO_MANY_LINES = 901
ERR_LINE_TOO_LONG = 902
ERR_NOT_A_PROGRAM = 905
ERR_DAMAGED = 906


class LoadError(Exception):
    """The loader refuses the file with message `number`."""

    def __init__(self, number: int, detail: str = ""):
        super().__init__(f"load error {number}{': ' + detail if detail else ''}")
        self.number = number


def is_call_token(token: int) -> bool:
    """True for the tokens that no handler claims (the line is a procedure call)."""
    return token < 0x27 or 0x28 <= token <= 0x3F or token == 0x41 or token == 0xFF


# --- header ---------------------------------------------------------------

def header(*, version: bytes = b"5", key: bytes = b"  ",
           key_index: Sequence[int] = (0, 0, 0, 0),
           magic: bytes = MAGIC, first: bytes = b" ",
           poke: dict[int, int] | None = None) -> bytearray:
    """A 32-byte header.

    version    the byte at offset 11
    key        the two bytes at offsets 20 and 21 (blanks: plain lines)
    key_index  the four key-index bytes at offsets 26..29
    magic      the ten bytes at offsets 1..10 (give a wrong one to break it)
    poke       {offset: byte} applied last, for the bytes nothing else sets
               (12..19, 22..25, 30, 31 are 0 unless poked)
    """
    if len(version) != 1 or len(key) != 2 or len(key_index) != 4 or len(first) != 1:
        raise ValueError("header field of the wrong size")
    if len(magic) != 10:
        raise ValueError("the magic field is 10 bytes")
    h = bytearray(HEADER_SIZE)
    h[0:1] = first
    h[1:11] = magic
    h[11:12] = version
    h[20:22] = key
    h[26:30] = bytes(key_index)
    for offset, value in (poke or {}).items():
        h[offset] = value
    return h


def key_plain(h: bytes) -> bool:
    return h[20] == 0x20 and h[21] == 0x20


def key_older_rule(h: bytes) -> int:
    return h[20] | h[21]


def key_v5_rule(h: bytes, *, last_offset: int = 30) -> int:
    """The version-5 rule; an index whose offset 19 + x lies beyond
    `last_offset` counts as 0 (the loader uses 30; other values model
    loaders that get the bound wrong)."""
    def at(x: int) -> int:
        offset = 19 + x
        return h[offset] if offset <= last_offset and offset < len(h) else 0
    return (at(h[27]) | at(h[29])) & (at(h[26]) | at(h[28]))


def line_key(h: bytes) -> int:
    """The key the loader derives from a header."""
    if key_plain(h):
        return 0
    if bytes(h[1:12]) == MAGIC + b"5":
        return key_v5_rule(h)
    return key_older_rule(h)


# --- line records -----------------------------------------------------------

def line(token: int, text: bytes | str = b"") -> bytes:
    """A program line: its token byte and its argument text."""
    if isinstance(text, str):
        text = text.encode("cp1252")
    return bytes([token]) + text


def scramble(data: bytes, key: int) -> bytes:
    return bytes(b ^ key for b in data)


def record(body: bytes, key: int, *, length: int | None = None) -> bytes:
    """One line record. `length` overrides the length byte (to lie about it)."""
    n = len(body) if length is None else length
    if not 0 <= n <= 255:
        raise ValueError("a length byte holds 0..255")
    return bytes([n]) + scramble(body, key)


def program(lines: Iterable[bytes], *, hdr: bytes | None = None, **header_fields) -> bytes:
    """A whole program file: the header (given, or built from `header_fields`)
    and one record per line, scrambled with the key the header yields."""
    h = bytes(hdr) if hdr is not None else bytes(header(**header_fields))
    key = line_key(h)
    return h + b"".join(record(body, key) for body in lines)


def nop_lines(count: int, token: int = NOP) -> list[bytes]:
    return [bytes([token])] * count


def write(path: str | os.PathLike, data: bytes) -> None:
    directory = os.path.dirname(os.fspath(path))
    if directory:
        os.makedirs(directory, exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def bind(program_file: str, output: str) -> None:
    """Binds a program file to a copy of the runtime under test with talvenc
    (the runner names both in $TALVEN and $TALVENC)."""
    subprocess.run([os.environ["TALVENC"], "--bind", program_file, "-o", output,
                    "--runtime", os.environ["TALVEN"]], check=True)


# --- reading, as the loader does --------------------------------------------

def read_program(data: bytes) -> list[bytes]:
    """The plain lines of a program file, or LoadError with the loader's message."""
    if len(data) < HEADER_SIZE or data[1:11] != MAGIC:
        raise LoadError(ERR_NOT_A_PROGRAM)
    key = line_key(data[:HEADER_SIZE])
    pos = HEADER_SIZE
    lines: list[bytes] = []
    while pos < len(data):
        if len(lines) + 1 > MAX_LINES:
            raise LoadError(ERR_TOO_MANY_LINES)
        n = data[pos]
        pos += 1
        if pos + n > len(data):
            raise LoadError(ERR_DAMAGED, f"record {len(lines) + 1} cut short")
        body = data[pos:pos + n]
        pos += n
        if n == 255:
            raise LoadError(ERR_LINE_TOO_LONG, f"line {len(lines) + 1}")
        lines.append(scramble(body, key))
    return lines


# --- guards for the key tests ---------------------------------------------

def require_misread(data: bytes, wrong_keys: dict[str, int]) -> None:
    """Make sure a loader that derives any of `wrong_keys` instead of the right
    key sees line 1 as a procedure call (and so stops with an error box)
    rather than as the intended comment line. Guards the test's own design:
    a test whose wrong readings are harmless would prove nothing."""
    right = line_key(data[:HEADER_SIZE])
    stored = data[HEADER_SIZE + 1]
    intended = stored ^ right
    for name, wrong in wrong_keys.items():
        if wrong == right:
            raise AssertionError(f"the {name} reading gives the right key {right:#04x}")
        token = stored ^ wrong
        if not is_call_token(token):
            raise AssertionError(
                f"the {name} reading turns token {intended:#04x} into {token:#04x}, "
                "which is not a procedure call")
