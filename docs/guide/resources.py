"""Reads the module's parameter descriptions the way the host shows them: the identifiers and their
numbers (res/description/*.h), the layout, types, ranges and choices (res/description/*.res) and the
names a user reads (res/strings_en-US/description/*.str, res/strings_en-US/c4d_strings.str).

The guide's parameter tables are made from these files alone, so they cannot drift from what the
module offers.
"""

import os
import re
from dataclasses import dataclass, field


@dataclass
class Parameter:
    ident: str            # O3DPLOT_RESOLUTION
    number: int           # 10000
    kind: str             # LONG, REAL, BOOL, STRING, COLOR, GRADIENT, VECTOR, FONT, BUTTON
    label: str            # "Resolution"
    minimum: str = None   # as written in the .res file
    maximum: str = None
    step: str = None
    choices: list = field(default_factory=list)  # (number, label) in the order shown


@dataclass
class Group:
    label: str            # "" for the parameters outside any named group
    parameters: list = field(default_factory=list)


@dataclass
class Description:
    name: str             # "o3dplot"
    title: str            # the object's name: "Zorvantix Plot"
    groups: list = field(default_factory=list)

    def parameters(self):
        return [p for g in self.groups for p in g.parameters]


def read_identifiers(path):
    with open(path, encoding="utf-8") as f:
        return {m[1]: int(m[2]) for m in re.finditer(r"\b(\w+)\s*=\s*(-?\d+)", f.read())}


def unescape(text):
    return re.sub(r"\\u([0-9A-Fa-f]{4})", lambda m: chr(int(m[1], 16)), text)


def read_strings(path):
    with open(path, encoding="utf-8") as f:
        return {m[1]: unescape(m[2]) for m in re.finditer(r'^\s*(\w+)\s+"((?:[^"\\]|\\.)*)"\s*;',
                                                            f.read(), re.M)}


def tokens(text):
    text = re.sub(r"//[^\n]*", "", text)
    return re.findall(r"[{};]|[^\s{};]+", text)


class ResParser:
    """The .res grammar the module uses: CONTAINER, NAME, INCLUDE, GROUP, SEPARATOR, and one
    element per parameter with its properties (MIN, MAX, STEP, ANIM, CYCLE { ... })."""

    def __init__(self, toks, ids, strings):
        self.toks, self.pos, self.ids, self.strings = toks, 0, ids, strings

    def take(self, expected=None):
        tok = self.toks[self.pos]
        if expected and tok != expected:
            raise ValueError(f"expected {expected!r}, found {tok!r}")
        self.pos += 1
        return tok

    def peek(self):
        return self.toks[self.pos] if self.pos < len(self.toks) else None

    def block(self, groups, label):
        """Reads up to the closing brace; the group's parameters join `groups` under `label`."""
        current = Group(label)
        groups.append(current)
        while self.peek() != "}":
            word = self.take()
            if word in ("NAME", "INCLUDE"):
                self.take()
                self.take(";")
            elif word == "GROUP":
                name = self.take()
                self.take("{")
                # ID_OBJECTPROPERTIES is the host's own page: its parameters belong to no group.
                self.block(groups, self.strings.get(name, ""))
                self.take("}")
                current = Group(label)
                groups.append(current)
            elif word == "SEPARATOR":
                self.skip_braces()
            else:
                current.parameters.append(self.element(word))

    def skip_braces(self):
        self.take("{")
        depth = 1
        while depth:
            tok = self.take()
            depth += {"{": 1, "}": -1}.get(tok, 0)

    def element(self, kind):
        ident = self.take()
        p = Parameter(ident, self.ids[ident], kind, self.strings.get(ident, ident))
        self.take("{")
        while self.peek() != "}":
            word = self.take()
            if word == "CYCLE":
                self.take("{")
                while self.peek() != "}":
                    entry = self.take()
                    self.take(";")
                    p.choices.append((self.ids[entry], self.strings.get(entry, entry)))
                self.take("}")
            elif word in ("MIN", "MAX", "STEP"):
                setattr(p, {"MIN": "minimum", "MAX": "maximum", "STEP": "step"}[word], self.take())
                self.take(";")
            else:  # flags such as ANIM OFF; LINE;
                while self.take() != ";":
                    pass
        self.take("}")
        return p


def read_description(res_dir, name, object_names, language="strings_en-US"):
    ids = read_identifiers(os.path.join(res_dir, "description", name + ".h"))
    strings = read_strings(os.path.join(res_dir, language, "description", name + ".str"))
    with open(os.path.join(res_dir, "description", name + ".res"), encoding="utf-8") as f:
        toks = tokens(f.read())
    parser = ResParser(toks, ids, strings)
    parser.take("CONTAINER")
    container = parser.take()
    parser.take("{")
    groups = []
    parser.block(groups, "")
    title = strings.get(container) or object_names.get(ids[container], name)
    return Description(name, title, [g for g in groups if g.parameters])


def read_object_names(res_dir, language="strings_en-US"):
    """Object names by string id (15000 ...), from the module's string table."""
    ids = read_identifiers(os.path.join(res_dir, "c4d_symbols.h"))
    strings = read_strings(os.path.join(res_dir, language, "c4d_strings.str"))
    return {ids[k]: v for k, v in strings.items() if k in ids}
