import tvcgen as t

# A length byte of 255 with fewer bytes behind it: the read fails first.
h = t.header(key=b"\x13\x07", key_index=(1, 2, 3, 4))
k = t.line_key(h)
data = t.program([t.line(t.CALL)], hdr=h)
data += t.record(t.line(t.REM, "x" * 254), k)[:200]
t.write("program.TVC", data)
