import tvcgen as t

# Line 1 is a comment, line 2 END. Each wrong reading of the header named
# below turns line 1 into a procedure call, which stops with an error box.
h = t.header(version=b"4", key=b"\x11\x05", key_index=(1, 2, 3, 4), poke={22: 0x02, 23: 0x08})
assert t.line_key(h) == 0x15
data = t.program([t.line(t.REM, " older key rule"), t.line(t.END), t.line(t.CALL)], hdr=h)
t.require_misread(data, {"plain": 0, "version-5": t.key_v5_rule(h)})
t.write("program.TVC", data)
