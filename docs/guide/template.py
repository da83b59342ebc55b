"""Fills guide.html: names, labels and defaults from the module, the parameter tables, the formula
language, the presets, numbered headings and the contents."""

import html
import os
import re

import simple_markdown as markdown

FIELD = re.compile(r"\{\{(\w+)(?:\s+([^{}]*?))?\s*\}\}")
HEADING = re.compile(r"<h([23])( class=\"unnumbered\")? id=\"([^\"]+)\">(.*?)</h\1>", re.S)
SUPERSCRIPT = str.maketrans("0123456789-", "⁰¹²³⁴⁵⁶⁷⁸⁹⁻")
KIND_NAMES = {"LONG": "Whole number", "REAL": "Number", "BOOL": "On or off", "STRING": "Text",
              "COLOR": "Colour", "GRADIENT": "Gradient", "VECTOR": "Vector x, y, z",
              "FONT": "Font", "BUTTON": "Button"}


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def number(text):
    """A number as a reader writes it: 200, −180, 0.1, 10²⁰."""
    m = re.fullmatch(r"(-?)1e\+?(\d+)", str(text))
    if m:
        return f"{'−' if m[1] else ''}10{m[2].translate(SUPERSCRIPT)}"
    value = float(text)
    shown = str(int(value)) if value.is_integer() and abs(value) < 1e15 else repr(value)
    return shown.replace("-", "−")


def read_notes(path):
    """parameters.txt: IDENT [| default [| values]] then indented description lines."""
    notes, current = {}, None
    for line in read(path).splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        if line[0].isspace():
            current["text"].append(line.strip())
            continue
        parts = [p.strip() for p in line.split("|")]
        current = {"default": parts[1] if len(parts) > 1 else None,
                   "values": parts[2] if len(parts) > 2 else None, "text": []}
        notes[parts[0]] = current
    return notes


def read_preset_notes(path):
    return [l.strip() for l in read(path).splitlines() if l.strip() and not l.startswith("#")]


