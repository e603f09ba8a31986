#!/usr/bin/env python3
"""Copies a text file with CR LF line ends, as Windows' Notepad shows them.

    tools/crlf.py SOURCE TARGET
"""
import sys

with open(sys.argv[1], "rb") as source:
    text = source.read().replace(b"\r\n", b"\n")
with open(sys.argv[2], "wb") as target:
    target.write(text.replace(b"\n", b"\r\n"))
