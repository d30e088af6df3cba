"""Runs kivo-screenshots under a virtual X display in English and Japanese and checks that every
window and dialog it opens from its menu command was saved with its controls showing: a
picture of a sensible size, not one flat colour, and with the detail of drawn controls."""
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

PICTURES = [
    "panel", "level1b_eqr", "composite_polar", "metadata_list", "animation_panel", "select_area",
    "lookup_table_editor", "colour_table_editor", "version", "prefs_user", "prefs_image_output",
    "prefs_map_layer", "prefs_map_file", "movie_output", "history_bar",
]


def main():
    program, samples = sys.argv[1], sys.argv[2]
    if not os.path.isdir(samples) or not shutil.which("xvfb-run"):
        print("no sample products or no xvfb-run")
        return 77
    failures = []
    with tempfile.TemporaryDirectory() as out:
        for lang in ("en", "ja"):
            folder = os.path.join(out, lang)
            os.makedirs(folder)
            run = subprocess.run(
                ["timeout", "600", "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", program,
                 "--samples", samples, "--out", folder, "--lang", lang],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                env=dict(os.environ, QT_QPA_PLATFORM="xcb"))
            if run.returncode != 0:
                failures.append(f"{lang}: kivo-screenshots exited {run.returncode}\n{run.stdout}")
            for name in PICTURES:
                path = os.path.join(folder, f"{lang}_{name}.png")
                if not os.path.exists(path):
                    failures.append(f"{lang}: {name} was not saved")
                    continue
                image = Image.open(path).convert("RGB")
                w, h = image.size
                if w < 150 or h < 80 or w > 1400 or h > 1100:
                    failures.append(f"{lang}: {name} is {w} x {h}")
                colours = image.getcolors(maxcolors=1 << 20)
                distinct = len(colours) if colours is not None else 1 << 20
                if distinct < 8:
                    failures.append(f"{lang}: {name} shows {distinct} colours only")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
