import tvcgen as t

# Token 0x3F is a procedure call; its target, line 999, does not exist.
lines = [t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(0x3f, bytes([231, 3])), t.line(t.END)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
