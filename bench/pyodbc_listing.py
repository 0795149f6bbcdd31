"""Times pyodbc.drivers() and pyodbc.dataSources() in one process, after warm-up.

Usage: python3 pyodbc_listing.py RUNS; prints one JSON object of median seconds.
"""
import json
import statistics
import sys
import time

import pyodbc


def median_seconds(runs, listing):
    for _ in range(2):
        listing()
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        listing()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


runs = max(1, int(sys.argv[1]))
print(json.dumps({
    "drivers": median_seconds(runs, pyodbc.drivers),
    "dataSources": median_seconds(runs, pyodbc.dataSources),
    "driversListed": len(pyodbc.drivers()),
    "dataSourcesListed": len(pyodbc.dataSources()),
}))
