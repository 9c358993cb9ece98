import tvcgen as t

# Line 1 is a comment, line 2 END. Each wrong reading of the header named
# below turns line 1 into a procedure call, which stops with an error box.
# Blanks at offsets 20 and 21 mean plain lines even when the version-5 rule
# would give a key.
h = t.header(version=b"5", key=b"  ", key_index=(3, 4, 5, 6),
             poke={22: 0x11, 23: 0x13, 24: 0x17, 25: 0x1F})
assert t.line_key(h) == 0
data = t.program([t.line(t.REM, " plain"), t.line(t.END), t.line(t.CALL)], hdr=h)
t.require_misread(data, {"version-5": t.key_v5_rule(h), "older": t.key_older_rule(h)})
t.write("program.TVC", data)
