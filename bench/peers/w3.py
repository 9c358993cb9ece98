# W3 string building
import sys


def main(n):
    c = 0
    k = 0
    m = ""
    while k < n:
        k = k + 1
        s = ""
        j = 0
        while j < 200:
            s = s + chr(65 + (j % 26))
            j = j + 1
        l = len(s)
        m = s[99:109]
        c = c + l + ord(m[0])
    print(c, m)


main(int(sys.argv[1]))
