REM W5 array work (indices 0..9999)
r = VAL(ENVIRON$("BENCH_N"))
DIM a(9999)
s = 0
p = 0
WHILE p < r
  p = p + 1
  k = 0
  WHILE k < 10000
    a(k) = k + p
    k = k + 1
  WEND
  s = 0
  k = 0
  WHILE k < 10000
    s = s + a(k)
    k = k + 1
  WEND
WEND
PRINT s
SYSTEM
