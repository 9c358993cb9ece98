REM W1 integer loop
n = VAL(ENVIRON$("BENCH_N"))
s = 0
i = 0
WHILE i < n
  i = i + 1
  s = s + i
  IF s > 999999999 THEN s = s - 1000000000
WEND
PRINT s
SYSTEM
