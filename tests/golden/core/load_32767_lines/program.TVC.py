import tvcgen as t

t.write("program.TVC", t.program(t.nop_lines(32766) + [t.line(t.REM, "last")],
                                 key=b"\x13\x07", key_index=(1, 2, 3, 4)))
