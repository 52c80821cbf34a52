#!/usr/bin/env python3
"""Prints the keys of the group PickList of a settings file as key=value lines, in file
order, read with Python's configparser (an independent reader)."""
import configparser
import sys

parser = configparser.ConfigParser(interpolation=None, strict=True)
parser.optionxform = str
with open(sys.argv[1], encoding="utf-8") as f:
    parser.read_file(f)
if parser.has_section("PickList"):
    for key, value in parser.items("PickList"):
        print(f"{key}={value}")
