import tvcgen as t

# 31 of the 32 header bytes, magic intact: the header cannot be read whole.
t.write("program.TVC", bytes(t.header())[:31])
