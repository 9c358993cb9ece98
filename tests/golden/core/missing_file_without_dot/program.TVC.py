import tvcgen as t

# Only "prog" exists, which must not be tried: the runtime opens prog.TVC.
t.write("prog", t.program([t.line(t.REM, " found"), t.line(t.END), t.line(t.CALL)], key=b"\x13\x07", key_index=(1, 2, 3, 4)))
