#!/usr/bin/env python3
"""The plain workload with pandas: read_csv, then DataFrame.to_xml (lxml)."""
import sys

import pandas


def main():
    frame = pandas.read_csv(sys.argv[1], dtype=str, keep_default_na=False)
    frame.to_xml(sys.argv[2], index=False, root_name="document", row_name="row",
                 parser="lxml", encoding="utf-8")


if __name__ == "__main__":
    main()
