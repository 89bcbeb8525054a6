#!/usr/bin/env python3
"""Writes the benchmark's data. The same arguments always give the same bytes.

  generate.py ROWS OUT.csv [COUNTS]
      ROWS orders of 8 columns, about 100 bytes each: id, customer (some with
      a comma or inner quotes, so quoted; some with &), city (50, a few
      non-ASCII or with a comma), order_date (ISO), amount (2 decimals),
      quantity, note (empty, or phrases, some with < > &), active (0/1).
      UTF-8 with LF line ends, quoting only where needed. COUNTS receives
      the rows each workload must write: "plain", "formatted" (quantity of
      at least 10) and "grouped", one "name count" per line.

  generate.py --groups GROUPS ROWS OUT.csv
      ROWS rows of group,name,qty, sorted by group, with exactly GROUPS
      distinct group values: the data of the group-count case.
"""
import csv
import datetime
import random
import sys

FIRST = ["Anna", "Ben", "Carla", "David", "Emma", "Felix", "Greta", "Hugo", "Ines", "Jonas",
         "Karin", "Lukas", "Marta", "Nils", "Olga", "Paul", "José", "Zoë", "Søren", "Łukasz",
         "Åsa", "Chloé", "Jürgen", "Renée", "花子", "太郎"]
LAST = ["Smith", "Jones", "Brown", "Taylor", "Wilson", "Evans", "Walker", "Wright", "Green",
        "Hall", "Wood", "Clarke", "Müller", "Dvořák", "Gonçalves", "Ødegård", "García", "Nguyễn",
        "山田", "日本"]
FIRMS = ["Acme", "Globex", "Initech", "Umbrella", "Hooli", "Vandelay", "Stark", "Wayne"]
CITIES = ["Berlin", "Hamburg", "München", "Köln", "Frankfurt", "Stuttgart", "Düsseldorf",
          "Leipzig", "Dresden", "Hannover", "Paris", "Lyon", "Marseille", "Toulouse", "Nice",
          "Nantes", "Zürich", "Genève", "Wien", "Graz", "London", "Leeds", "Bristol", "Dublin",
          "Cork", "Madrid", "Sevilla", "València", "Lisboa", "Porto", "Roma", "Milano", "Napoli",
          "Torino", "Praha", "Brno", "Kraków", "Gdańsk", "Oslo", "Bergen", "Malmö", "Göteborg",
          "København", "Aarhus", "Helsinki", "Reykjavík", "東京", "大阪", "Washington, D.C.",
          "St. John's"]
PHRASES = ["deliver to back door", "call before delivery", "gift wrap requested",
           "fragile, handle with care", "leave with neighbour", "invoice by e-mail",
           "priority customer", "second attempt", "customer asked for a receipt"]
MARKUP = ["qty < 10 & backorder", "size > XL", "<urgent> ship today", "Smith & Sons account",
          "price <= 5 & > 2", "see <b>terms</b> & conditions"]


def customer(rng):
    first, last = rng.choice(FIRST), rng.choice(LAST)
    kind = rng.random()
    if kind < 0.15:
        return f"{last}, {first}"
    if kind < 0.20:
        return f'{first} "{rng.choice(FIRMS)}" {last}'
    if kind < 0.25:
        return f"{rng.choice(FIRMS)} & {last} Ltd."
    return f"{first} {last}"


def note(rng):
    kind = rng.random()
    if kind < 0.10:
        return ""
    parts = [rng.choice(PHRASES) for _ in range(rng.randrange(1, 4))]
    if kind < 0.30:
        parts.insert(rng.randrange(len(parts) + 1), rng.choice(MARKUP))
    return "; ".join(parts)


def orders(rows, path, counts_path):
    rng = random.Random(20261208)
    first_day = datetime.date(2015, 1, 1)
    kept = 0
    with open(path, "w", encoding="utf-8", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["id", "customer", "city", "order_date", "amount", "quantity", "note",
                         "active"])
        for i in range(1, rows + 1):
            quantity = rng.randrange(1, 500)
            kept += quantity >= 10
            writer.writerow([i, customer(rng), rng.choice(CITIES),
                             (first_day + datetime.timedelta(days=rng.randrange(3650))).isoformat(),
                             f"{rng.randrange(100, 10_000_000) / 100:.2f}", quantity, note(rng),
                             "1" if rng.random() < 0.7 else "0"])
    if counts_path:
        with open(counts_path, "w") as counts:
            counts.write(f"plain {rows}\nformatted {kept}\ngrouped {rows}\n")


def groups(count, rows, path):
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write("group,name,qty\n")
        for i in range(rows):
            out.write(f"G{i * count // rows:06d},name {i},{i % 500}\n")


def main():
    args = sys.argv[1:]
    if args[:1] == ["--groups"] and len(args) == 4:
        groups(int(args[1]), int(args[2]), args[3])
    elif len(args) in (2, 3) and not args[0].startswith("-"):
        orders(int(args[0]), args[1], args[2] if len(args) == 3 else None)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
