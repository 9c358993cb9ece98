import tvcgen as t

# The blank at offset 0 is only looked for when a program is searched for; the
# loader itself does not examine it.
t.write("program.TVC", t.program([t.line(t.REM, " runs"), t.line(t.END), t.line(t.CALL)],
                                 first=b"X", key=b"\x13\x07", key_index=(1, 2, 3, 4)))
