#!/usr/bin/env python3
"""Builds the coach's chat scripts and talk data into the program's data folder.

Usage: build_chat_scripts.py --check <zh_chatcheck> --source <data/src/chat>
           --symbols <ChatDefs.inc> --openings <opening lines folder> --out <data folder>
           [--espeak <espeak-ng>] --stamp <file>

Writes, below the data folder:
  Chatter/ChatDefs.inc                          the event symbols
  Chatter/<Language>/{general,coach,game,analysis}.cht   scrambled remark scripts; a
                                                language without its own sources gets
                                                the English ones
  talk.cht, Chatter/<n>.wav                     the talk script and its spoken remarks
  ecosnd.cht, ECO/<n>.wav                       one spoken name per opening name
  namesnd.txt, names/<file>.wav                 the spoken first names
Every script is checked with the program's parser first. Without espeak-ng the
scripts are written and the wave files skipped with one warning.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_messages import opening_names  # noqa: E402

LANGUAGES = ["English", "Deutsch", "Francais", "Espanol", "Italiano", "Nederlnd", "Slovenia"]
REMARK_SCRIPTS = ["general", "coach", "game", "analysis"]
# The key the program descrambles with: byte i is XORed with KEY[i mod 35].
KEY = b"Copper Lanterns & Midnight Orchards"
VOICE = "en-gb"


def fail(message):
    sys.exit("build_chat_scripts: " + message)


def scramble(data):
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def check(tool, symbols, kind, path):
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
    run = subprocess.run([tool, symbols, kind, path], capture_output=True, text=True, env=env)
    sys.stderr.write(run.stderr)
    if run.returncode != 0:
        fail(f"{path} does not pass the check")
    return run.stdout


def strip_comments(text):
    return re.sub(r"/\*.*?\*/", " ", text, flags=re.S)


def talk_alternatives(text):
    """(event symbol, transcript, wave numbers) of a talk source, read independently."""
    body = strip_comments(text)
    body = re.sub(r'^\s*AUTHOR\s*=\s*"[^"]*"\s*;', "", body)
    out = []
    for symbol, inner in re.findall(r"([A-Za-z]\w*)\s*\{(.*?)\}", body, flags=re.S):
        for transcript, items in re.findall(r'"([^"]*)"\s*,\s*([^;]*);', inner):
            numbers = [i.strip() for i in items.split(",")]
            out.append((symbol, transcript, numbers))
    return out


def eco_source(names):
    """Groups the codes that share an opening name into one code list with ranges."""
    groups = {}
    for eco, name in names:
        groups.setdefault(name, []).append(eco)
    lines = ["/* Spoken opening names: codes, then the transcript and its wave number. */"]
    spoken = []
    for number, (name, codes) in enumerate(groups.items(), 1):
        numbers = [(c[0], int(c[1:])) for c in codes]
        ranges = []
        for letter, n in numbers:
            if ranges and ranges[-1][0] == letter and ranges[-1][2] == n - 1:
                ranges[-1][2] = n
            else:
                ranges.append([letter, n, n])
        parts = [f"{l}{a:02d}" if a == b else f"{l}{a:02d} - {l}{b:02d}" for l, a, b in ranges]
        lines.append(f'{" , ".join(parts)} {{\n  "{name}", {number};\n}}')
        spoken.append((number, name))
    return "\n".join(lines) + "\n", spoken


def names_source(path):
    with open(path, encoding="utf-8") as f:
        names = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    if len(set(names)) != len(names):
        fail(f"{path}: a name appears twice")
    lines = [f"LAST = {len(names)};"]
    files = []
    for name in names:
        if '"' in name:
            fail(f"{path}: {name} holds a double quote")
        file = re.sub(r"[^a-z0-9]", "_", name.lower()) + ".wav"
        lines.append(f'"{name}" = "{file}";')
        files.append((file, name))
    return "\n".join(lines) + "\n", files


def speak_all(espeak, jobs, cache_path):
    """Speaks (text, target) pairs in parallel. A target spoken before from the same
    text (as the cache file beside the stamp records) is kept."""
    try:
        with open(cache_path, encoding="utf-8") as f:
            cache = json.load(f)
    except (OSError, ValueError):
        cache = {}

    def speak(job):
        text, target = job
        if os.path.exists(target) and cache.get(target) == text:
            return
        os.makedirs(os.path.dirname(target), exist_ok=True)
        subprocess.run([espeak, "-v", VOICE, "-w", target + ".tmp", text], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.replace(target + ".tmp", target)

    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        list(pool.map(speak, jobs))
    write(cache_path, json.dumps({target: text for text, target in jobs}, indent=0).encode("utf-8"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--check", required=True)
    ap.add_argument("--source", required=True)
    ap.add_argument("--symbols", required=True)
    ap.add_argument("--openings", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--espeak", default="")
    ap.add_argument("--stamp", required=True)
    args = ap.parse_args()
    out = args.out
    chatter = os.path.join(out, "Chatter")

    os.makedirs(chatter, exist_ok=True)
    shutil.copyfile(args.symbols, os.path.join(chatter, "ChatDefs.inc"))

    for language in LANGUAGES:
        own = os.path.join(args.source, language)
        folder = own if os.path.isdir(own) else os.path.join(args.source, "English")
        for script in REMARK_SCRIPTS:
            source = os.path.join(folder, script + ".cht.txt")
            check(args.check, args.symbols, "remarks", source)
            with open(source, "rb") as f:
                write(os.path.join(chatter, language, script + ".cht"), scramble(f.read()))

    talk_path = os.path.join(args.source, "talk.cht.txt")
    counts = check(args.check, args.symbols, "talk", talk_path).split()
    with open(talk_path, encoding="utf-8") as f:
        talk_text = f.read()
    alternatives = talk_alternatives(talk_text)
    events = {a[0] for a in alternatives}
    if counts != ["entries", str(len(events)), "alternatives", str(len(alternatives))]:
        fail(f"{talk_path}: the parser read {' '.join(counts)}, the source holds "
             f"{len(events)} entries and {len(alternatives)} alternatives")
    waves = {}
    for _, transcript, numbers in alternatives:
        if len(numbers) == 1:
            waves.setdefault(numbers[0], transcript)
    for _, _, numbers in alternatives:
        for n in numbers:
            if n.isdigit() and n not in waves:
                fail(f"{talk_path}: wave {n} has no transcript of its own")
    write(os.path.join(out, "talk.cht"), scramble(talk_text.encode("utf-8")))

    eco_text, spoken_openings = eco_source(opening_names(args.openings))
    eco_plain = os.path.join(os.path.dirname(args.stamp), "ecosnd.cht.txt")
    write(eco_plain, eco_text.encode("utf-8"))
    check(args.check, args.symbols, "eco", eco_plain)
    write(os.path.join(out, "ecosnd.cht"), scramble(eco_text.encode("utf-8")))

    names_text, spoken_names = names_source(os.path.join(args.source, "first_names.txt"))
    write(os.path.join(out, "namesnd.txt"), names_text.encode("utf-8"))

    if args.espeak and os.path.exists(args.espeak):
        jobs = [(text, os.path.join(chatter, n + ".wav")) for n, text in waves.items()]
        jobs += [(name.replace(":", ","), os.path.join(out, "ECO", f"{n}.wav"))
                 for n, name in spoken_openings]
        jobs += [(name, os.path.join(out, "names", file)) for file, name in spoken_names]
        speak_all(args.espeak, jobs, os.path.join(os.path.dirname(args.stamp), "spoken.json"))
    else:
        print("build_chat_scripts: warning: espeak-ng not found, the talk data has no wave files",
              file=sys.stderr)
    with open(args.stamp, "w") as f:
        f.write("done\n")


if __name__ == "__main__":
    main()
