import tvcgen as t

# Line 1 is a comment, line 2 END. Each wrong reading of the header named
# below turns line 1 into a procedure call, which stops with an error box.
# Only two blanks mean plain lines; a blank and 0x01 give K = 0x21.
h = t.header(version=b"4", key=b" \x01")
assert t.line_key(h) == 0x21
data = t.program([t.line(t.REM, " one blank"), t.line(t.END), t.line(t.CALL)], hdr=h)
t.require_misread(data, {"plain": 0})
t.write("program.TVC", data)
