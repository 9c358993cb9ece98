REM W4 procedure calls
n = VAL(ENVIRON$("BENCH_N"))
s = 0
i = 0
WHILE i < n
  i = i + 1
  s = add2(s, 3)
WEND
PRINT s
SYSTEM

FUNCTION add2(a, b)
  LET add2 = a + b
END FUNCTION
