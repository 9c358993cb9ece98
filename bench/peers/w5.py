# W5 array work (indices 0..9999)
import sys


def main(r):
    a = [0] * 10000
    s = 0
    p = 0
    while p < r:
        p = p + 1
        k = 0
        while k < 10000:
            a[k] = k + p
            k = k + 1
        s = 0
        k = 0
        while k < 10000:
            s = s + a[k]
            k = k + 1
    print(s)


main(int(sys.argv[1]))
