import tvcgen as t

# The last record promises 10 bytes and holds 4. The whole file is read before
# anything runs, so the call in line 1 never gets to report.
h = t.header(key=b"\x13\x07", key_index=(1, 2, 3, 4))
k = t.line_key(h)
data = t.program([t.line(t.CALL), t.line(t.REM, "ok")], hdr=h)
data += t.record(t.line(t.REM, "123456789"), k)[:5]
t.write("program.TVC", data)
