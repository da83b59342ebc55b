"""Page numbers of a printed page's link targets, read back from the PDF that Chromium wrote, so the
contents can show the page of every section.

Chromium (Skia) writes the PDF's objects uncompressed (only streams are compressed), a page tree
under the catalog's /Pages and a /Dests dictionary that maps each linked anchor's id to
[page-object /XYZ x y zoom]. That is all this reads."""

import re

OBJECT = re.compile(rb"(\d+) 0 obj\s*(.*?)\s*endobj", re.S)


def objects(pdf):
    found = {}
    for m in OBJECT.finditer(pdf):
        body = m.group(2)
        stream = body.find(b"stream")
        found[int(m.group(1))] = body if stream < 0 else body[:stream]
    return found


def ref(body, key):
    m = re.search(rb"/" + key + rb"\s+(\d+) 0 R", body)
    return int(m.group(1)) if m else None


def page_order(objs, node):
    """Page object numbers in reading order, walking the page tree from `node`."""
    body = objs[node]
    if re.search(rb"/Type\s*/Page\b(?!s)", body):
        return [node]
    kids = re.search(rb"/Kids\s*\[([^\]]*)\]", body)
    pages = []
    for kid in re.findall(rb"(\d+) 0 R", kids.group(1) if kids else b""):
        pages += page_order(objs, int(kid))
    return pages


def unescape_name(name):
    return re.sub(rb"#([0-9A-Fa-f]{2})", lambda m: bytes([int(m.group(1), 16)]), name).decode()


def destination_pages(pdf_bytes):
    """Maps each named destination (an HTML id that a link points at) to its page, from 1."""
    objs = objects(pdf_bytes)
    catalog = next(n for n, b in objs.items() if re.search(rb"/Type\s*/Catalog\b", b))
    pages = {obj: i + 1 for i, obj in enumerate(page_order(objs, ref(objs[catalog], b"Pages")))}
    dests_obj = ref(objs[catalog], b"Dests")
    if dests_obj is None:
        return {}
    found = {}
    for name, page in re.findall(rb"/([^\s/\[\]<>()]+)\s*\[\s*(\d+) 0 R", objs[dests_obj]):
        found[unescape_name(name)] = pages.get(int(page))
    return found


def page_count(pdf_bytes):
    objs = objects(pdf_bytes)
    catalog = next(n for n, b in objs.items() if re.search(rb"/Type\s*/Catalog\b", b))
    return len(page_order(objs, ref(objs[catalog], b"Pages")))
