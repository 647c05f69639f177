#!/usr/bin/env python3
"""Makes the seed corpora of the fuzzers, except the PNG samples (make-png-samples.py).

Writes tests/fuzz/corpus/{bios_item,profile_block,oc_profile,language_text,board_parser,
machine_record,turbo_record}/.
Each seed is a small, well-formed input of its reader, or one that stops at a known
edge; the fuzzers mutate from there. Inputs a fuzzer found that showed a fault are
kept beside them under names starting "found-", and this script leaves those alone.
Run from anywhere; commit the output.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
# Between the parts of a bios_item input (tests/fuzz/FuzzSupport.h).
PART = "\U0001F525".encode("utf-8")


def word(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


class Package:
    """The simulator's package format (sim/AcpiPackage.h)."""

    def __init__(self):
        self.body = b""
        self.count = 0

    def value(self, v):
        self.body += word(0) + word(4) + word(v)
        self.count += 1
        return self

    def text(self, t):
        data = t.encode("latin-1") + b"\0"
        self.body += word(1) + word(len(data)) + data + b"\0" * (-len(data) % 4)
        self.count += 1
        return self

    def bytes(self, count=None):
        return word(self.count if count is None else count) + self.body


def base_word(exponent, base):
    return ((exponent & 0xFF) << 24) | (base & 0xFFFFFF)


def number(item_id, base, step, count, extra=()):
    p = Package().value(item_id).value(0).value(0x10).value(1).value(base).value(step & 0xFFFFFF).value(count)
    if extra:
        p.value(len(extra))
        for t in extra:
            p.text(t)
    return p


def text_list(item_id, texts):
    p = Package().value(item_id).value(0).value(0).value(0).value(len(texts))
    for t in texts:
        p.text(t)
    return p


def boolean(item_id):
    return Package().value(item_id).value(0).value(0).value(0).value(0)


def group(ids):
    p = Package()
    for i in ids:
        p.value(i)
    return p


def bios_item():
    fast = number(0x03800012, base_word(-2, 100), 10, 3, ["Auto", "Off"])
    ratio = number(0x03010013, base_word(0, 8), 1, 40)
    volts = number(0x03030060, base_word(0, 8125), 125, 200)
    mode = text_list(0x03080031, ["Slow", "Normal", "Fast"])
    turbo = boolean(0x03070030)
    return {
        "number-exponent": number(0x03000010, base_word(-2, 100), 10, 3).bytes(),
        "number-extra-texts": fast.bytes(),
        "number-unit3": volts.bytes(),
        "number-negative": number(0x03000011, base_word(-2, -5), 1, 20).bytes(),
        "number-short": Package().value(0x03000010).value(0).value(0).value(0).value(1).value(1).bytes(),
        "number-lying-count": number(0x03800010, base_word(0, 1), 1, 3, ["one"]).bytes(count=40),
        "text-list": mode.bytes(),
        "text-list-lying-count": text_list(0x03080001, ["a"]).bytes(count=9),
        "boolean": turbo.bytes(),
        # Groups to walk, with the descriptions the library answers (chosen by id).
        "walk-group3": PART.join([fast.bytes(), group([0x03010013, 0x03030060, 0x03080031, 0x03070030]).bytes(),
                                  turbo.bytes(), ratio.bytes(), volts.bytes(), mode.bytes()]),
        "walk-info": PART.join([turbo.bytes(), Package().value(0x11).value(0x22).value(0x33).value(0x03000001).bytes()]),
        # The second description is larger than the buffer: the library writes what fits
        # and says so; the walk must keep the first item's description and id.
        "walk-refused-description": PART.join([turbo.bytes(), group([0x03080031, 0x03000010]).bytes(),
                                               number(0x03000010, base_word(0, 1), 1, 3, ["x" * 40] * 120).bytes(),
                                               mode.bytes()]),
    }


def profile_block():
    def block(index, words, size=None, fails=False):
        data = b"".join(word(w) for w in words)
        return word(len(data) if size is None else size) + word(index) + bytes([1 if fails else 0]) + data

    return {
        "two-pairs": block(0, [0, 0x03000020, 7, 0xFFFFFFFF, 0x03070030, 1]),
        "no-marker": block(1, [0, 0x03010011, 10, 0x03010013, 42, 0x03010013, 44]),
        "odd-size": block(2, [0, 0x03010011, 10, 0x03010013], size=14),
        "size-beyond-buffer": block(0, [0, 0x03010011, 10], size=8192),
        "fails": block(0, [0, 1, 2], fails=True),
    }


