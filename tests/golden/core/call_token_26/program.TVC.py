import tvcgen as t

# Token 0x26 (just below REM) is a procedure call; its target, line 5, is one past
# the last line.
lines = [t.line(t.REM), t.line(t.REM), t.line(0x26, bytes([5, 0])), t.line(t.END)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
