import tvcgen as t

# The magic differs from "ZUK-TALVEN" only in case. Line 1 would stop with an
# error box if it ran, so a loader that accepted the file would show it.
t.write("program.TVC", t.program([t.line(t.CALL), t.line(t.END)], magic=b"zuk-talven"))
