# W4 procedure calls
import sys


def add2(a, b):
    return a + b


def main(n):
    s = 0
    i = 0
    while i < n:
        i = i + 1
        s = add2(s, 3)
    print(s)


main(int(sys.argv[1]))
