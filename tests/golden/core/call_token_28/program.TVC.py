import tvcgen as t

# Token 0x28 is a procedure call; it has no target at all.
lines = [t.line(t.REM), t.line(0x28, b""), t.line(t.END)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