def oc_profile():
    def oc(header, version, count, records, tail=b""):
        return word(header) + word(version) + word(count) + b"".join(word(i) + word(v) for i, v in records) + tail

    return {
        "three-records": oc(0xC0FFEE, 1, 3, [(0x03010011, 10), (0x03010013, 42), (0x03010013, 44)]),
        "empty": oc(0, 0, 0, []),
        "torn-record": oc(0, 1, 3, [(1, 2), (3, 4)], b"\x7f" * 5),
        "version2": oc(0, 2, 1, [(0x03010011, 5)]),
        "huge-count": oc(0, 1, 0xFFFFFFFF, [(0x03010011, 5)]),
        "short-header": word(0) + word(1) + b"\x03\x00",
    }


BOM = "\ufeff"


def file_seed(text, cut=0):
    data = text if isinstance(text, bytes) else text.encode("utf-8")
    return struct.pack("<HB", 0, 0x80) + (data[:-cut] if cut else data)


def language_text():
    def lang(lang_id, flags, *fields):
        return struct.pack("<HB", lang_id, flags) + "\n".join(fields).encode("latin-1")

    long_value = "x" * 150 + "y" * 150
    return {
        "japanese-full-key": lang(0x0411, 0, "Japanese", "Japanese", "JA-Apply", "Apply", "Apply,Cancel,Close"),
        "japanese-primary-key": lang(0x0411, 0x01, "", "Japanese", "Error 737", "Apply", ""),
        "unusable-names": lang(0x0411, 0, "..\\..\\Windows\\win", "sub\\dir", "x", "y", "a"),
        "english-fallback": lang(0x0409, 0x0F, "", "", "", "", ""),
        "long-values": lang(0x040C, 0x20, "French", "French", long_value, "z" * 127, ",".join(["key"] * 60)),
        "three-digit-primary": lang(0x0523, 0x01, "", "Low", "", "Low-Apply", "k"),
        # Language files (flag 0x80): the marks, a declaration, and damage.
        "file-bom-alone": file_seed(BOM),
        "file-utf8": file_seed(BOM + "[Language]\r\nName=Deutsch\r\n[Translations]\r\nApply=\u00dcbernehmen\r\n"),
        "file-utf16-bom": file_seed(b"\xff\xfe" + "[Translations]\nApply=\u9069\u7528\n".encode("utf-16-le")),
        "file-utf16be-odd": file_seed(b"\xfe\xff" + "[Translations]\nApply=x".encode("utf-16-be") + b"\x00"),
        "file-truncated": file_seed(BOM + "[Translations]\nCancel=ok\nApply=\u9069", cut=1),
        "file-invalid": file_seed(BOM.encode() + b"[Translations]\nApply=\xc0\xaf\nClose=\xed\xa0\x80\nCancel=ok\n"),
        "file-declared": file_seed(b"[Language]\nEncoding=1252\n[Translations]\nApply=Appliquer \x93\xe9\n"),
    }


