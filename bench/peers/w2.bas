REM W2 float arithmetic
r = VAL(ENVIRON$("BENCH_N"))
t = 0.0
p = 0
WHILE p < r
  p = p + 1
  x = 0.0
  i = 0
  WHILE i < 10000
    i = i + 1
    x = x * 1.000001 + 0.5
  WEND
  t = t + x
WEND
PRINT t
SYSTEM
