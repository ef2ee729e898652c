"""The benchmark's tables in Markdown, from what scripts/benchmark.sh leaves in its run folder."""
import json
import statistics
import sys
from pathlib import Path

FILES = ["program/image/img.bmp", "peers/root.xwd", "program/image/img.png", "peers/import.png", "peers/scrot.png",
         "program/image/img.jpg", "peers/import.jpg"]
STEPS = ["findCaptureRegion", "createCaptureBitmap", "copyScreen", "drawCursor", "writeBmpFile", "saveWithEncoder_jpeg",
         "saveWithEncoder_png"]
CAPTURES = [("BMP", "capture_bmp", "xwd", "xwd -root -silent -out file"),
            ("PNG", "capture_png", "import_png", "import -window root x.png"),
            ("PNG", "capture_png", "scrot_png", "scrot -o x.png"),
            ("JPEG", "capture_jpeg", "import_jpeg", "import -window root x.jpg"), ("all three formats", "capture_all")]
STAGES = [(f"in-process: {step.replace('_', ' ')}", step) for step in STEPS] + [
    (f"whole capture to {label}", *keys) for label, *keys in CAPTURES]  # label, our key, the peer's key and command


def figures(folder):
    """Each key's median over its lines (a RESULT has one, a SAMPLE one a run) and hyperfine's runs; file sizes."""
    samples = {}
    for line in (folder / "ours.txt").read_text().splitlines() + (folder / "peers.txt").read_text().splitlines():
        _, key, value = line.split()
        samples.setdefault(key, []).append(float(value))
    for peer in json.loads((folder / "peers.json").read_text())["results"]:
        samples[peer["command"]] = [1000 * time for time in peer["times"]]
    sizes = {name: (folder / name).stat().st_size for name in FILES}
    width, height = map(int, folder.name.split("x"))
    assert sizes[FILES[0]] == 54 + (width * 3 + 3) // 4 * 4 * height, f"Wine's screen was not {folder.name}"
    return {key: statistics.median(runs) for key, runs in samples.items()} | sizes | {"frame": width * height * 3 / 2**20}


def table(header, rows):
    print("\n| " + " | ".join(header) + " |\n|---|---|" + "--:|" * (len(header) - 2))
    print("\n".join("| " + " | ".join(row) + " |" for row in rows))


def memory(f, n):
    before, growth, after = (f[f"memory_{what}_{n}"] for what in ["before", "growth", "after"])
    return [f"{before + growth:.1f}", f"{growth / f['frame']:.2f}", f"{after:.1f}"]


def report(data):
    """Every table of one build."""
    table(["Stage", "Screen", "Ours (ms)", "Peer", "Peer (ms)", "Ours / peer"],
          [[label, size, f"{f[ours]:{'.3g' if ours in STEPS else '.1f'}}"] +
           ([peer[1], f"{f[peer[0]]:.1f}", f"{f[ours] / f[peer[0]]:.2f}"] if peer else ["", "", ""])
           for size, f in data.items() for label, ours, *peer in STAGES])
    table(["Screen", "Frame", "Idle", "Peak, 1st capture", "Growth / frame", "After 1st", "Peak, 2nd capture",
           "Growth / frame", "After 2nd", "Start-up (ms)"],
          [[size, f"{f['frame']:.1f}", f"{f['memory_before_1']:.1f}", *memory(f, 1), *memory(f, 2),
            f"{f['startup']:.0f}"] for size, f in data.items()])
    table(["Screen", "copyScreen", "saveWithEncoder JPEG", "saveWithEncoder PNG"],
          [[size] + [f"{f['peak_' + step] / f['frame']:.2f}" for step in ["copyScreen", *STEPS[5:]]]
           for size, f in data.items()])
    table(["Screen", "xwd", "import PNG", "import JPEG", "scrot", "Our BMP / xwd", "Our PNG / import / scrot",
           "Our JPEG / import", "Differing pixels"],
          [[size] + [f"{f['rss_' + peer] / 1024:.1f}" for peer in ["xwd", "import_png", "import_jpeg", "scrot_png"]] +
           [" / ".join(str(f[name]) for name in names) for names in [FILES[:2], FILES[2:5], FILES[5:]]] +
           [f"{f['differing_pixels']:.0f}"] for size, f in data.items()])


# Arguments: the screen sizes in one, then BUILD=RUN_FOLDER for each build timed.
runs = {build: {size: figures(Path(folder, size)) for size in sys.argv[1].split()}
        for build, folder in (arg.split("=", 1) for arg in sys.argv[2:])}
for build, data in runs.items():
    print(f"\n### {build}")
    report(data)
if len(runs) > 1:  # the builds side by side, in milliseconds; the two PNG peers share one row
    print("\n### The builds side by side")
    table(["Stage", "Screen"] + [f"{build} (ms)" for build in runs],
          [[label, size] + [f"{data[size][key]:.1f}" for data in runs.values()]
           for size in next(iter(runs.values())) for label, key in dict(stage[:2] for stage in STAGES).items()])
