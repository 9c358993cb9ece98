import tvcgen as t

# Token 0x41 is a procedure call; its target is line 0.
lines = [t.line(t.REM), t.line(0x41, bytes([0, 0])), t.line(t.END)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
