# Declared library functions whose definition lines are damaged (no count,
# a count of 13, no "!", no library or function name) or whose library,
# function, parameter description or parameter file fails: in error mode -1
# each call reports its error and the program goes on.
import os
import subprocess

import tvcgen

SOURCE = """REM each call's error, in error mode -1
ERRORMODE -1
DEFDLL nocount(0) "TVTEST.DLL", "TvArgs0"
DEFDLL thirteen(0) "TVTEST.DLL", "TvArgs0"
DEFDLL nomark(0) "TVTEST.DLL", "TvArgs0"
DEFDLL noname(0) "TVTEST.DLL", "TvArgs0"
DEFDLL nofunc(0) "TVTEST.DLL", "TvArgs0"
DEFDLL missing(0) "KEINE.DLL", "F"
DEFDLL absent(0) "TVTEST.DLL", "Fehlt"
DEFDLL16 count16(3) "ALT.DLL", "F", "%&", "&"
DEFDLL16 type16(2) "ALT.DLL", "F", "%x", "&"
DEFDLL16 file16(1) "ALT.DLL", "F", "&", "&"
@nocount()
PRINT &LASTERROR
@noname()
PRINT &LASTERROR
@thirteen()
PRINT &LASTERROR
@nofunc()
PRINT &LASTERROR
@nomark()
PRINT &LASTERROR
@missing()
PRINT &LASTERROR
@absent()
PRINT &LASTERROR
@count16(1, 2, 3)
PRINT &LASTERROR
@type16(1, 2)
PRINT &LASTERROR
@file16(1)
PRINT &LASTERROR
PRINT "weiter"
"""

# What follows the token of each damaged definition line.
DAMAGED = {
    b"NOCO": b'NOCO!"TVTEST.DLL","TvArgs0",',
    b"THIR": b'THIR13)!"TVTEST.DLL","TvArgs0",',
    b"NOMA": b'NOMA0)"TVTEST.DLL","TvArgs0",',
    b"NONA": b"NONA0)!",
    b"NOFU": b'NOFU0)!"TVTEST.DLL",',
}

with open("program.tvs", "w", encoding="utf-8") as f:
    f.write(SOURCE)
subprocess.run([os.environ["TALVENC"], "program.tvs"], check=True)
os.remove("program.tvs")
with open("program.TVC", "rb") as f:
    lines = tvcgen.read_program(f.read())
lines = [bytes([0x83]) + DAMAGED[ln[1:5]] if ln[:1] == b"\x83" and ln[1:5] in DAMAGED else ln for ln in lines]
tvcgen.write("program.TVC", tvcgen.program(lines))
