import tvcgen as t

# No program is named. A program.TVC lies here all the same; it must not be run.
t.write("program.TVC", t.program([t.line(t.REM, " found"), t.line(t.END), t.line(t.CALL)], key=b"\x13\x07", key_index=(1, 2, 3, 4)))
