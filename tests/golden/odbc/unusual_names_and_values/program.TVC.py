import os
import sqlite3
import subprocess

# A table no program line could create: a column name of 1,000 characters,
# a value with a zero byte, a column of size 0 and a text of 70,000
# characters.
db = sqlite3.connect("seltsam.db")
long_name = "n" * 999 + "x"
db.execute(f'CREATE TABLE h("{long_name}" INTEGER, nul VARCHAR(8), leer VARCHAR(0), lang VARCHAR(70000))')
db.execute("INSERT INTO h VALUES(1, 'ab' || char(0) || 'cd', 'xyz', ?)", ("L" * 69999 + "E",))
db.commit()
db.close()

with open("program.tvs", "w", encoding="utf-8") as f:
    f.write("""DECLARE A%
LET A% = @SQLINIT("Driver={SQLite3};Database=seltsam.db")
SQLEXEC "SELECT nul, leer FROM h", 0
SQLEXEC "SELECT * FROM h", 1
PRINT %LISTLAST, &SQLCOUNT, @LEN(@ELEMENT(0)), @LEN(@ELEMENT(2))
PRINT @LEFT$(@ELEMENT(0), 10), "|", @RIGHT$(@ELEMENT(2), 12)
SQLEXEC "SELECT * FROM h", 2
SQLEXEC "UPDATE h SET leer = NULL", 2
PRINT &SQLCOUNT
SQLDONE
""")
subprocess.run([os.environ["TALVENC"], "program.tvs", "-o", "program.TVC"], check=True)
os.remove("program.tvs")
