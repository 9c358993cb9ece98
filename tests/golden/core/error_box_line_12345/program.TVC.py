import tvcgen as t

t.write("program.TVC", t.program(t.nop_lines(12344) + [t.line(t.CALL)], key=b"\x13\x07",
                                 key_index=(1, 2, 3, 4)))
