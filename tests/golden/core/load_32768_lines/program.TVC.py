import tvcgen as t

t.write("program.TVC", t.program([t.line(t.CALL)] + t.nop_lines(32767),
                                 key=b"\x13\x07", key_index=(1, 2, 3, 4)))
