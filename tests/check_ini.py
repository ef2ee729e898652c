#!/usr/bin/env python3
"""Reads a glimra.ini with an INI parser of its own and prints every section and key in file order.

Usage: check_ini.py PATH. Prints "[SECTION]" and "KEY=VALUE" lines; exits 1 when the file does
not parse (for example a section or key written twice).
"""
import configparser
import sys


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: check_ini.py PATH", file=sys.stderr)
        return 2
    parser = configparser.ConfigParser(interpolation=None, strict=True)
    parser.optionxform = str  # keys keep their case
    try:
        with open(sys.argv[1], encoding="ascii") as file:
            parser.read_file(file)
    except (configparser.Error, UnicodeDecodeError, OSError) as error:
        print(f"not a valid INI file: {error}", file=sys.stderr)
        return 1
    for section in parser.sections():
        print(f"[{section}]")
        for key, value in parser.items(section):
            print(f"{key}={value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
