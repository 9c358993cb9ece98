"""The same table work through python3-dbf: append N records (a memo for
every tenth), then read every field and memo of every record."""
import datetime
import sys
import time

import dbf

work, n, step = sys.argv[1], int(sys.argv[2]), sys.argv[3]
name = f"{work}/peer.dbf"
start = time.process_time()
if step == "append":
    table = dbf.Table(name, "NAME C(20); MENGE N(10,0); DATUM D; NOTIZ M", dbf_type="db3", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    day = datetime.date(2024, 3, 9)
    for i in range(1, n + 1):
        table.append((f"Kunde {i}", i * 37 % 20000, day, f"Notiz zu Kunde {i}\r\n" if i % 10 == 0 else ""))
    table.close()
    print(n)
else:
    table = dbf.Table(name, codepage="cp1252")
    table.open(dbf.READ_ONLY)
    count = total = 0
    for record in table:
        count += 1
        _ = record.name
        total += record.menge
        _ = record.datum
        _ = record.notiz
    table.close()
    print(count, total)
print(f"seconds {time.process_time() - start:.3f}", file=sys.stderr)
