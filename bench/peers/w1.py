# W1 integer loop
import sys


def main(n):
    s = 0
    i = 0
    while i < n:
        i = i + 1
        s = s + i
        if s > 999999999: s = s - 1000000000
    print(s)


main(int(sys.argv[1]))
