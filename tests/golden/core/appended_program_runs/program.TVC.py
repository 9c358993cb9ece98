import tvcgen as t

# The bound program stops in line 3, so its error box shows that it ran.
t.write("appended.TVC", t.program([t.line(t.REM, " bound"), t.line(t.REM), t.line(t.CALL)],
                                  key=b"\x13\x07", key_index=(1, 2, 3, 4)))
t.bind("appended.TVC", "bound")
