#!/usr/bin/env python3
# Reads the address cards of a file with vobject and prints, for each, the fields the
# program writes: what an independent reader makes of them.
import sys

import vobject

with open(sys.argv[1], encoding="utf-8", newline="") as f:
    text = f.read()
for card in vobject.readComponents(text):
    n = card.n.value
    print("N family=%s given=%s prefix=%s" % (n.family, n.given, n.prefix))
    if hasattr(card, "adr"):
        a = card.adr.value
        print("ADR street=%s city=%s code=%s" % (a.street, a.city, a.code))
    tels = [t.value for t in card.contents.get("tel", [])]
    if tels:
        print("TEL " + " ".join(tels))
    if hasattr(card, "email"):
        print("EMAIL " + card.email.value)
    for name in ("x-codice-fiscale", "x-partita-iva"):
        if name in card.contents:
            print(name.upper() + " " + card.contents[name][0].value)
    if hasattr(card, "note"):
        print("NOTE " + card.note.value.replace("\n", "|"))
