import tvcgen as t

# Line 1 is a comment, line 2 END. Each wrong reading of the header named
# below turns line 1 into a procedure call, which stops with an error box.
# The lowest and highest offsets the rule can address: index 0 is offset 19,
# index 11 is offset 30. K = (h[19] OR h[21]) AND (h[30] OR h[20]).
h = t.header(version=b"5", key=b"\x03\x04", key_index=(11, 0, 1, 2),
             poke={19: 0x10, 30: 0x1C})
assert t.line_key(h) == 0x14
data = t.program([t.line(t.REM, " 19 and 30"), t.line(t.END), t.line(t.CALL)], hdr=h)
t.require_misread(data, {"plain": 0, "older": t.key_older_rule(h),
                         "offset 30 out of reach": t.key_v5_rule(h, last_offset=29)})
t.write("program.TVC", data)
