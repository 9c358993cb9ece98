import tvcgen as t

t.write("program.TVC", b"")