class Guide:
    def __init__(self, source, here, version, descriptions, labels, defaults):
        self.source, self.here, self.version = source, here, version
        self.descriptions, self.labels, self.defaults = descriptions, labels, defaults
        self.params = {p.ident: (name, p) for name, d in descriptions.items()
                       for p in d.parameters()}
        self.notes = read_notes(os.path.join(here, "parameters.txt"))
        self.preset_notes = read_preset_notes(os.path.join(here, "presets.txt"))
        self.check_notes()
        page = re.sub(r"<!--.*?-->\s*", "", read(os.path.join(here, "guide.html")), flags=re.S)
        self.body = self.number_headings(self.fill(page))

    # ---- checks that keep the prose in step with the module ----

    def check_notes(self):
        undescribed = [i for i in self.params if i not in self.notes]
        unknown = [i for i in self.notes if i not in self.params]
        if undescribed or unknown:
            raise SystemExit("guide: parameters.txt is out of step with res/description: "
                             f"no text for {undescribed}, unknown {unknown}")
        presets = self.params["O3DPLOT_PRESET"][1].choices
        if len(presets) != len(self.preset_notes):
            raise SystemExit(f"guide: presets.txt has {len(self.preset_notes)} notes for "
                             f"{len(presets)} presets")

    # ---- fields ----

    def fill(self, text):
        def field(m):
            name, arg = m[1], (m[2] or "").strip()
            handler = getattr(self, "field_" + name, None)
            if handler is None:
                raise SystemExit(f"guide: unknown field {{{{{name}}}}}")
            return handler(arg)
        return FIELD.sub(field, text)

    def field_object(self, name):
        return html.escape(self.descriptions[name].title)

    def field_label(self, ident):
        if ident not in self.labels:
            raise SystemExit(f"guide: no label for {ident}")
        return html.escape(self.labels[ident])

    def field_default(self, ident):
        name, p = self.params[ident]
        return html.escape(self.default_text(name, p))

    def field_version(self, _):
        return html.escape(self.version)

    def field_stylesheet(self, _):
        return read(os.path.join(self.here, "guide.css"))

    def field_picture(self, name):
        return f"<img class=\"picture\" src=\"pictures/{name}.jpg\" alt=\"\">"

    def field_icon(self, name):
        return f"<img class=\"icon\" src=\"icons/{name}.png\" alt=\"\">"

    def field_contents(self, _):
        return "{{contents}}"  # filled by render(), once the page numbers are known

    def field_formula_language(self, _):
        text = read(os.path.join(self.source, "docs", "formula-language.md"))
        text = re.sub(r"\A\s*#[^\n]*\n", "", text)  # the chapter has its own heading
        return markdown.to_html(text, heading_shift=0, id_prefix="fl-")

    # ---- values ----

    def default_value(self, name, p):
        return self.defaults.get(name, {}).get(str(p.number))

    def default_text(self, name, p):
        note = self.notes[p.ident]
        if note["default"]:
            return note["default"]
        value = self.default_value(name, p)
        if p.kind == "BUTTON" or value is None:
            return "–"
        if p.choices:
            return dict(p.choices).get(value, str(value))
        if p.kind == "BOOL":
            return "On" if value else "Off"
        if isinstance(value, list):
            return ", ".join(number(v) for v in value)
        if isinstance(value, (int, float)):
            return number(value)
        return str(value)

    def default_cell(self, name, p):
        text = html.escape(self.default_text(name, p))
        value = self.default_value(name, p)
        if p.kind == "STRING":
            return f"<code>{text}</code>"
        if p.kind == "COLOR" and isinstance(value, list):
            rgb = ", ".join(str(round(255 * max(0.0, min(1.0, c)))) for c in value)
            return f"<span class=\"swatch\" style=\"background: rgb({rgb})\"></span>{text}"
        if p.kind == "GRADIENT" and isinstance(value, dict):
            stops = ", ".join(
                f"rgb({', '.join(str(round(255 * c)) for c in k['color'])}) "
                f"{100 * k['position']:g}%" for k in value.get("gradient", []))
            return f"<span class=\"ramp\" style=\"background: linear-gradient(90deg, {stops})\">" \
                   f"</span>{text}"
        return text

    def values_cell(self, p):
        note = self.notes[p.ident]
        if note["values"]:
            return self.fill(markdown.inline(note["values"]))
        if p.choices:
            return "<ul class=\"choices\">" + "".join(
                f"<li>{html.escape(label)}</li>" for _, label in p.choices) + "</ul>"
        kind = KIND_NAMES.get(p.kind, p.kind.title())
        if p.minimum is not None and p.maximum is not None:
            limits = f"{number(p.minimum)} … {number(p.maximum)}"
        elif p.minimum is not None:
            limits = f"≥ {number(p.minimum)}"
        elif p.maximum is not None:
            limits = f"≤ {number(p.maximum)}"
        else:
            return kind
        return f"{kind}<span class=\"limits\">{limits}</span>"

    # ---- generated blocks ----

    def field_parameters(self, name):
        d = self.descriptions[name]
        named = any(g.label for g in d.groups)
        rows = []
        for g in d.groups:
            label = g.label or ("Buttons" if all(p.kind == "BUTTON" for p in g.parameters)
                                else "General" if named else "")
            if label:
                rows.append(f"<tr class=\"group\"><td colspan=\"4\">{html.escape(label)}</td></tr>")
            rows += [self.parameter_row(name, p) for p in g.parameters]
        return ("<table class=\"params\"><colgroup><col class=\"c-name\"><col class=\"c-values\">"
                "<col class=\"c-default\"><col class=\"c-text\"></colgroup><thead><tr>"
                "<th>Parameter</th><th>Values</th><th>Default</th><th>What it does</th></tr>"
                "</thead><tbody>" + "".join(rows) + "</tbody></table>")

    def parameter_row(self, name, p):
        text = self.fill(markdown.inline(" ".join(self.notes[p.ident]["text"])))
        return (f"<tr><td class=\"name\"><strong>{html.escape(p.label)}</strong>"
                f"<span class=\"ident\">{p.ident} <span class=\"nr\">· {p.number}</span></span>"
                f"</td>"
                f"<td class=\"values\">{self.values_cell(p)}</td>"
                f"<td class=\"default\">{self.default_cell(name, p)}</td><td>{text}</td></tr>")

    def field_presets(self, _):
        cells = []
        for (index, formula), note in zip(self.params["O3DPLOT_PRESET"][1].choices,
                                          self.preset_notes):
            cells.append(
                f"<figure class=\"preset\">{self.field_picture(f'preset_{index}')}"
                f"<figcaption><span class=\"preset-no\">Preset {index}</span>"
                f"<code class=\"formula\">{html.escape(formula)}</code>"
                f"<span class=\"note\">{self.fill(markdown.inline(note))}</span>"
                f"</figcaption></figure>")
        return "<div class=\"preset-grid\">" + "".join(cells) + "</div>"

    # ---- headings and contents ----

    def number_headings(self, text):
        self.headings = []
        chapter, section = 0, 0

        def numbered(m):
            nonlocal chapter, section
            level, unnumbered, ident, title = int(m[1]), m[2], m[3], m[4]
            if unnumbered:
                return m[0]
            if level == 2:
                chapter, section = chapter + 1, 0
                num = str(chapter)
            else:
                section += 1
                num = f"{chapter}.{section}"
            self.headings.append((level, num, ident, re.sub(r"<[^>]+>", "", title).strip()))
            return (f"<h{level} id=\"{ident}\"><span class=\"num\">{num}</span>"
                    f"{title}</h{level}>")
        return HEADING.sub(numbered, text)

    def heading_ids(self):
        return [h[2] for h in self.headings]

    def render(self, pages):
        entries = []
        for level, num, ident, title in self.headings:
            page = pages.get(ident, "")
            entries.append(
                f"<li class=\"toc{level}\"><a href=\"#{ident}\"><span class=\"num\">{num}</span>"
                f"<span class=\"title\">{title}</span><span class=\"leader\"></span>"
                f"<span class=\"page\">{page}</span></a></li>")
        return self.body.replace("{{contents}}", "<ol class=\"toc\">" + "".join(entries) + "</ol>")
