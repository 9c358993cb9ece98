import tvcgen as t

# Line 32767 is a call without a target, so the error box proves that the
# last line was loaded and reached.
t.write("program.TVC", t.program(t.nop_lines(32766) + [t.line(t.CALL)],
                                 key=b"\x13\x07", key_index=(1, 2, 3, 4)))
