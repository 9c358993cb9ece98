import tvcgen as t

# Line 1 is a comment, line 2 END. Each wrong reading of the header named
# below turns line 1 into a procedure call, which stops with an error box.
h = t.header(version=b"4", key=b"  ")
data = t.program([t.line(t.REM, " plain"), t.line(t.END), t.line(t.CALL)], hdr=h)
t.require_misread(data, {"older": t.key_older_rule(h)})
t.write("program.TVC", data)
