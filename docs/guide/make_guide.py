#!/usr/bin/env python3
"""Builds the user's guide, Zorvantix.pdf, from guide.html and the module itself.

The parameter tables, names and defaults come from the module's resources and from a scene the
runner has just made; the pictures are the runner's own viewer pages, photographed by a headless
Chromium, which then prints the guide. Standard library only.

    make_guide.py --source REPO --zvplot build/zvplot --plugins build/plugins/zorvantix \\
                  --chromium /usr/bin/chromium --work build/guide --output Zorvantix.pdf
"""

import argparse
import concurrent.futures
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # the build leaves the source folder as it found it

import browser  # noqa: E402
import icons  # noqa: E402
import pdfpages  # noqa: E402
import resources  # noqa: E402
import template  # noqa: E402

DESCRIPTIONS = ["o3dplot", "o3dplotmesh", "o3dplotgrid", "o3dplotcage", "o3dplotlabel"]
KIND_OF = {"o3dplot": "plot", "o3dplotmesh": "mesh", "o3dplotgrid": "grid",
           "o3dplotcage": "cage", "o3dplotlabel": "labels"}
ALL_COMPONENTS = ["--add", "mesh", "--add", "cage", "--add", "grid", "--add", "labels",
                  "--set", "mesh.vertexcolors=true"]
WAVE = ["--formula", "Sin(x + f * 6) * Cos(z)", "--add", "mesh", "--set",
        "mesh.vertexcolors=true", "--add", "cage"]

BOWL = ["--formula", "x * x + z * z", "--add", "mesh", "--set", "mesh.vertexcolors=true",
        "--add", "cage"]
# The colours span the gradient over the plotted heights, whatever the size of the values.
DATA_COLOURS = ["--set", "colorrange=Data"]

# Each picture is one scene of the runner: name -> (width and height of the view, arguments).
# The presets are wider than tall so that six of them fill a page.
FIGURE, PRESET = (960, 640), (960, 560)
PICTURES = {f"preset_{n}": (PRESET, ["--preset", str(n), *ALL_COMPONENTS, *DATA_COLOURS])
            for n in range(11)}
PICTURES.update({
    "bowl_values": (FIGURE, BOWL),
    "bowl_data": (FIGURE, [*BOWL, *DATA_COLOURS]),
    **{f"clipped_{n}": (FIGURE, ["--preset", str(n), "--set", "heightmode=2", *ALL_COMPONENTS,
                                 *DATA_COLOURS]) for n in (5, 8)},
    "surface": (FIGURE, ["--add", "mesh", "--set", "mesh.vertexcolors=true"]),
    "primitives": (FIGURE, ["--set", "resolution=16", "--add", "mesh",
                            "--set", "mesh.mode=primitives", "--set", "mesh.primitive=sphere",
                            "--set", "mesh.markersize=8", "--add", "cage"]),
    "wires": (FIGURE, ["--add", "cage", "--set", "cage.levels=1", "--set", "cage.sections=1",
                       "--add", "grid", "--set", "grid.step=2", "--set", "grid.color=#5aa0ff"]),
    "labels": (FIGURE, ["--add", "mesh", "--set", "mesh.vertexcolors=true", "--add", "cage",
                        "--add", "labels", "--set", "labels.axes=2"]),
    **{f"frame_{f}": (FIGURE, [*WAVE, "--frame", str(f)]) for f in (0, 15, 30)},
})
# The viewer's caption and mouse hints are for the screen; the guide writes its own captions.
HIDE_PANELS = "<style>#caption, #help, #player, #layers { display: none !important; }</style>"
FOOTER = ("<div style=\"font: 7.5pt 'DejaVu Sans', sans-serif; color: #6b7280; width: 100%; "
          "margin: 0 18mm; display: flex; justify-content: space-between;\">"
          "<span>Zorvantix User's Guide</span><span class=\"pageNumber\"></span></div>")


def log(message):
    print(f"guide: {message}", flush=True)


def run_zvplot(zvplot, plugins, extra):
    command = [zvplot, "--plugins", plugins, *extra]
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                          timeout=120)
    if done.returncode != 0:
        raise SystemExit(f"guide: {' '.join(command)} failed:\n{done.stderr}")
    return done


