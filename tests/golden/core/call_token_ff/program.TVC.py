import tvcgen as t

# Token 0xFF is a procedure call; its target is its own line, which is no PROC line.
lines = [t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(0xff, bytes([6, 0])), t.line(t.END)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
