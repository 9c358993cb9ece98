# W6 label jumps (no goto: the same jump as a structured loop)
import sys


def main(n):
    i = 0
    s = 0
    while True:
        i = i + 1
        s = s + 3
        if i < n: continue
        break
    print(i, s)


main(int(sys.argv[1]))
