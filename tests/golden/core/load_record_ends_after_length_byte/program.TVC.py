import tvcgen as t

# The file ends right after a length byte of 5.
data = t.program([t.line(t.CALL), t.line(t.NOP)], key=b"\x13\x07", key_index=(1, 2, 3, 4))
t.write("program.TVC", data + bytes([5]))
