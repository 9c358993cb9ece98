import tvcgen as t

# A whole record of 255 bytes: the length is refused after the bytes are read.
h = t.header(key=b"\x13\x07", key_index=(1, 2, 3, 4))
k = t.line_key(h)
data = t.program([t.line(t.CALL), t.line(t.NOP)], hdr=h)
data += t.record(t.line(t.REM, "x" * 254), k)
data += t.record(t.line(t.END), k)
t.write("program.TVC", data)
