import tvcgen as t

# Only größe.x.TVC exists, which must not be tried.
t.write("größe.x.TVC", t.program([t.line(t.REM, " found"), t.line(t.END), t.line(t.CALL)],
                                  key=b"\x13\x07", key_index=(1, 2, 3, 4)))
