import tvcgen as t

# Token 0xFF is a procedure call; its target, line 65535, lies beyond any program.
lines = [t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(t.REM), t.line(0xff, bytes([255, 255])), t.line(t.END)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
