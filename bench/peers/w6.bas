REM W6 label jumps
n = VAL(ENVIRON$("BENCH_N"))
i = 0
s = 0
top:
i = i + 1
s = s + 3
IF i < n THEN GOTO top
PRINT i; " "; s
SYSTEM
