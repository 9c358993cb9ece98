import tvcgen as t

# The longest line there is: a comment of 254 bytes, followed by END.
lines = [t.line(t.REM, bytes(range(0x30, 0x30 + 64)) * 3 + b"\xe4\xf6\xfc\xdf" * 15 + b"!"),
         t.line(t.END), t.line(t.CALL)]
assert len(lines[0]) == 254
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
