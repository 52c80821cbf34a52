#!/usr/bin/env python3
"""Python's configparser as an independent reader and writer of the 3D settings group.

Usage:
  settings_ini.py read <file>               prints "key value,value,..." per key of
                                            [3DSetting], each number as Python reads it
  settings_ini.py write <file> key=value... sets the keys in [3DSetting] and writes the
                                            file back with configparser
"""
import configparser
import sys

GROUP = "3DSetting"


def load(path):
    c = configparser.ConfigParser(interpolation=None)
    c.optionxform = str
    c.read(path, encoding="utf-8")
    return c


def main():
    mode, path = sys.argv[1], sys.argv[2]
    c = load(path)
    if mode == "read":
        for key, value in c[GROUP].items():
            numbers = [float(part) for part in value.split(",")]
            print(key, ",".join(repr(n) for n in numbers))
    elif mode == "write":
        if not c.has_section(GROUP):
            c.add_section(GROUP)
        for pair in sys.argv[3:]:
            key, value = pair.split("=", 1)
            c[GROUP][key] = value
        with open(path, "w", encoding="utf-8") as f:
            c.write(f)
    else:
        sys.exit(2)


main()
