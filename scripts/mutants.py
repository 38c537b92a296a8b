#!/usr/bin/env python3
"""A small mutation run: how many deliberate faults in the product code does the test suite catch?

  mutants.py generate            rewrite scripts/mutants.jsonl from the sources (seeded, so repeatable)
  mutants.py run [--only IDS]    apply each mutant in turn, rebuild, run the release suite, report
  mutants.py compare A.json B.json
                                 mutants caught in run A that run B lets through

A mutant changes one line: it flips a comparison, moves a bound by one, swaps an operator, drops a
check's early return or returns the other result. The list is committed, so two runs over the same
product code (before and after a change to the tests) judge the same faults.
"""
import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LIST = ROOT / "scripts" / "mutants.jsonl"
SEED = 14
# How many mutants each product folder gets; the list covers every folder, not just the largest.
QUOTAS = {"compression": 20, "loader": 26, "converter": 14, "plugins": 12, "parallel": 14, "utils": 14}

# (operator name, pattern, replacement). Binary operators need surrounding spaces, which keeps
# template brackets, pointers and stream operators out.
SWAPS = [
    ("flip <", " < ", " <= "), ("flip <=", " <= ", " < "),
    ("flip >", " > ", " >= "), ("flip >=", " >= ", " > "),
    ("flip ==", " == ", " != "), ("flip !=", " != ", " == "),
    ("swap &&", " && ", " || "), ("swap ||", " || ", " && "),
    ("swap +", " + ", " - "), ("swap -", " - ", " + "),
    ("bound +1", " + 1", " + 2"), ("bound -1", " - 1", " - 2"),
    ("result true", "return true;", "return false;"), ("result false", "return false;", "return true;"),
]
IF_HEAD = re.compile(r"\bif \(")


def product_files(folder):
    files = sorted((ROOT / folder).rglob("*.cpp"))
    return [f for f in files if not f.name.endswith("_win32.cpp")]


def inside_string(line, col):
    return line[:col].count('"') % 2 == 1


def matching_paren(line, open_col):
    depth = 0
    for i in range(open_col, len(line)):
        depth += {"(": 1, ")": -1}.get(line[i], 0)
        if depth == 0:
            return i
    return -1


def candidates(path):
    """Every single-line mutation the operators allow in one source file."""
    lines = path.read_text().split("\n")
    found = []
    for number, line in enumerate(lines, 1):
        code = line.strip()
        if not code or code.startswith(("//", "*", "/*", "#")) or "static_assert" in code:
            continue
        code_part = line.split("//")[0]
        for name, pattern, replacement in SWAPS:
            start = code_part.find(pattern)
            while start >= 0:
                if not inside_string(line, start):
                    mutated = line[:start] + replacement + line[start + len(pattern):]
                    found.append((number, name, line, mutated))
                start = code_part.find(pattern, start + 1)
        # Drop an early return: "if (cond) return ..." or an if whose next line returns.
        head = IF_HEAD.search(code_part)
        next_line = lines[number].strip() if number < len(lines) else ""
        if head:
            close = matching_paren(line, head.end() - 1)
            tail = line[close + 1:].strip() if close > 0 else ""
            if close > 0 and (tail.startswith("return") or (not tail and next_line.startswith("return"))):
                cond = line[head.end():close]
                mutated = line[:head.end()] + "(" + cond + ") && false" + line[close:]
                found.append((number, "drop early return", line, mutated))
    return found


def generate():
    rng = random.Random(SEED)
    mutants = []
    for folder, quota in QUOTAS.items():
        pool = []
        for path in product_files(folder):
            rel = str(path.relative_to(ROOT))
            pool += [(rel,) + c for c in candidates(path)]
        for rel, number, op, original, mutated in sorted(rng.sample(pool, min(quota, len(pool)))):
            mutants.append({"id": len(mutants) + 1, "file": rel, "line": number, "op": op,
                            "original": original, "mutated": mutated})
    with LIST.open("w") as out:
        for m in mutants:
            out.write(json.dumps(m) + "\n")
    print(f"{len(mutants)} mutants written to {LIST.relative_to(ROOT)}")


def load_list():
    return [json.loads(line) for line in LIST.read_text().splitlines() if line.strip()]


def run_command(cmd, limit):
    """Runs cmd in its own process group; returns its exit status, or None when it ran out of time."""
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        return proc.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        return None


