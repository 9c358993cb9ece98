# W2 float arithmetic
import sys


def main(r):
    t = 0.0
    p = 0
    while p < r:
        p = p + 1
        x = 0.0
        i = 0
        while i < 10000:
            i = i + 1
            x = x * 1.000001 + 0.5
        t = t + x
    print(repr(t))


main(int(sys.argv[1]))
