REM W3 string building
n = VAL(ENVIRON$("BENCH_N"))
c = 0
k = 0
m$ = ""
WHILE k < n
  k = k + 1
  s$ = ""
  j = 0
  WHILE j < 200
    s$ = s$ + CHR$(65 + (j MOD 26))
    j = j + 1
  WEND
  l = LEN(s$)
  m$ = MID$(s$, 100, 10)
  c = c + l + ASC(m$)
WEND
PRINT c; " "; m$
SYSTEM
