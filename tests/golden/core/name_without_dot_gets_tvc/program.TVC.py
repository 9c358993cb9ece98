import tvcgen as t

# "prog" loads prog.TVC; the file "prog" itself is no program.
t.write("prog.TVC", t.program([t.line(t.REM, " found"), t.line(t.END), t.line(t.CALL)], key=b"\x13\x07", key_index=(1, 2, 3, 4)))
t.write("prog", t.program([t.line(t.CALL)], magic=b"NOT-TALVEN"))