def board_parser():
    return {
        "every-option.txt": "\n".join([
            "# every directive and option the reader knows",
            "info 0x11 0x22 0x33 0x03000001",
            "item 0x00060008 0x4",
            "item 0x030600F0 0 count=4",
            "item 0x03010013 0 base=8 step=1 count=40 percore=10,11,12,13 reported=2 attr=0x40000000",
            "item 0x03800012 1 base=0xFE000064 step=10 count=3 extra=\"Auto\",\"Off\"",
            "item 0x03070030 1 noread",
            "item 0x03080031 2 texts=\"Slow\",\"Normal\",\"Fast # not a comment\" nowrite",
            "block 0x05080002 0 0 0x03000020 7 0xFFFFFFFF 0x03070030 1",
            "fail group 4",
            "dormix supported=1 level=2 button=3,4 pacely=1 hushly=0 ventix3=1 item=0x10:1,0x11:2 item=0x12:-1",
            "scheme {381b4222-f694-41f0-9685-ff5bb260df2e} 3",
            "scheme 8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C 0",
            "scheme {11111111-2222-3333-4444-555555555555} 4 active",
            "windows 10.0",
            "power source=battery mode=5",
            "",
        ]),
        # A Windows 7 laptop on AC whose custom plan is in force, the version after the plans.
        "windows7-custom-plan.txt": "\n".join([
            "dormix button=3,0",
            "scheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 0",
            "scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 3",
            "scheme {ABCDEF01-2345-6789-ABCD-EF0123456789} 1 active",
            "power mode=0 source=ac",
            "windows 6.1",
            "",
        ]),
        # Refused on the version line's account, though the plan came first.
        "error-action-beyond-windows.txt": "scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 4\nwindows 6.3\n",
        "error-late.txt": "item 0x03000010 0 count=2\nitem 0x03000010 1\n",
        "crlf.txt": "info 1 2 3\r\nitem 0x03080001 0 texts=\"a b\"\r\n",
    }


BALANCED = "{381B4222-F694-41F0-9685-FF5BB260DF2E}"
SAVER = "{A1841308-3541-4FAB-BC81-F71556F20B4A}"


def machine_record():
    """The older shared record, then accounts' records, between part markers."""
    def account(turn, holds, saved=None, schemes=(), end=True):
        text = "turn %d\n" % turn
        if saved:
            text += "saved %d %d\n" % saved
        text += "".join("scheme %s %d\n" % s for s in schemes)
        text += "holds %d\n" % holds
        return text + ("end\n" if end else "")

    def parts(*texts):
        return PART.join(t.encode("latin-1") for t in texts)

    older = "saved 3 0\nscheme %s 3\nholder 0A1B-2C3D\n" % BALANCED
    return {
        "older-and-two": parts(older, account(4, 1, (4, 0), [(BALANCED, 4), (SAVER, 0)]), account(5, 0)),
        "cut-short": parts("", account(2, 1, (3, 0), end=False)),
        "after-the-end": parts("", account(2, 1) + "holds 0\n"),
        "turn-beyond": parts("", account(1 << 49, 1)),
        "undefined-action": parts("", account(1, 0, (3, 0), [(BALANCED, 9)])),
        "undefined-pair": parts("saved 99 3735928559\n", account(1, 0, (3, 1234))),
        "scheme-twice": parts("", account(1, 0, None, [(BALANCED, 1), (BALANCED, 2)])),
        "same-turn": parts("", account(7, 1, (1, 0)), account(7, 0, (2, 0))),
        "garbage": b"\x01\x02 garbage \xff\n" + PART + b"turn \xff\nend",
    }


def turbo_record():
    """Start-up values as the settings keep them: (id, value) pairs of two words."""
    def pairs(*items):
        return b"".join(word(i) + word(v) for i, v in items)

    return {
        "whole": pairs((0x03000013, 28), (0x03000013, 28), (0x03000013, 28), (0x03000013, 28),
                       (0x03010011, 0), (0x03020012, 80), (0x03000015, 22)),
        "empty": b"",
        "odd-sized": b"\x01\x02\x03",
        "another-group-numbered-13": pairs((0x07000013, 30)),
        "the-restore-guard": pairs((0x0B060001, 1)),
        "beyond-the-steps": pairs((0x03020012, 200)),
        "read-only": pairs((0x03000040, 5)),
        "not-listed": pairs((0x03FF0099, 1)),
        "base-clock-at-the-top": pairs((0x03010011, 0xFFFFFFFF)),
        "the-core-selector": pairs((0x030600F0, 2)),
    }


def write(folder, seeds):
    path = os.path.join(CORPUS, folder)
    os.makedirs(path, exist_ok=True)
    for name in os.listdir(path):
        if not name.startswith("found-"):
            os.remove(os.path.join(path, name))
    for name, data in seeds.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data.encode("latin-1") if isinstance(data, str) else data)


def main():
    write("bios_item", bios_item())
    write("profile_block", profile_block())
    write("oc_profile", oc_profile())
    write("language_text", language_text())
    write("board_parser", board_parser())
    write("machine_record", machine_record())
    write("turbo_record", turbo_record())


if __name__ == "__main__":
    main()