def scene_defaults(args, work):
    """Every object's parameters as a freshly made scene holds them, by description name."""
    dump = os.path.join(work, "defaults.json")
    run_zvplot(args.zvplot, args.plugins,
               ["--add", "mesh", "--add", "grid", "--add", "cage", "--add", "labels",
                "--dump", dump])
    with open(dump, encoding="utf-8") as f:
        plot = json.load(f)["objects"][0]
    found = {"o3dplot": plot["parameters"]}
    for child in plot.get("children", []):
        for name, kind in KIND_OF.items():
            if child.get("kind") == kind and name not in found:
                found[name] = child["parameters"]
    os.remove(dump)
    return found


def make_pictures(args, chromium_log):
    """Writes pictures/NAME.jpg in the work folder for every picture; the viewer pages are removed
    after."""
    folder = os.path.join(args.work, "pictures")
    os.makedirs(folder, exist_ok=True)

    def page(item):
        name, (size, extra) = item
        path = os.path.join(folder, name + ".html")
        run_zvplot(args.zvplot, args.plugins, [*extra, "-o", path])
        return name, size, path

    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        pending = list(pool.map(page, PICTURES.items()))
    # A headless browser now and then stops answering; a fresh one gets a second chance.
    for attempt in range(2):
        with browser.Browser(args.chromium, chromium_log) as chrome:
            while pending:
                name, size, path = pending[0]
                try:
                    browser.shoot_viewer(chrome, path, os.path.join(folder, name + ".jpg"),
                                         *size, HIDE_PANELS)
                except browser.ViewerError:
                    raise
                except browser.BrowserError as e:
                    if attempt:
                        raise
                    log(f"{e}; starting Chromium again")
                    break
                os.remove(path)
                pending.pop(0)
        if not pending:
            return


def read_module(source):
    res = os.path.join(source, "res")
    names = resources.read_object_names(res)
    descriptions = {n: resources.read_description(res, n, names) for n in DESCRIPTIONS}
    labels = {}
    for n in DESCRIPTIONS:
        labels.update(resources.read_strings(
            os.path.join(res, "strings_en-US", "description", n + ".str")))
    return res, descriptions, labels


def print_guide(chrome, html_path, pdf_path, guide):
    """Prints until the contents' page numbers agree with where the sections landed."""
    pages = {}
    for attempt in range(3):
        with open(html_path, "w", encoding="utf-8") as f:
            f.write(guide.render(pages))
        browser.print_pdf(chrome, html_path, pdf_path, FOOTER)
        with open(pdf_path, "rb") as f:
            found = pdfpages.destination_pages(f.read())
        missing = [k for k in guide.heading_ids() if found.get(k) is None]
        if missing:
            raise SystemExit(f"guide: the PDF has no page for {', '.join(missing)}")
        if all(pages.get(k) == found[k] for k in guide.heading_ids()):
            return
        pages = found
    raise SystemExit("guide: the contents' page numbers do not settle")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--source", required=True, help="the repository")
    parser.add_argument("--zvplot", required=True)
    parser.add_argument("--plugins", required=True, help="the module's folder")
    parser.add_argument("--chromium", required=True)
    parser.add_argument("--work", required=True, help="a folder for the intermediate files")
    parser.add_argument("--output", required=True)
    parser.add_argument("--version", default="")
    args = parser.parse_args()
    start = time.monotonic()
    os.makedirs(args.work, exist_ok=True)
    chromium_log = os.path.join(args.work, "chromium.log")
    open(chromium_log, "w").close()

    res, descriptions, labels = read_module(args.source)
    guide = template.Guide(
        source=args.source, here=HERE, version=args.version, descriptions=descriptions,
        labels=labels, defaults=scene_defaults(args, args.work))
    os.makedirs(os.path.join(args.work, "icons"), exist_ok=True)
    icons.write_icons(os.path.join(res, "3dPlot.tif"), os.path.join(args.work, "icons"))
    partial = args.output + ".part"
    try:
        make_pictures(args, chromium_log)
        log(f"{len(PICTURES)} pictures in {time.monotonic() - start:.1f} s")
        with browser.Browser(args.chromium, chromium_log) as chrome:
            print_guide(chrome, os.path.join(args.work, "guide.html"), partial, guide)
    except browser.BrowserError as e:
        raise SystemExit(f"guide: {e} (Chromium's messages: {chromium_log})") from None
    os.replace(partial, args.output)
    with open(args.output, "rb") as f:
        count = pdfpages.page_count(f.read())
    log(f"wrote {args.output}: {count} pages in {time.monotonic() - start:.1f} s")


if __name__ == "__main__":
    main()
