#!/usr/bin/env python3
"""Runs the rivel.config collection through the real Ansible engine against the built rivel.

Each stand-in host is a local connection with its own directory tree, so check mode, diff mode,
per-host results and failures all go through ansible-playbook as on a real fleet. Ends with the
line 'N passed, M failed'; the exit status is 1 when anything failed.

    playbook_test.py RIVEL [--no-sanity]
"""
import difflib
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CONTRIB = os.path.dirname(HERE)
REPO = os.path.dirname(os.path.dirname(CONTRIB))
COLLECTION = os.path.join(CONTRIB, "ansible_collections", "rivel", "config")
EXAMPLES = os.path.join(REPO, "examples")

GOOD = ["pc1", "pc2", "pc3"]
BAD = "pc4"
# A condition rivel does not know: a command file error.
BAD_CMD = b"+[windows]Beep=no\r\nIF NOSUCHTEST x\r\n+[windows]run=x\r\nENDIF\r\n"

passed = 0
failed = 0


def check(name, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print("ok    " + name)
    else:
        failed += 1
        print("FAIL  " + name + ("\n      " + detail.replace("\n", "\n      ") if detail else ""))


def tree_state(root):
    """Every file under root with its bytes and modification time."""
    state = {}
    for base, _, names in os.walk(root):
        for name in names:
            full = os.path.join(base, name)
            with open(full, "rb") as f:
                state[os.path.relpath(full, root)] = (f.read(), os.stat(full).st_mtime_ns)
    return state


def brief(rows):
    """The parts of task results that tell what went wrong."""
    return json.dumps(
        dict((n, dict((k, r.get(k)) for k in ("changed", "failed", "msg", "files"))) for n, r in rows.items()),
        indent=1,
    )


def read(name):
    try:
        with open(name, "rb") as f:
            return f.read()
    except OSError:
        return b""


def write_files(root, files):
    """Writes each of files (name: text or bytes) under root, making the folders they need."""
    for name, text in files.items():
        full = os.path.join(root, name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(text.encode() if isinstance(text, str) else text)


def host_folder(scratch, host, folder, files):
    """A new folder of a host's tree holding files (as for write_files); its path."""
    root = os.path.join(scratch, "hosts", host, folder)
    os.makedirs(root)
    write_files(root, files)
    return root


def digest(data):
    return hashlib.sha256(data).hexdigest()[:12]


class Ansible:
    def __init__(self, scratch, rivel):
        self.scratch = scratch
        self.rivel = rivel
        self.env = dict(os.environ)
        self.env.update(
            ANSIBLE_COLLECTIONS_PATH=CONTRIB,
            ANSIBLE_LOCAL_TEMP=os.path.join(scratch, "ansible-tmp"),
            ANSIBLE_REMOTE_TEMP=os.path.join(scratch, "ansible-tmp"),
            ANSIBLE_HOME=os.path.join(scratch, "ansible-home"),
            ANSIBLE_NOCOLOR="1",
            ANSIBLE_RETRY_FILES_ENABLED="0",
            ANSIBLE_PYTHON_INTERPRETER=sys.executable,
            ANSIBLE_CONFIG=os.path.join(scratch, "ansible.cfg"),
        )
        with open(self.env["ANSIBLE_CONFIG"], "w") as f:
            f.write("[defaults]\n")

    def playbook(self, name, tasks, hosts="all", check=False, diff=False, json_out=True, env=None):
        """Runs one play of the given tasks; returns (status, parsed JSON or the text output)."""
        book = os.path.join(self.scratch, name + ".yml")
        with open(book, "w") as f:
            # JSON is YAML: the playbook is written as data.
            json.dump([{"hosts": hosts, "gather_facts": False, "tasks": tasks}], f, indent=1)
        args = ["ansible-playbook", "-i", os.path.join(self.scratch, "hosts.ini"), book]
        if check:
            args.append("--check")
        if diff:
            args.append("--diff")
        run_env = dict(self.env)
        if json_out:
            run_env["ANSIBLE_STDOUT_CALLBACK"] = "json"
        run_env.update(env or {})
        # Bytes, not text mode: the shown diffs of CRLF files keep their CRs.
        proc = subprocess.run(args, env=run_env, capture_output=True, cwd=self.scratch)
        output = (proc.stdout + proc.stderr).decode("utf-8", "replace")
        if not json_out:
            return proc.returncode, output
        try:
            return proc.returncode, json.loads(proc.stdout)
        except ValueError:
            return proc.returncode, {"plays": [], "error": output}


def results(report, task_index=0):
    """The per-host results of one task of the play's report."""
    try:
        return report["plays"][0]["tasks"][task_index]["hosts"]
    except (KeyError, IndexError):
        return {}


def lay_out_hosts(scratch, rivel):
    """One directory tree per host, each with a WIN.INI, SETUP.CMD and the other examples."""
    for host in GOOD + [BAD]:
        root = os.path.join(scratch, "hosts", host)
        os.makedirs(os.path.join(root, "site"))
        for name in ["WIN.INI", "SETUP.CMD", "NET.CFG", "NETCFG.CMD", "DEMO.GRP", "GROUP.CMD"]:
            shutil.copy(os.path.join(EXAMPLES, name), root)
        for name in ["WIN.INI", "SYSTEM.INI"]:
            shutil.copy(os.path.join(EXAMPLES, "site", name), os.path.join(root, "site"))
    # The hosts' files differ, and so do their diffs: pc1's last line has no line end, pc2
    # starts part of the way there, pc3's file has CRLF line ends.
    for host, old, new in (("pc1", b"\n", b"\n"), ("pc2", b"Beep=yes", b"Beep=no"), ("pc3", b"\n", b"\r\n")):
        with open(os.path.join(scratch, "hosts", host, "WIN.INI"), "rb+") as f:
            text = f.read().replace(old, new)
            text = text.rstrip(b"\n") if host == "pc1" else text
            f.seek(0)
            f.truncate()
            f.write(text)
    with open(os.path.join(scratch, "hosts", BAD, "SETUP.CMD"), "wb") as f:
        f.write(BAD_CMD)
    with open(os.path.join(scratch, "hosts.ini"), "w") as f:
        for group, hosts in (("good", GOOD), ("bad", [BAD])):
            f.write("[%s]\n" % group)
            for host in hosts:
                f.write("%s root=%s\n" % (host, os.path.join(scratch, "hosts", host)))
        f.write("[all:vars]\nansible_connection=local\nrivel=%s\n" % rivel)


SETUP_TASK = {
    "name": "WIN.INI",
    "rivel.config.apply": {
        "path": "{{ root }}/WIN.INI",
        "src": "{{ root }}/SETUP.CMD",
        "backup": True,
        "binary": "{{ rivel }}",
    },
}


def shown_diffs(text):
    """The diffs that the default output shows, by the file named in their headers."""
    shown = {}
    for block in re.split(r"\n(?=--- before)", text):
        m = re.match(r"--- before: (\S+)\n\+\+\+ after: \S+\n((?:[ @+\-\\].*\n|\n)*)", block)
        if m:
            shown[m.group(1)] = m.group(2).rstrip("\n")
    return shown


def unified(before, after):
    """The diff of two texts as Ansible shows it (after its two header lines)."""
    texts = []
    for data in (before, after):
        lines = data.decode("latin-1").splitlines(True)
        if lines and not lines[-1].endswith("\n"):
            lines[-1] += "\n\\ No newline at end of file\n"
        texts.append(lines)
    return "".join(list(difflib.unified_diff(texts[0], texts[1], n=3))[2:]).rstrip("\n")


def test_fleet(ans, scratch):
    hosts_root = os.path.join(scratch, "hosts")
    win = dict((h, os.path.join(hosts_root, h, "WIN.INI")) for h in GOOD + [BAD])
    original = tree_state(hosts_root)

    # Check mode with diffs: every good host would change, the bad one fails, nothing is written.
    rc, text = ans.playbook("check", [SETUP_TASK], check=True, diff=True, json_out=False)
    check("check run: the bad host fails the play", rc == 2, text[-2000:])
    check("check run: nothing written on any host", tree_state(hosts_root) == original)
    shown = shown_diffs(text)
    check(
        "check run: a diff shown for every good host and none for the bad one",
        sorted(shown) == sorted(win[h] for h in GOOD),
        "shown for: %s" % sorted(shown),
    )
    check(
        "check run: the hosts' diffs differ where their files differ",
        len(set(shown.get(win[h]) for h in GOOD)) == 3,
    )
    m = re.search(r"fatal: \[pc4\]: FAILED! => (\{.*\})", text)
    check(
        "check run: the bad host's msg carries rivel's error message",
        m is not None and "NOSUCHTEST" in json.loads(m.group(1)).get("msg", ""),
        m.group(1) if m else text[-1500:],
    )
    rc, report = ans.playbook("check-json", [SETUP_TASK], check=True, diff=True)
    per_host = results(report)
    check(
        "check run: changed on every good host",
        all(per_host.get(h, {}).get("changed") is True for h in GOOD),
        json.dumps(per_host)[:1500],
    )
    predicted = {}
    for h in GOOD:
        diff = per_host.get(h, {}).get("diff") or [{}]
        predicted[h] = diff[0].get("after", "").encode("latin-1", "replace")

    # The real run: changed everywhere good; the diff is the one the check run showed.
    rc, report = ans.playbook("apply", [SETUP_TASK], diff=True)
    per_host = results(report)
    check("real run: the bad host fails the play", rc == 2, json.dumps(report)[-1500:])
    check(
        "real run: changed on every good host",
        all(per_host.get(h, {}).get("changed") is True for h in GOOD),
    )
    bad = per_host.get(BAD, {})
    check(
        "real run: the bad host failed with rivel's message and status 1",
        bad.get("failed") is True and "NOSUCHTEST" in bad.get("msg", "") and bad.get("rc") == 1,
        json.dumps(bad)[:1500],
    )
    after = tree_state(hosts_root)
    bad_files = [k for k in original if k.startswith(BAD + os.sep)]
    check(
        "real run: the bad host's files untouched",
        all(after.get(k) == original[k] for k in bad_files),
    )
    for h in GOOD:
        key = os.path.join(h, "WIN.INI")
        now = after[key][0]
        check(
            "real run: %s's WIN.INI is what the check run predicted" % h,
            now == predicted[h],
            "%s != %s" % (digest(now), digest(predicted[h])),
        )
        check(
            "real run: %s's change is the diff the check run showed" % h,
            unified(original[key][0], now) == shown.get(win[h]),
            "made:\n%s\nshown:\n%s" % (unified(original[key][0], now), shown.get(win[h])),
        )
        # rivel copies the file line by line: a last line without a line end gets one.
        kept = original[key][0] if original[key][0].endswith(b"\n") else original[key][0] + b"\n"
        backup = per_host.get(h, {}).get("backup_file", "")
        check(
            "real run: %s kept its backup" % h,
            backup.endswith("WIN.bak") and after.get(os.path.join(h, "WIN.bak"), [b""])[0] == kept,
            backup,
        )

    # Second run and a check run: nothing to do, nothing touched, not even a time stamp.
    rc, report = ans.playbook("again", [SETUP_TASK], hosts="good", diff=True)
    per_host = results(report)
    check(
        "second run: no host changed",
        rc == 0 and all(per_host.get(h, {}).get("changed") is False for h in GOOD),
        json.dumps(per_host)[:1500],
    )
    check("second run: no file touched", tree_state(hosts_root) == after)
    rc, report = ans.playbook("again-check", [SETUP_TASK], hosts="good", check=True, diff=True)
    per_host = results(report)
    check(
        "check after the run: no change and no diff",
        rc == 0
        and all(
            per_host.get(h, {}).get("changed") is False and "diff" not in per_host.get(h, {})
            for h in GOOD
        ),
    )


def lock_directory(path, locked):
    """Makes a directory unwritable, for root too (immutable), or writable again."""
    if os.geteuid() == 0:
        return subprocess.run(["chattr", "+i" if locked else "-i", path], capture_output=True).returncode == 0
    os.chmod(path, 0o555 if locked else 0o755)
    return True


def test_failure_after_a_change(ans, scratch):
    """A real run that fails on its second file after changing the first reports the change."""
    root = host_folder(
        scratch,
        "pc1",
        "part",
        {"FIRST.INI": "[s]\nk=old\n", os.path.join("locked", "SECOND.INI"): "[s]\nk=old\n", "SET.CMD": "+[s]k=new\n"},
    )
    task = {
        "name": "two files",
        "rivel.config.apply": {
            "kind": "icm",
            "chdir": root,
            "commands": "FIRST.INI SET.CMD\nlocked/SECOND.INI SET.CMD\n",
            "binary": "{{ rivel }}",
        },
    }
    if not lock_directory(os.path.join(root, "locked"), True):
        print("skip  failure after a change: cannot make a directory unwritable here")
        return
    try:
        _, report = ans.playbook("part", [task], hosts="pc1")
    finally:
        lock_directory(os.path.join(root, "locked"), False)
    row = results(report).get("pc1", {})
    first = read(os.path.join(root, "FIRST.INI"))
    check(
        "failure after a change: the first file changed, the task failed with status 2",
        b"k=new" in first and row.get("failed") is True and row.get("rc") == 2,
        json.dumps(row)[:1500],
    )
    check(
        "failure after a change: the task reports the change and the file it made",
        row.get("changed") is True and row.get("files") == ["FIRST.INI"] and "FIRST.INI" in row.get("msg", ""),
        json.dumps(row)[:1500],
    )


def test_backup_of_a_created_file(ans, scratch):
    """A file the run creates has no backup: an old .bak beside it is not reported as one."""
    root = host_folder(scratch, "pc1", "created", {"NEW.bak": "[old]\nleft=from before\n"})
    task = {
        "name": "create",
        "rivel.config.apply": {
            "path": root + "/NEW.INI",
            "create": True,
            "backup": True,
            "commands": "+[s]k=v",
            "binary": "{{ rivel }}",
        },
    }
    _, report = ans.playbook("created", [task], hosts="pc1")
    row = results(report).get("pc1", {})
    check(
        "created file: changed, and no backup reported",
        row.get("changed") is True and "backup_file" not in row
        and read(os.path.join(root, "NEW.bak")) == b"[old]\nleft=from before\n",
        json.dumps(row)[:800],
    )


def test_kinds(ans, scratch):
    """The other kinds and options, on the good hosts, run three times: check, real, again."""
    tasks = [
        {
            "name": "icm",
            "rivel.config.apply": {
                "kind": "icm",
                "chdir": "{{ root }}/site",
                "commands": "WIN.INI {{ root }}/site.cmd\nSYSTEM.INI {{ root }}/site.cmd\n",
                "binary": "{{ rivel }}",
            },
        },
        {
            "name": "grp",
            "rivel.config.apply": {
                "kind": "grp",
                "path": "{{ root }}/DEMO.GRP",
                "src": "{{ root }}/GROUP.CMD",
                "backup": True,
                "binary": "{{ rivel }}",
            },
        },
        {
            "name": "create with environment",
            "rivel.config.apply": {
                "path": "{{ root }}/NEW.INI",
                "create": True,
                "commands": "+[user]Home=%FLEET_HOME%\n+[user]Host={{ inventory_hostname }}",
                "environment": {"FLEET_HOME": "/home/{{ inventory_hostname }}"},
                "binary": "{{ rivel }}",
            },
        },
        {
            "name": "netcfg",
            "rivel.config.apply": {
                "path": "{{ root }}/NET.CFG",
                "src": "{{ root }}/NETCFG.CMD",
                "cfg_mode": 1,
                "binary": "{{ rivel }}",
            },
        },
        {
            "name": "delimiter",
            "rivel.config.apply": {
                "path": "{{ root }}/COLON.INI",
                "create": True,
                "delimiter": ":",
                "commands": "+[s]key:value",
                "binary": "{{ rivel }}",
            },
        },
        {
            "name": "missing program",
            "rivel.config.apply": {
                "path": "{{ root }}/WIN.INI",
                "commands": "+[s]k=v",
                "binary": "{{ root }}/no-such-rivel",
            },
        },
        {
            "name": "program from the PATH",
            "rivel.config.apply": {"path": "{{ root }}/PATH.INI", "create": True, "commands": "+[s]k=v"},
        },
    ]
    for task in tasks:
        task["ignore_errors"] = True  # one failing kind must not hide the others' results
    names = [t["name"] for t in tasks]
    for h in GOOD:
        write_files(os.path.join(scratch, "hosts", h), {"site.cmd": "+[site]Name=%s\n" % h})
    hosts_root = os.path.join(scratch, "hosts")
    before = tree_state(hosts_root)
    path_env = {"PATH": os.path.dirname(ans.rivel) + os.pathsep + os.environ.get("PATH", "")}

    _, report = ans.playbook("kinds-check", tasks, hosts="good", check=True, diff=True, env=path_env)
    check("kinds, check mode: nothing written", tree_state(hosts_root) == before)
    rows = [results(report, i).get("pc1", {}) for i in range(len(tasks))]
    by_name = dict(zip(names, rows))
    check(
        "kinds, check mode: every edit would change its files",
        all(by_name[n].get("changed") is True for n in names[:5] + names[6:]),
        brief(by_name),
    )
    icm = by_name["icm"]
    check(
        "kinds, check mode: an ICM run shows a diff for each of its two files",
        len(icm.get("diff", [])) == 2 and len(icm.get("files", [])) == 2,
        json.dumps(icm)[:1500],
    )
    grp_diff = (by_name["grp"].get("diff") or [{}])[0]
    check(
        "kinds, check mode: a GRP file's diff is shown as rivel printed it",
        "@@" in grp_diff.get("prepared", ""),
        json.dumps(by_name["grp"])[:1500],
    )
    missing = by_name["missing program"]
    check(
        "kinds: a missing rivel program fails with a clear message",
        missing.get("failed") is True and "no-such-rivel" in missing.get("msg", ""),
        json.dumps(missing)[:800],
    )

    _, report = ans.playbook("kinds-apply", tasks, hosts="good", env=path_env)
    rows = dict((n, results(report, i).get("pc2", {})) for i, n in enumerate(names))
    del rows["missing program"]
    check(
        "kinds, real run: every edit changed its files",
        all(r.get("changed") is True for r in rows.values()),
        brief(rows),
    )
    pc2 = os.path.join(hosts_root, "pc2")
    new_ini = read(os.path.join(pc2, "NEW.INI"))
    check(
        "kinds, real run: a created file with values from the environment option",
        b"Home=/home/pc2" in new_ini and b"Host=pc2" in new_ini,
        repr(new_ini),
    )
    check(
        "kinds, real run: the ICM run edited its second file",
        b"Name=pc2" in read(os.path.join(pc2, "site", "SYSTEM.INI")),
    )
    check("kinds, real run: the other delimiter", b"key:value" in read(os.path.join(pc2, "COLON.INI")))
    check(
        "kinds, real run: the GRP file changed",
        tree_state(pc2)["DEMO.GRP"][0] != before[os.path.join("pc2", "DEMO.GRP")][0],
    )
    grp_backup = rows["grp"].get("backup_file", "")
    check(
        "kinds, real run: the group's backup (its name ending in b) is returned",
        grp_backup.endswith("DEMO.GRb") and os.path.exists(grp_backup),
        json.dumps(rows["grp"])[:800],
    )

    after = tree_state(hosts_root)
    _, report = ans.playbook("kinds-again", tasks, hosts="good", env=path_env)
    rows = dict((n, results(report, i).get("pc3", {})) for i, n in enumerate(names))
    del rows["missing program"]
    check(
        "kinds, second run: nothing changed",
        all(r.get("changed") is False and "failed" not in r and "rc" in r for r in rows.values()),
        brief(rows),
    )
    check("kinds, second run: no file touched", tree_state(hosts_root) == after)


def test_relative_names(ans, scratch):
    """Relative chdir, path and binary are each resolved once, from the module's directory,
    the same way in the check and in the real run."""
    rel = os.path.relpath(os.path.join(scratch, "hosts"), scratch)  # the playbook runs in scratch
    rivel_rel = os.path.relpath(ans.rivel, os.path.join(scratch, "hosts"))
    for h in GOOD:
        host_folder(
            scratch,
            h,
            "rel",
            {"A.INI": "[s]\nk=old\n", "SET.CMD": "+[s]k=new\n", "RUN.ICM": "A.INI ICM.CMD\n", "ICM.CMD": "+[s]icm=yes\n"},
        )
    tasks = [
        {
            "name": "relative chdir",
            "rivel.config.apply": {
                "chdir": rel + "/{{ inventory_hostname }}/rel",
                "path": "A.INI",
                "src": "SET.CMD",
                "binary": "{{ rivel }}",
            },
        },
        {
            "name": "ICM file named relative to the module's directory",
            "rivel.config.apply": {
                "kind": "icm",
                "path": rel + "/{{ inventory_hostname }}/rel/RUN.ICM",
                "binary": "{{ rivel }}",
            },
        },
        {
            "name": "program named relative to chdir",
            "rivel.config.apply": {
                "chdir": "{{ root }}/..",
                "path": "{{ root }}/rel/A.INI",
                "commands": "+[s]bin=rel",
                "binary": rivel_rel,
            },
        },
    ]
    for task in tasks:
        task["ignore_errors"] = True
    names = [t["name"] for t in tasks]
    hosts_root = os.path.join(scratch, "hosts")
    before = tree_state(hosts_root)
    _, report = ans.playbook("relative-check", tasks, hosts="good", check=True)
    rows = dict((n, results(report, i).get("pc1", {})) for i, n in enumerate(names))
    check(
        "relative names, check mode: every task would change its file",
        all(r.get("changed") is True and "failed" not in r for r in rows.values()),
        brief(rows),
    )
    check("relative names, check mode: nothing written", tree_state(hosts_root) == before)
    _, report = ans.playbook("relative-apply", tasks, hosts="good")
    rows = dict((n, results(report, i).get("pc2", {})) for i, n in enumerate(names))
    text = read(os.path.join(hosts_root, "pc2", "rel", "A.INI"))
    check(
        "relative names, real run: every task changed the file it names",
        all(r.get("changed") is True for r in rows.values())
        and b"k=new" in text and b"icm=yes" in text and b"bin=rel" in text,
        brief(rows) + "\n" + repr(text),
    )
def test_diff_of_mixed_encodings(ans, scratch):
    """A UTF-8 file edited with a Windows-1252 command file: the diff shows the one line that
    changes, the other lines as they are on both sides."""
    root = host_folder(
        scratch, "pc2", "enc", {"USER.INI": b"[user]\nName=J\xc3\xbcrgen\nCity=x\n", "CITY.CMD": b"+[user]City=M\xfcnchen\n"}
    )
    task = {
        "name": "encodings",
        "rivel.config.apply": {"path": root + "/USER.INI", "src": root + "/CITY.CMD", "binary": "{{ rivel }}"},
    }
    for check_mode in (True, False):
        _, report = ans.playbook("enc", [task], hosts="pc2", check=check_mode, diff=True)
        row = results(report).get("pc2", {})
        shown = (row.get("diff") or [{}])[0]
        before = shown.get("before", "").splitlines()
        after = shown.get("after", "").splitlines()
        changed_lines = [(b, a) for b, a in zip(before, after) if b != a]
        check(
            "mixed encodings (%s): only the changed line differs in the diff" % ("check" if check_mode else "run"),
            len(before) == 3 and len(after) == 3 and len(changed_lines) == 1 and changed_lines[0][0] == "City=x",
            json.dumps(shown)[:800],
        )


def test_one_file_edited_twice(ans, scratch):
    """An ICM file whose lines edit one file in turn: each diff starts from the text the
    line before left, in the check and in the real run alike."""
    root = host_folder(
        scratch, "pc3", "twice", {"APP.INI": "[s]\nk=old\n", "ONE.CMD": "+[s]k=one\n", "TWO.CMD": "+[s]k=two\n+[t]x=y\n"}
    )
    task = {
        "name": "twice",
        "rivel.config.apply": {
            "kind": "icm",
            "chdir": root,
            "commands": "APP.INI ONE.CMD\nAPP.INI TWO.CMD\n",
            "binary": "{{ rivel }}",
        },
    }
    shown = {}
    listed = {}
    for check_mode in (True, False):
        _, report = ans.playbook("twice", [task], hosts="pc3", check=check_mode, diff=True)
        row = results(report).get("pc3", {})
        shown[check_mode] = [(d.get("before"), d.get("after")) for d in row.get("diff", [])]
        listed[check_mode] = row.get("files")
    steps = [("[s]\nk=old\n", "[s]\nk=one\n"), ("[s]\nk=one\n", "[s]\nk=two\n\n[t]\nx=y\n")]
    check("one file edited twice, check mode: each line's diff", shown[True] == steps, repr(shown[True]))
    check("one file edited twice, real run: each line's diff", shown[False] == steps, repr(shown[False]))
    check("one file edited twice: listed once", listed == {True: ["APP.INI"], False: ["APP.INI"]}, repr(listed))


def test_backups_of_a_wildcard(ans, scratch):
    """A wildcard path edits several files: each changed one has its backup, and all are told."""
    root = host_folder(scratch, "pc2", "wild", {"A.INI": "[s]\nk=a\n", "B.INI": "[s]\nk=b\n", "C.INI": "[s]\nk=new\n"})
    task = {
        "name": "wild",
        "rivel.config.apply": {
            "path": root + "/*.INI",
            "backup": True,
            "commands": "+[s]k=new",
            "binary": "{{ rivel }}",
        },
    }
    _, report = ans.playbook("wild", [task], hosts="pc2")
    row = results(report).get("pc2", {})
    made = [os.path.join(root, "A.bak"), os.path.join(root, "B.bak")]
    check(
        "wildcard with backup: every backup made is reported, the unchanged file has none",
        row.get("changed") is True
        and row.get("backup_files") == made
        and row.get("backup_file") == made[0]
        and read(made[0]) == b"[s]\nk=a\n"
        and read(made[1]) == b"[s]\nk=b\n"
        and not os.path.exists(os.path.join(root, "C.bak")),
        json.dumps(row)[:1500],
    )


def test_readme_example(ans, scratch):
    """The fleet example, run as the README shows it (with its own ansible.cfg)."""
    fleet = os.path.join(EXAMPLES, "fleet")
    root = os.path.join(scratch, "fleet")
    env = dict(ans.env)
    del env["ANSIBLE_CONFIG"]
    del env["ANSIBLE_COLLECTIONS_PATH"]
    env["PATH"] = os.path.dirname(ans.rivel) + os.pathsep + env.get("PATH", "")

    def play(*args):
        proc = subprocess.run(
            ["ansible-playbook"] + list(args) + ["-e", "fleet_root=" + root],
            cwd=fleet, env=env, capture_output=True, text=True,
        )
        return proc.returncode, proc.stdout + proc.stderr

    rc, out = play("setup.yml")
    check("README example: setup", rc == 0, out[-1500:])
    laid = tree_state(root)
    rc, out = play("win_ini.yml", "--check", "--diff")
    check(
        "README example: --check --diff shows the change for each host and writes nothing",
        rc == 0 and out.count("+Beep=no") == 3 and tree_state(root) == laid,
        out[-2500:],
    )
    rc, out = play("win_ini.yml", "--diff")
    check("README example: the run changes all three", rc == 0 and out.count("changed=1") == 3, out[-1500:])
    rc, out = play("win_ini.yml")
    check("README example: a second run changes nothing", rc == 0 and out.count("changed=0") == 3, out[-1500:])


def test_module_checks(scratch):
    """ansible-doc renders the documentation; ansible-test sanity where it runs offline."""
    env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=CONTRIB, ANSIBLE_HOME=os.path.join(scratch, "ah"))
    proc = subprocess.run(
        ["ansible-doc", "-t", "module", "rivel.config.apply"], env=env, capture_output=True, text=True
    )
    check(
        "ansible-doc renders the module's documentation",
        proc.returncode == 0 and "cfg_mode" in proc.stdout and "EXAMPLES" in proc.stdout,
        proc.stderr[-1500:],
    )
    proc = subprocess.run(
        ["ansible-doc", "--json", "-t", "module", "rivel.config.apply"], env=env, capture_output=True, text=True
    )
    try:
        doc = json.loads(proc.stdout)["rivel.config.apply"]
        ok = bool(doc["return"]) and bool(doc["examples"]) and "environment" in doc["doc"]["options"]
    except (ValueError, KeyError):
        ok = False
    check("ansible-doc: options, examples and return values all parse", ok, proc.stderr[-800:])


def test_sanity(scratch):
    """ansible-test sanity on a copy of the collection; see sanity.sh for what runs offline."""
    proc = subprocess.run(
        ["bash", os.path.join(HERE, "sanity.sh"), os.path.join(scratch, "sanity")],
        capture_output=True, text=True,
    )
    print(proc.stdout.rstrip())
    check("ansible-test sanity", proc.returncode == 0, proc.stderr[-3000:])


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: playbook_test.py RIVEL [--no-sanity]")
    rivel = os.path.abspath(sys.argv[1])
    scratch = tempfile.mkdtemp(prefix="rivel-ansible-")
    try:
        lay_out_hosts(scratch, rivel)
        ans = Ansible(scratch, rivel)
        test_fleet(ans, scratch)
        test_failure_after_a_change(ans, scratch)
        test_kinds(ans, scratch)
        test_relative_names(ans, scratch)
        test_diff_of_mixed_encodings(ans, scratch)
        test_one_file_edited_twice(ans, scratch)
        test_backup_of_a_created_file(ans, scratch)
        test_backups_of_a_wildcard(ans, scratch)
        test_readme_example(ans, scratch)
        test_module_checks(scratch)
        if "--no-sanity" not in sys.argv:
            test_sanity(scratch)
    finally:
        if failed == 0:
            shutil.rmtree(scratch, ignore_errors=True)
        else:
            print("scratch files kept in " + scratch)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
