"""Calls from several threads."""

import os
import subprocess
import sys

FIRST_CALLS_ON_TWO_THREADS = """
import threading
from scripthost import CreateObject
aggs = [CreateObject("Corvane.AggCo") for _ in range(2)]
results = []
ts = [threading.Thread(target=lambda a=a: results.append(a.FreqMoms(2, [2.0], 1))) for a in aggs]
[t.start() for t in ts]
[t.join() for t in ts]
print(len(results), [list(r) for r in results])
"""


def test_first_calls_on_two_threads_before_numpy_is_imported():
    # In a fresh interpreter, so that numpy is not imported before the host is.
    out = subprocess.run([sys.executable, "-c", FIRST_CALLS_ON_TWO_THREADS], capture_output=True, text=True,
                         env=os.environ, timeout=120)
    assert out.returncode == 0, out.stderr
    assert out.stdout.strip() == "2 [[2.0, 6.0, 22.0], [2.0, 6.0, 22.0]]"
