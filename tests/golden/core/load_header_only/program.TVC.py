import tvcgen as t

# No lines at all: the program ends at once.
t.write("program.TVC", bytes(t.header(key=b"\x13\x07", key_index=(1, 2, 3, 4))))