class Mutation:
    """Applies one mutant to its file and puts the original back, whatever happens in between."""

    def __init__(self, mutant):
        self.path = ROOT / mutant["file"]
        self.mutant = mutant

    def __enter__(self):
        self.text = self.path.read_text()
        lines = self.text.split("\n")
        index = self.mutant["line"] - 1
        if index >= len(lines) or lines[index] != self.mutant["original"]:
            # Edits above the line move it: follow it when its text is still unique in the file.
            matches = [i for i, line in enumerate(lines) if line == self.mutant["original"]]
            if len(matches) != 1:
                raise LookupError(f"{self.mutant['file']}:{self.mutant['line']} no longer reads as listed")
            index = matches[0]
        lines[index] = self.mutant["mutated"]
        self.path.write_text("\n".join(lines))
        return self

    def __exit__(self, *exc):
        self.path.write_text(self.text)


def run(args):
    build = Path(args.build_dir).resolve()
    jobs = str(os.cpu_count() or 2)
    configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                 "-DOVR_BUILD_BENCH=OFF"]
    build_cmd = ["cmake", "--build", str(build), "-j", jobs]
    suite = ["ctest", "--test-dir", str(build), "-j", jobs, "--stop-on-failure"]
    subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(build_cmd, check=True, stdout=subprocess.DEVNULL)
    started = time.time()
    if run_command(suite, 1800) != 0:
        sys.exit("the unmutated suite fails: fix it before judging mutants")
    limit = args.timeout or max(240, 4 * (time.time() - started))
    print(f"unmutated suite: {time.time() - started:.0f} s; limit per mutant: {limit:.0f} s", flush=True)

    wanted = set(int(i) for i in args.only.split(",")) if args.only else None
    results = []
    for mutant in load_list():
        if wanted and mutant["id"] not in wanted:
            continue
        with Mutation(mutant):
            if run_command(build_cmd, 900) != 0:
                outcome = "unbuildable"
            else:
                status = run_command(suite, limit)
                outcome = "timed out" if status is None else ("survived" if status == 0 else "killed")
        results.append(dict(mutant, outcome=outcome))
        print(f"#{mutant['id']:3} {outcome:11} {mutant['file']}:{mutant['line']} ({mutant['op']})", flush=True)
    subprocess.run(build_cmd, check=True, stdout=subprocess.DEVNULL)  # back to the unmutated binaries

    report = Path(args.report)
    report.write_text(json.dumps(results, indent=1))
    summarise(results)
    print(f"results: {report}")


def summarise(results):
    counts = {k: sum(r["outcome"] == k for r in results) for k in ("killed", "timed out", "survived", "unbuildable")}
    judged = counts["killed"] + counts["timed out"] + counts["survived"]
    rate = 100.0 * (counts["killed"] + counts["timed out"]) / judged if judged else 0.0
    print(" ".join(f"{k}: {v}" for k, v in counts.items()) + f"  kill rate: {rate:.1f}% of {judged}")
    by_folder = {}
    for r in results:
        if r["outcome"] != "unbuildable":
            folder = r["file"].split("/")[0]
            caught, total = by_folder.get(folder, (0, 0))
            by_folder[folder] = (caught + (r["outcome"] != "survived"), total + 1)
    for folder, (caught, total) in sorted(by_folder.items()):
        print(f"  {folder:12} {caught:3}/{total:<3} killed")
    for r in results:
        if r["outcome"] == "survived":
            print(f"  survived #{r['id']}: {r['file']}:{r['line']} {r['op']}: {r['mutated'].strip()}")


def compare(args):
    before = {r["id"]: r for r in json.loads(Path(args.before).read_text())}
    after = {r["id"]: r for r in json.loads(Path(args.after).read_text())}
    lost = [after[i] for i in sorted(after) if i in before
            and before[i]["outcome"] in ("killed", "timed out") and after[i]["outcome"] == "survived"]
    print(f"{len(lost)} mutants killed by {args.before} survive {args.after}")
    for r in lost:
        print(f"  #{r['id']}: {r['file']}:{r['line']} {r['op']}: {r['mutated'].strip()}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("generate")
    r = sub.add_parser("run")
    r.add_argument("--build-dir", default=str(ROOT / "build" / "mutants"))
    r.add_argument("--report", default=str(ROOT / "build" / "mutants" / "results.json"))
    r.add_argument("--timeout", type=float, help="seconds per mutant's suite (default: 4x the unmutated suite, at least 240)")
    r.add_argument("--only", help="comma-separated mutant ids")
    c = sub.add_parser("compare")
    c.add_argument("before")
    c.add_argument("after")
    args = parser.parse_args()
    {"generate": lambda a: generate(), "run": run, "compare": compare}[args.command](args)


if __name__ == "__main__":
    main()
