#!/usr/bin/env python3
"""Wine server requests of a data installation, by phase, from a WINEDEBUG=+server trace.

    count_requests.py TRACE SRC DST FILES          the wizard's run (/datos or the window)
    count_requests.py --plain TRACE SRC FILES      vorlan_plain_copy's run

Phases of the wizard's thread are told apart by what it opens: its first,
second and third listing of SRC begin the count, the room measurement and the
copy; the grant begins when it holds DST. The workers are the other threads
that open files under SRC, the grant's helpers those that open entries under DST. Window and message requests outside the copy (the
question and the final box) are left out. bench/count-requests runs it.
"""
import re, sys, collections
if sys.argv[1] == '--plain':
    trace, src, files = sys.argv[2], sys.argv[3], int(sys.argv[4])
    req = re.compile(r'^([0-9a-f]{4}): ([a-z_]+)\( (.*)$')
    S = 'name=L"\\\\??\\\\' + src.replace('\\', '\\\\')
    lines = [m.groups() for m in map(req.match, open(trace, errors='replace')) if m]
    first = next(i for i, (t, r, a) in enumerate(lines) if r == 'create_file' and S in a)
    n = len(lines) - first
    print(f'| plain copier, from its first open under the source | {n} | {n / files:.2f} |')
    sys.exit(0)
trace, src, dst, files = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
req = re.compile(r'^([0-9a-f]{4}): ([a-z_]+)\( (.*)$')
def nt(p): return 'name=L"\\\\??\\\\' + p.replace('\\', '\\\\')
S, D = nt(src), nt(dst)
FS = {'create_file', 'open_file_object', 'close_handle', 'get_handle_fd', 'set_fd_disp_info', 'set_fd_name_info',
      'get_security_object', 'set_security_object', 'get_directory_cache_entry', 'flush', 'get_volume_info',
      'get_handle_unix_name', 'open_mapping', 'create_mapping', 'get_mapping_info', 'get_file_info'}
lines = [m.groups() for m in map(req.match, open(trace, errors='replace')) if m]
main = next(t for t, r, a in lines if r == 'create_file' and S + '\\\\"' in a)
workers = {t for t, r, a in lines if t != main and r == 'create_file' and S in a}
# The grant's helpers: the other threads that open entries under DST.
granters = {t for t, r, a in lines if t != main and t not in workers and r == 'create_file' and D + '\\\\' in a}
last_worker = max(i for i, (t, r, a) in enumerate(lines) if t in workers)
rows = collections.Counter(); roots = 0; phase = None; listing = None
for i, (t, r, a) in enumerate(lines):
    if t in workers:
        rows['copy workers', 'fs' if r in FS else 'other'] += 1; continue
    if t in granters:
        rows['grant', 'fs' if r in FS else 'other'] += 1; continue
    if t != main: continue
    if r == 'create_file' and S + '\\\\"' in a:
        roots += 1; phase = {1: 'count', 2: 'room measurement', 3: 'copy walk'}.get(roots, phase)
    if phase == 'copy walk' and i > last_worker: phase = 'attribute pass'
    if r == 'create_file' and 'options=00004020' in a and D + '"' in a and roots >= 3: phase = 'grant'
    if phase is None: continue
    kind = 'fs' if r in FS else 'window'
    name = phase
    if phase == 'copy walk' and kind == 'fs':
        # a listing of a written destination folder is its check; it runs to the close of its handle
        if r == 'create_file' and 'options=00004021' in a and D + '\\\\' in a and not a.split(D, 1)[1].startswith('\\\\"'):
            listing = True
        if listing: name = 'folder checks'
        if listing and r == 'close_handle': listing = None
    if phase == 'copy walk' and kind == 'window': name = 'copy: report, message loop, waits'
    if phase == 'grant' and kind == 'window': continue  # the final box
    if phase in ('count', 'room measurement') and kind == 'window': continue  # the question box
    rows[name, kind] += 1
print(f'| phase | requests | per file |\n|---|---:|---:|')
order = ['count', 'room measurement', 'copy walk', 'copy workers', 'folder checks', 'copy: report, message loop, waits', 'attribute pass', 'grant']
for name in order:
    n = sum(v for (p, k), v in rows.items() if p == name)
    print(f'| {name} | {n} | {n / files:.2f} |')
