#!/usr/bin/python3
"""Writes a YARA rule set that matches exactly the files the signature detector matches: one rule
per record of the signature table, the detector's own header reads, section choice and offset
mapping written out as YARA conditions (32-bit wrap-around by masking).
usage: make_yara_rules.py SIGNATURES.BIN OUT.yar"""
import struct
import sys

RECORD = struct.Struct("<50si21si21sii")
EXACT, NEAR, ANY = 1, 2, 3
WINDOW = 4096
MASK = "0xFFFFFFFF"

H = "uint16(60)"  # low half of e_lfanew only, as the detector reads it
COUNT = "uint16(%s + 6)" % H
SOH = "uint32(%s + 84)" % H


def field(section, at):
    return "uint32(%s + 248 + %s * 40 + %d)" % (H, section, at)


def run_condition(string, offset):
    rva = "((uint32(%s + 40) + (%d)) & %s)" % (H, offset, MASK)

    def place(mapped):
        # An offset at or past the end falls back to the rva itself; 0 reads at SizeOfHeaders.
        return ("((%(m)s < filesize and %(m)s != 0 and %(s)s at %(m)s) or "
                "(%(m)s < filesize and %(m)s == 0 and %(s)s at %(h)s) or "
                "(%(m)s >= filesize and %(r)s != 0 and %(s)s at %(r)s) or "
                "(%(m)s >= filesize and %(r)s == 0 and %(s)s at %(h)s))") % {"m": mapped, "s": string, "r": rva, "h": SOH}

    def ends_above(section):
        return "(%s < ((%s + %s) & %s))" % (rva, field(section, 12), field(section, 8), MASK)

    mapped = "((%s - %s + %s) & %s)" % (rva, field("i", 12), field("i", 20), MASK)
    # The first section whose end lies above the rva (no lower bound), else the last one.
    chosen = ("(for any i in (0..19) : (i < %(n)s and (%(e)s or i == %(n)s - 1) and "
              "(for all j in (0..19) : (j >= i or not %(ej)s)) and %(p)s))") % {
                  "n": COUNT, "e": ends_above("i"), "ej": ends_above("j"), "p": place(mapped)}
    return "((%s == 0 and %s) or (%s > 0 and %s))" % (COUNT, place(rva), COUNT, chosen)


def main():
    data = open(sys.argv[1], "rb").read()
    out = open(sys.argv[2], "w")
    # Headers as the detector reads them: signature, file header, optional header head, then
    # NumberOfSections entries (at most 20) at the fixed section table position.
    headers = ("uint32(%(h)s) == 0x00004550 and %(h)s + 120 <= filesize and %(n)s <= 20 and "
               "(%(n)s == 0 or %(h)s + 248 + %(n)s * 40 <= filesize)") % {"h": H, "n": COUNT}
    count = 0
    for index in range(len(data) // RECORD.size):
        name, first_offset, first, second_offset, second, size, rule = RECORD.unpack_from(data, index * RECORD.size)
        if name[0] == 0:
            break
        if rule == EXACT:
            length = "filesize == %d" % size
        elif rule == NEAR:
            length = "filesize > %d and filesize < %d" % (size - WINDOW, size + WINDOW)
        elif rule == ANY:
            length = "true"
        else:
            continue  # never matches
        count += 1
        out.write("rule row%d\n{\n    meta:\n        name = \"%s\"\n    strings:\n" % (index + 1, name.rstrip(b"\0").decode()))
        out.write("        $first = { %s }\n" % " ".join("%02X" % b for b in first[:20]))
        out.write("        $second = { %s }\n" % " ".join("%02X" % b for b in second[:20]))
        out.write("    condition:\n        %s and %s and\n        %s and\n        %s\n}\n\n" % (
            length, headers, run_condition("$first", first_offset), run_condition("$second", second_offset)))
    print("%d rules" % count)


main()
