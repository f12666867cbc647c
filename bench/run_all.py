"""Runs every script in bench/ and closes with one table of all their rows.

Each script runs in PROCESSES fresh interpreters, all scripts once before any
runs again.  A process lays out its code, stack and heap at addresses of its
own, and that alone moves a call's time by up to a few tens of percent (for
a walk over a 1,000-vertex list, from process to process, the same in every
sample within one; 10% for the floor); so a figure in the closing table is
a candidate's best over the samples of every process, as within one process
it is the best of its samples.  The first round prints each script's rows;
the later rounds only add to the table.

A script that fails (exits non-zero, or dies) is named at the end and the run
exits with status 1; the other scripts still run.  The rows of every process
are kept in the file ORBALT_BENCH_RECORD names when it is set, so that two
runs can be compared later, and in a temporary file otherwise.

    .venv/bin/python bench/run_all.py      (make bench installs the peers first)
"""
import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path

import timer

HERE = Path(__file__).resolve().parent
NOT_SCRIPTS = {"timer.py", "run_all.py"}
PROCESSES = 5


def run(script, env, quiet):
    """Runs one script; returns None, or how it failed."""
    command = [sys.executable, str(script)]
    if quiet:
        done = subprocess.run(command, env=env, capture_output=True, text=True)
        if done.returncode != 0:
            sys.stdout.write(done.stdout)
            sys.stderr.write(done.stderr)
    else:
        done = subprocess.run(command, env=env)
    code = done.returncode
    if code == 0:
        return None
    return f"killed by signal {-code}" if code < 0 else f"exit status {code}"


def best_rows(records):
    """The rows of every process merged: each candidate's best time."""
    rows = {}
    for record in records:
        key = (record["script"], record["label"])
        row = rows.get(key)
        if row is None:
            rows[key] = record
            continue
        row["ours"] = min(row["ours"], record["ours"])
        row["floor"] = min(row["floor"], record["floor"])
        row["peers"] = [[name, min(t, u)] for (name, t), (_, u) in zip(row["peers"], record["peers"])]
    return list(rows.values())


def main():
    scripts = sorted(p for p in HERE.glob("*.py") if p.name not in NOT_SCRIPTS)
    path = os.environ.get("ORBALT_BENCH_RECORD")
    temporary = not path
    if temporary:
        handle, path = tempfile.mkstemp(prefix="orbalt-bench-", suffix=".jsonl")
        os.close(handle)
    open(path, "w").close()
    env = dict(os.environ, ORBALT_BENCH_RECORD=path)
    failed = {}
    try:
        for round_ in range(PROCESSES):
            if round_ == 1:
                print(f"=== the same scripts in {PROCESSES - 1} more rounds of fresh processes",
                      flush=True)
            for script in scripts:
                name = f"bench/{script.name}"
                if name in failed:
                    continue
                if round_ == 0:
                    print(f"=== {name}", flush=True)
                how = run(script, env, quiet=round_ > 0)
                if how:
                    failed[name] = how
                    print(f"=== {name} FAILED ({how})", flush=True)
        with open(path, encoding="utf-8") as lines:
            records = [json.loads(line) for line in lines]
    finally:
        if temporary:
            os.unlink(path)
    print()
    print(f"Per call: best sample of thread CPU time over at least {timer.REPEAT} calm rounds "
          f"in each of {PROCESSES} processes")
    print(timer.summary(best_rows(records)))
    if failed:
        for name, how in failed.items():
            print(f"bench: {name} failed ({how})", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
