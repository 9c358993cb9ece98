import tvcgen as t

# Token 0x00 is claimed by no handler: the line is a procedure call, and without a target it stops.
lines = [t.line(0x00, b""), t.line(t.END)]
t.write("program.TVC", t.program(lines, key=b"\x13\x07", key_index=(1, 2, 3, 4)))
