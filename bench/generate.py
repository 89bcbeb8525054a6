#!/usr/bin/env python3
"""Writes the benchmark's CSV: ROWS rows of 8 columns (ids, quoted names with
commas and non-ASCII text, cities, ISO dates, 2-decimal amounts, quantities,
notes with < > &, flags). The same row count always gives the same bytes.

Usage: generate.py ROWS [OUT.csv [COUNTS]]; COUNTS receives the row counts
each workload must produce ("plain", "formatted": rows with qty >= 10,
"grouped"), one "name count" per line."""
import sys

CITIES = ["Amsterdam", "Berlin", "K\u00f6ln", "Paris", "Z\u00fcrich", "New York", "S\u00e3o Paulo"]
NAMES = ["Ann", "Bj\u00f6rn", "Chlo\u00e9", "Dmitri", "Eva", "Fran\u00e7ois", "Grace"]


def main():
    rows = int(sys.argv[1])
    out = sys.stdout if len(sys.argv) < 3 else open(sys.argv[2], "w", encoding="utf-8", newline="\n")
    write = out.write
    write("id,name,city,date,amount,qty,note,flag\n")
    state = 12345
    kept = 0
    for i in range(1, rows + 1):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        name = NAMES[state % 7]
        city = CITIES[(state >> 8) % 7]
        date = "20%02d-%02d-%02d" % (10 + (state >> 4) % 15, 1 + (state >> 9) % 12, 1 + (state >> 13) % 28)
        amount = "%d.%02d" % ((state >> 3) % 100000, (state >> 17) % 100)
        qty = (state >> 5) % 500
        kept += qty >= 10
        write('%d,"%s, %d",%s,%s,%s,%d,note <%d> & more,%s\n'
              % (i, name, i, city, date, amount, qty, i % 1000, "YN"[i % 2]))
    if out is not sys.stdout:
        out.close()
    if len(sys.argv) > 3:
        with open(sys.argv[3], "w") as counts:
            counts.write("plain %d\nformatted %d\ngrouped %d\n" % (rows, kept, rows))


if __name__ == "__main__":
    main()
