import tvcgen as t

# Lines 1 and 3 have no bytes at all. They do nothing but still count:
# the call in line 4 is reported as line 4.
lines = [b"", t.line(t.REM), b"", t.line(t.CALL)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
