#!/usr/bin/env python3
# Drives a real VELK window (offscreen, in a folder of its own): another program renames its own
# version of Alarms.data into place RATE times a second, as sync tools and editors do, while
# `velk --add/--remove` commands arrive. An edit is lost when the editor's next read did not
# find it and it is neither in the final file nor in any Alarms.data.external*.
#   bench/filerace.py RATE SECONDS BUILD        e.g. bench/filerace.py 10 30 build
# (Commands that fail are mostly the editor's own doing: it renames over a save it did not read.)
import os, subprocess, sys, time, threading, glob, shutil, tempfile
rate, secs, build = float(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
d = tempfile.mkdtemp(prefix="velkrace")
for f in ("velk", "velkgui.so"):
    shutil.copy(os.path.join(build, "app", f), d)
data = os.path.join(d, "Alarms.data")
run = os.path.join(d, "run"); os.mkdir(run, 0o700)
env = dict(os.environ, XDG_RUNTIME_DIR=run, QT_QPA_PLATFORM="offscreen")
win = subprocess.Popen([os.path.join(d, "velk"), "tray"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(1.5)
def block(i):
    return "Edit\r\nN:00\r\n46363.375\r\n-\r\n0\r\n1\r\nn=%d\r\n\r\n" % i
def stripedit(t):
    k = t.find("Edit\r\nN:00\r\n")
    if k < 0: return t
    e = t.find("\r\n\r\n", k) + 4
    return t[:k] + t[e:]
present, stop, cmds = {}, False, [0, 0]
def commands():
    k = 0
    while not stop:
        for a in (["--add", "C%d" % k, "N:00"], ["--remove", "C%d" % k]):
            r = subprocess.run([os.path.join(d, "velk")] + a, env=env, capture_output=True)
            cmds[0] += 1; cmds[1] += r.returncode != 0
        k += 1
th = threading.Thread(target=commands); th.start()
n, t0 = 0, time.time()
while time.time() - t0 < secs:
    try: t = open(data, newline="").read()
    except FileNotFoundError: t = ""
    if n: present[n - 1] = ("n=%d\r\n" % (n - 1)) in t
    tmp = data + ".edit"
    with open(tmp, "w", newline="") as f: f.write(stripedit(t) + block(n))
    os.rename(tmp, data)
    n += 1
    time.sleep(max(0, t0 + n / rate - time.time()))
stop = True; th.join()
time.sleep(1.0)
win.terminate(); win.wait()
kept = glob.glob(data + ".external*")
texts = [open(p, newline="").read() for p in [data] + kept]
lost = [i for i in range(n) if not present.get(i) and not any(("n=%d\r\n" % i) in x for x in texts)]
print("rate %g/s: %d edits, %d lost, %d .external files, %d commands (%d failed)" %
      (rate, n, len(lost), len(kept), cmds[0], cmds[1]))
shutil.rmtree(d)
