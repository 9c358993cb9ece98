import tvcgen as t

# The bound program stops in line 3, so its error box shows that it ran.
t.write("appended.TVC", t.program([t.line(t.REM, " bound"), t.line(t.REM), t.line(t.CALL)],
                                  key=b"\x13\x07", key_index=(1, 2, 3, 4)))
t.bind("appended.TVC", "bound")
# other.TVC is a program the loader would accept, but its first byte is not a
# blank, so it does not count as a program named on the command line.
t.write("other.TVC", t.program([t.line(t.REM)] * 4 + [t.line(t.CALL)], first=b"X", key=b"\x13\x07", key_index=(1, 2, 3, 4)))
