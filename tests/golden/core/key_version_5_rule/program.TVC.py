import tvcgen as t

# Line 1 is a comment, line 2 END. Each wrong reading of the header named
# below turns line 1 into a procedure call, which stops with an error box.
# Index bytes 3, 1, 4, 2 address offsets 22, 20, 23, 21:
# K = (h[20] OR h[21]) AND (h[22] OR h[23]).
h = t.header(version=b"5", key=b"\x31\x05", key_index=(3, 1, 4, 2), poke={22: 0x0E, 23: 0x2A})
assert t.line_key(h) == (0x31 | 0x05) & (0x0E | 0x2A)
data = t.program([t.line(t.REM, " version 5"), t.line(t.END), t.line(t.CALL)], hdr=h)
def paired_by_position(h):
    at = lambda x: h[19 + x] if 19 + x <= 30 else 0
    return (at(h[26]) | at(h[27])) & (at(h[28]) | at(h[29]))
def based_at_20(h):
    at = lambda x: h[20 + x] if 20 + x <= 30 else 0
    return (at(h[27]) | at(h[29])) & (at(h[26]) | at(h[28]))
t.require_misread(data, {"plain": 0, "older": t.key_older_rule(h),
                         "pairs 26/27 and 28/29": paired_by_position(h),
                         "index from offset 20": based_at_20(h)})
t.write("program.TVC", data)
