import tvcgen as t

# One byte after line 32767 starts a 32768th record: the line count is checked
# before the record is read, so this is 901, not 906.
data = t.program(t.nop_lines(32767), key=b"\x13\x07", key_index=(1, 2, 3, 4))
t.write("program.TVC", data + bytes([5]))
