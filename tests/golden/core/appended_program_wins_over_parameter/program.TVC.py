import tvcgen as t

# The bound program stops in line 3, so its error box shows that it ran.
t.write("appended.TVC", t.program([t.line(t.REM, " bound"), t.line(t.REM), t.line(t.CALL)],
                                  key=b"\x13\x07", key_index=(1, 2, 3, 4)))
t.bind("appended.TVC", "bound")
# Parameter 1 is "other": no file of that name exists as given, so the
# appended program runs, although other.TVC is a program (which stops in line 5).
t.write("other.TVC", t.program([t.line(t.REM)] * 4 + [t.line(t.CALL)], key=b"\x13\x07", key_index=(1, 2, 3, 4)))
