import tvcgen as t

# Line 1 is a comment, line 2 END. Each wrong reading of the header named
# below turns line 1 into a procedure call, which stops with an error box.
# Index 12 addresses offset 31 and 0xF0 offset 259: both count as 0, although
# offset 31 holds a byte. K = h[22] AND h[20].
h = t.header(version=b"5", key=b"\x1d\x20", key_index=(1, 3, 12, 0xF0),
             poke={22: 0x17, 31: 0x3F})
assert t.line_key(h) == 0x17 & 0x1D
data = t.program([t.line(t.REM, " beyond 30"), t.line(t.END), t.line(t.CALL)], hdr=h)
def wrapping(h):
    at = lambda x: h[(19 + x) % 32]
    return (at(h[27]) | at(h[29])) & (at(h[26]) | at(h[28]))
t.require_misread(data, {"plain": 0, "older": t.key_older_rule(h),
                         "reading offset 31": t.key_v5_rule(h, last_offset=31),
                         "offsets taken modulo 32": wrapping(h)})
t.write("program.TVC", data)
