import tvcgen as t

# A full stop anywhere in the name counts, also in a folder name.
t.write("dir.d/prog", t.program([t.line(t.REM, " found"), t.line(t.END), t.line(t.CALL)], key=b"\x13\x07", key_index=(1, 2, 3, 4)))
t.write("dir.d/prog.TVC", t.program([t.line(t.CALL)], magic=b"NOT-TALVEN"))
