#!/usr/bin/python
# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
# Applies RIVEL command files on a managed host: a preview pass (rivel /p) tells what would
# change, and only then does the real run change the files.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: apply
short_description: Edit INI, NET.CFG and GRP files with rivel command files
version_added: "1.0.0"
description:
  - Applies rivel commands to a configuration file on the managed host, the same way as
    C(rivel <INI-file> <CMD-file>) does; or runs an ICM file of many invocations, or an RCM
    file of registry changes.
  - The commands are given inline in O(commands) or as a file on the managed host in O(src).
  - Every call first runs C(rivel /p), which changes nothing and prints a unified diff of each
    file that would change. The task reports a change exactly when that diff is not empty (or
    when the run would write an O or W file or start an E program), and only then is the real
    run made. A second run of the same task therefore reports no change.
  - In check mode only the preview runs. With C(--diff) the preview's diff is returned in the
    C(before)/C(after) form, so C(ansible-playbook --check --diff) shows per host what would
    change.
  - A run that rivel reports as failed (its C(/x) exit status is not 0) fails the task; its
    messages are in RV(msg).
  - The C(rivel) program must be installed on the managed host (the Debian package puts it on
    the C(PATH)), or named in O(binary). Managed hosts are POSIX systems.
author:
  - RIVEL developers (@rivel)
options:
  path:
    description:
      - For O(kind=ini) and O(kind=grp), the file to edit (an INI or NET.CFG file, or a GRP
        file). The name may hold wildcards, as on the rivel command line; every match is
        edited.
      - For O(kind=icm) and O(kind=rcm), the ICM or RCM file on the managed host to run, when
        neither O(commands) nor O(src) is given.
      - A relative name is taken relative to O(chdir).
    type: path
    aliases: [dest]
  commands:
    description:
      - The text of the command file, one command a line (a CMD file for O(kind=ini) and
        O(kind=grp), an ICM or RCM file for O(kind=icm) and O(kind=rcm)).
      - To send a file from the controller, use C(lookup('file', 'SETUP.CMD')) here.
      - Mutually exclusive with O(src).
    type: str
  src:
    description:
      - A command file on the managed host (a CMD, ICM or RCM file, by O(kind)).
      - A relative name is taken relative to O(chdir).
      - Mutually exclusive with O(commands).
    type: path
  kind:
    description:
      - What rivel does.
      - V(ini) applies the commands to the INI or NET.CFG file O(path).
      - V(grp) applies the commands to the program group file O(path) (C(rivel /g)).
      - V(icm) runs an ICM file of invocations (C(rivel /c)); the files it names are taken
        relative to O(chdir).
      - V(rcm) runs an RCM file of registry changes (C(rivel /r)).
    type: str
    choices: [ini, grp, icm, rcm]
    default: ini
  backup:
    description:
      - Keep the file as it was under the same name with the extension C(.bak)
        (C(WIN.INI) is kept as C(WIN.bak)) when rivel changes it (C(/b)); a group file is
        kept under its name with the last letter made C(b) (C(PROGMAN.GRP) as C(PROGMAN.GRb)).
    type: bool
    default: false
  create:
    description:
      - Create the INI file when it is missing (C(/n)). Without it a missing file is an error.
    type: bool
    default: false
  create_from:
    description:
      - Create a missing INI file as a copy of this base file on the managed host, then apply
        the commands to it (C(/n=<file>)). Implies O(create).
    type: path
  cfg_mode:
    description:
      - Edit a NET.CFG file instead of an INI file, in CFG mode 1 or 2 (C(/w1), C(/w2)).
        V(0) edits an INI file.
    type: int
    choices: [0, 1, 2]
    default: 0
  delimiter:
    description:
      - The one character that separates key and value, instead of C(=) (C(/e=<char>)).
    type: str
    default: "="
  verbosity:
    description:
      - The rivel verbosity, V(0) to V(99) (C(/v)). The messages of the run are returned in
        RV(messages).
      - At the default V(1) rivel writes its errors alone, so a failed task's RV(msg) holds
        exactly the errors; higher levels add rivel's progress messages.
    type: int
    default: 1
  environment:
    description:
      - Extra environment variables for rivel, for C(%VAR%) and C($(%VAR)) in the commands.
      - The task keyword C(environment) works too; this option keeps the variables with the
        commands that use them.
    type: dict
    default: {}
  chdir:
    description:
      - The directory rivel runs in. Relative file names, also those inside ICM files, are
        taken relative to it. A relative O(chdir) is taken relative to the current directory
        of the module.
      - Defaults to the directory of O(path) for O(kind=icm) and O(kind=rcm) run from O(path),
        else to the current directory of the module.
    type: path
  binary:
    description:
      - The rivel program on the managed host. Without it, C(rivel) is looked for on the
        C(PATH).
      - A relative name is taken relative to O(chdir).
    type: path
notes:
  - Supports C(check_mode) and C(diff_mode).
  - A file whose diff cannot be shown as text (a GRP file, whose diff is that of its GRI text,
    or registry keys) is shown in the diff as rivel printed it.
  - An ICM file whose E lines start programs reports a change on every run, as any task that
    runs a program does; guard such lines with IF conditions to keep the task idempotent.
requirements:
  - rivel with the C(/p) preview and C(/x) exit status options, on the managed host
"""

EXAMPLES = r"""
- name: Company settings in every workstation's WIN.INI
  rivel.config.apply:
    path: /srv/win/WIN.INI
    commands: |
      +[windows]Beep=no
      >[windows]load=nwpopup.exe
      +[Desktop]Wallpaper=corp.bmp
      -[Turbo]
    backup: true

- name: The same edits from a command file kept beside the playbook
  rivel.config.apply:
    path: /srv/win/WIN.INI
    commands: "{{ lookup('file', 'SETUP.CMD') }}"

- name: A NET.CFG file in CFG mode 1, from a command file already on the host
  rivel.config.apply:
    path: /srv/net/NET.CFG
    src: /srv/net/NETCFG.CMD
    cfg_mode: 1

- name: A user's INI file, created from a template when missing
  rivel.config.apply:
    path: "/home/{{ user }}/app.ini"
    create_from: /etc/app/default.ini
    commands: |
      +[user]Home=%APP_HOME%
    environment:
      APP_HOME: "/home/{{ user }}"

- name: A program group
  rivel.config.apply:
    kind: grp
    path: /srv/win/DEMO.GRP
    src: /srv/win/GROUP.CMD

- name: An ICM file that edits several INI files of one directory
  rivel.config.apply:
    kind: icm
    path: /srv/site/SITE.ICM
"""

RETURN = r"""
cmd:
  description: The arguments of the last rivel run (the real run, or the preview).
  returned: always
  type: list
  elements: str
  sample: ["/usr/bin/rivel", "/!", "/x", "/v1", "/srv/win/WIN.INI", "/tmp/ansible/commands.cmd"]
rc:
  description:
    - The exit status of the last rivel run. 0 all fine; 1 a command file or line had an
      error; 2 a file could not be written or replaced (it is then unchanged); 3 wrong
      command line.
  returned: always
  type: int
  sample: 0
messages:
  description: The messages rivel wrote (to standard error) at the chosen verbosity.
  returned: always
  type: list
  elements: str
preview:
  description: What C(rivel /p) printed (the diffs and the would-run and would-write lines).
  returned: always
  type: str
stdout:
  description: What the real run wrote to standard output (the output of the programs it started).
  returned: changed and not in check mode
  type: str
files:
  description:
    - The files that changed, or would change in check mode, as rivel names them.
    - When the real run failed, the files it changed before the failure; the task then reports
      C(changed) when it changed any.
  returned: always
  type: list
  elements: str
  sample: ["/srv/win/WIN.INI"]
would_run:
  description: The programs that E lines start (started, unless in check mode).
  returned: always
  type: list
  elements: str
would_write:
  description: The O and W files the run writes (written, unless in check mode).
  returned: always
  type: list
  elements: str
backup_file:
  description:
    - The backup of the edited file, when O(backup) is set and the file changed.
    - When a wildcard O(path) edits several files, the first of them; RV(backup_files) has all.
  returned: changed and O(backup) is set and O(kind) is V(ini) or V(grp)
  type: str
  sample: /srv/win/WIN.bak
backup_files:
  description: The backups this run made, one for each changed file, in the order of RV(files).
  returned: changed and O(backup) is set and O(kind) is V(ini) or V(grp)
  type: list
  elements: str
  sample: ["/srv/win/WIN.bak", "/srv/win/SYSTEM.bak"]
"""

import os
import re

from ansible.module_utils.basic import AnsibleModule

STATUS_TEXT = {
    1: "a command file or line had an error",
    2: "a file could not be written or replaced; it is unchanged",
    3: "wrong command line",
}

SCRIPT_SUFFIX = {"ini": ".CMD", "grp": ".CMD", "icm": ".ICM", "rcm": ".RCM"}

# Files larger than this are shown in the diff as rivel's hunks rather than as whole texts.
MAX_TEXT_DIFF = 1024 * 1024

HUNK_HEADER = re.compile(rb"^@@ -(\d+)(?:,(\d+))? \+(\d+)(?:,(\d+))? @@")


def decode(data):
    """Text for the task result: UTF-8 where it is, else each byte as one character."""
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("latin-1")


def decode_text(data):
    """A file's text for the diff, line by line: the same bytes always give the same line,
    also when the other side of the diff holds bytes of another encoding."""
    return "".join(decode(line) for line in data.splitlines(True))


def header_name(line):
    """The file name of a '--- name' or '+++ name' line, without a trailing time stamp."""
    return line[4:].split(b"\t", 1)[0].rstrip(b"\r")


def read_hunk(lines, i, hunk):
    """Collects the body of the hunk whose header is lines[i]; returns the index after it."""
    m = HUNK_HEADER.match(lines[i])
    old_left = int(m.group(2) or b"1")
    new_left = int(m.group(4) or b"1")
    hunk.append(lines[i])
    i += 1
    while i < len(lines) and (old_left > 0 or new_left > 0):
        line = lines[i]
        tag = line[:1]
        if tag in (b" ", b""):
            old_left -= 1
            new_left -= 1
        elif tag == b"-":
            old_left -= 1
        elif tag == b"+":
            new_left -= 1
        elif tag != b"\\":
            break
        hunk.append(line)
        i += 1
    while i < len(lines) and lines[i][:1] == b"\\":
        hunk.append(lines[i])
        i += 1
    return i


def parse_preview(output):
    """Splits what rivel /p printed into file diffs, would-run and would-write lines.

    Hunk bodies are read by their line counts, so a removed line that itself starts with
    '--' is never taken for the next file's header.
    """
    lines = output.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    diffs, runs, writes = [], [], []
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith(b"--- ") and i + 1 < len(lines) and lines[i + 1].startswith(b"+++ "):
            diff = {"old": header_name(line), "new": header_name(lines[i + 1]), "hunks": []}
            raw = [line, lines[i + 1]]
            i += 2
            while i < len(lines) and HUNK_HEADER.match(lines[i]):
                hunk = []
                i = read_hunk(lines, i, hunk)
                diff["hunks"].append(hunk)
                raw.extend(hunk)
            diff["text"] = b"\n".join(raw) + b"\n"
            diffs.append(diff)
            continue
        if line.startswith(b"would run: "):
            runs.append(decode(line[len(b"would run: "):].rstrip(b"\r")))
        elif line.startswith(b"would write: "):
            writes.append(decode(line[len(b"would write: "):].rstrip(b"\r")))
        i += 1
    return diffs, runs, writes


def apply_hunks(before, hunks):
    """The text after the change, from the text before it and the diff's hunks.

    Returns None when the hunks do not fit the text (a GRP file, whose diff is that of its
    GRI text, or a file that changed meanwhile).
    """
    old = before.split(b"\n")
    # Lines keep their ends; the last one has none when the text does not end with one.
    old_lines = [line + b"\n" for line in old[:-1]]
    if old[-1] != b"":
        old_lines.append(old[-1])
    out = []
    pos = 0
    for hunk in hunks:
        m = HUNK_HEADER.match(hunk[0])
        start = int(m.group(1))
        count = int(m.group(2) or b"1")
        start = start if count == 0 else start - 1
        if start < pos or start > len(old_lines):
            return None
        out.extend(old_lines[pos:start])
        pos = start
        last_tag = None
        for line in hunk[1:]:
            tag, text = line[:1], line[1:]
            if tag == b"\\":
                if last_tag == b"+" and out and out[-1].endswith(b"\n"):
                    out[-1] = out[-1][:-1]
                continue
            if tag in (b" ", b"", b"-"):
                if pos >= len(old_lines) or old_lines[pos].rstrip(b"\n") != text:
                    return None
                if tag != b"-":
                    out.append(old_lines[pos])
                pos += 1
            else:
                out.append(text + b"\n")
            last_tag = tag
    out.extend(old_lines[pos:])
    return b"".join(out)


def unique(names):
    """The names in their order, each once."""
    seen = []
    for name in names:
        if name not in seen:
            seen.append(name)
    return seen


def backup_name(name, kind="ini"):
    """The name rivel keeps a backup under: for an INI file the extension becomes .bak, for a
    group file the last letter of the name becomes b (PROGMAN.GRP is kept as PROGMAN.GRb)."""
    if kind == "grp":
        return name[:-1] + "b" if name else name
    dot = name.rfind(".")
    if dot < name.rfind("/") + 1:
        dot = len(name)
    return name[:dot] + ".bak"


def read_bytes(name):
    try:
        with open(name, "rb") as f:
            return f.read()
    except (IOError, OSError):
        return None


def file_state(name):
    """What tells whether a file was written since: None when it does not exist."""
    try:
        st = os.stat(name)
    except OSError:
        return None
    return (st.st_ino, st.st_size, st.st_mtime_ns, st.st_ctime_ns)


class Runner:
    """Builds the rivel command lines of one task and runs them."""

    def __init__(self, module):
        self.module = module
        p = module.params
        self.kind = p["kind"]
        self.cwd = p["chdir"]
        self.env = dict((str(k), str(v)) for k, v in p["environment"].items())
        self.binary = self.find_binary()
        self.target = None
        self.script = None

    def find_binary(self):
        binary = self.module.params["binary"]
        if binary:
            # Taken relative to chdir, where rivel runs, as the other file names are.
            binary = os.path.join(self.cwd, binary)
            if not (os.path.isfile(binary) and os.access(binary, os.X_OK)):
                self.module.fail_json(
                    msg="rivel program %s does not exist or is not executable on this host" % binary
                )
            return binary
        found = self.module.get_bin_path("rivel")
        if not found:
            self.module.fail_json(
                msg="rivel was not found on the PATH of this host: install the rivel package "
                "or name the program in the binary option"
            )
        return found

    def absolute(self, name):
        """An absolute name that rivel cannot take for an option. rivel reads an argument that
        starts with / as a file name only when a second / comes before its first = (/x.ini
        and /a=b/x.ini would be options); /./ in front makes any such name a file name."""
        name = os.path.join(self.cwd, name)
        second = name.find("/", 1)
        equals = name.find("=")
        if second < 0 or 0 <= equals < second:
            name = "/." + name
        return name

    def run(self, args):
        return self.module.run_command(
            args, cwd=self.cwd, environ_update=self.env, encoding=None, check_rc=False
        )

    def check_version(self):
        """An older rivel takes /p for an unknown option and would change the files anyway."""
        rc, out, err = self.run([self.binary, "/!", "/x", "/p", "/v1"])
        if b"Invalid Option <p>" in err or b"Invalid Option <x>" in err:
            self.module.fail_json(
                msg="rivel at %s has no /p preview or /x exit status; install a newer rivel"
                % self.binary,
                rc=rc,
            )

    def prepare(self):
        p = self.module.params
        if p["path"]:
            self.target = self.absolute(p["path"])
        if p["commands"] is not None:
            text = p["commands"]
            if not text.endswith("\n"):
                text += "\n"
            self.script = os.path.join(self.module.tmpdir, "commands" + SCRIPT_SUFFIX[self.kind])
            with open(self.script, "wb") as f:
                f.write(text.encode("utf-8"))
        elif p["src"]:
            self.script = self.absolute(p["src"])
            if not os.path.isfile(self.script):
                self.module.fail_json(msg="command file %s not found on this host" % self.script)
        elif self.kind in ("icm", "rcm"):
            self.script, self.target = self.target, None

    def arguments(self, preview):
        p = self.module.params
        args = [self.binary, "/!", "/x", "/v%d" % p["verbosity"]]
        if preview:
            args.append("/p")
        if p["backup"]:
            args.append("/b")
        if p["create_from"]:
            args.append("/n=" + self.absolute(p["create_from"]))
        elif p["create"]:
            args.append("/n")
        if p["cfg_mode"]:
            args.append("/w%d" % p["cfg_mode"])
        if p["delimiter"] != "=":
            args.append("/e=" + p["delimiter"])
        if self.kind == "ini":
            args += [self.target, self.script]
        elif self.kind == "grp":
            args += ["/g", self.target, self.script]
        elif self.kind == "icm":
            args += ["/c", self.script]
        else:
            args += ["/r", self.script]
        return args

    def fail_run(self, args, rc, out, err, preview_text, changed=False, files=None):
        """Fails the task. A real run can fail after it changed some files (an ICM file or a
        wildcard name edits several); the task then reports the change and those files."""
        messages = decode(err).splitlines()
        done = ""
        if files:
            done = " (changed before the failure: %s)" % ", ".join(files)
        self.module.fail_json(
            msg="rivel failed (status %d: %s)%s: %s"
            % (rc, STATUS_TEXT.get(rc, "unexpected status"), done,
               "\n".join(messages) or "no message"),
            changed=changed,
            cmd=args,
            rc=rc,
            messages=messages,
            preview=preview_text,
            files=files or [],
        )


def diff_entries(diffs, cwd, befores, afters):
    """The diff of each file: its texts before and after, where the file is text that the
    hunks fit (after a real run, the after text is the file as it now is); else the hunks as
    rivel printed them (a GRP file, whose diff is that of its GRI text).

    An ICM file can edit one file on several lines; each of its diffs starts from the text
    that the diff before left, and only the last one ends at the file as it now is."""
    last = dict((os.path.join(cwd, decode(diff["new"])), i) for i, diff in enumerate(diffs))
    texts = dict(befores)
    entries = []
    for i, diff in enumerate(diffs):
        name = decode(diff["new"])
        full = os.path.join(cwd, name)
        before = texts.get(full)
        after = None
        if before is not None and b"\0" not in before:
            after = apply_hunks(before, diff["hunks"])
        # A diff that does not fit leaves the file's later diffs nothing to start from.
        texts[full] = after
        if after is not None and afters is not None and last[full] == i:
            after = afters.get(full)
        if after is None or len(before) > MAX_TEXT_DIFF or len(after) > MAX_TEXT_DIFF:
            entries.append({"prepared": decode(diff["text"])})
        else:
            entries.append(
                {
                    "before_header": name,
                    "after_header": name,
                    "before": decode_text(before),
                    "after": decode_text(after),
                }
            )
    return entries


def snapshot(diffs, cwd):
    """The current bytes of each file a diff names (empty for a file still to be created)."""
    texts = {}
    for diff in diffs:
        full = os.path.join(cwd, decode(diff["new"]))
        data = read_bytes(full)
        texts[full] = data if data is not None or os.path.exists(full) else b""
    return texts


def main():
    module = AnsibleModule(
        argument_spec=dict(
            path=dict(type="path", aliases=["dest"]),
            commands=dict(type="str"),
            src=dict(type="path"),
            kind=dict(type="str", default="ini", choices=["ini", "grp", "icm", "rcm"]),
            backup=dict(type="bool", default=False),
            create=dict(type="bool", default=False),
            create_from=dict(type="path"),
            cfg_mode=dict(type="int", default=0, choices=[0, 1, 2]),
            delimiter=dict(type="str", default="="),
            verbosity=dict(type="int", default=1),
            environment=dict(type="dict", default={}),
            chdir=dict(type="path"),
            binary=dict(type="path"),
        ),
        mutually_exclusive=[("commands", "src")],
        required_if=[("kind", "ini", ("path",)), ("kind", "grp", ("path",))],
        supports_check_mode=True,
    )
    p = module.params
    if p["kind"] in ("icm", "rcm") and not p["path"] and p["commands"] is None and not p["src"]:
        module.fail_json(msg="kind=%s needs commands, src or path" % p["kind"])
    if p["kind"] in ("ini", "grp") and p["commands"] is None and not p["src"]:
        module.fail_json(msg="one of commands or src is required")
    if len(p["delimiter"]) != 1:
        module.fail_json(msg="delimiter must be one character, not %r" % p["delimiter"])
    if not 0 <= p["verbosity"] <= 99:
        module.fail_json(msg="verbosity must be 0 to 99, not %d" % p["verbosity"])
    if p["chdir"] is None:
        from_script = p["kind"] in ("icm", "rcm") and p["path"] and not (p["commands"] or p["src"])
        if from_script:
            # The file's own directory: its name is then taken from the module's directory.
            p["path"] = os.path.abspath(p["path"])
            p["chdir"] = os.path.dirname(p["path"])
        else:
            p["chdir"] = os.getcwd()
    # Every name given relative to chdir is joined to it, and rivel must get absolute names.
    p["chdir"] = os.path.abspath(p["chdir"])
    if not os.path.isdir(p["chdir"]):
        module.fail_json(msg="chdir %s is not a directory on this host" % p["chdir"])

    runner = Runner(module)
    runner.check_version()
    runner.prepare()

    args = runner.arguments(preview=True)
    rc, out, err = runner.run(args)
    preview_text = decode(out)
    if rc != 0:
        runner.fail_run(args, rc, out, err, preview_text)
    diffs, runs, writes = parse_preview(out)
    changed = bool(diffs or runs or writes)
    befores = snapshot(diffs, runner.cwd)
    afters = None
    result = dict(
        changed=changed,
        cmd=args,
        rc=rc,
        messages=decode(err).splitlines(),
        preview=preview_text,
        # A file that several ICM lines edit has a diff for each, but is one file.
        files=unique(decode(d["new"]) for d in diffs),
        would_run=runs,
        would_write=writes,
    )

    if changed and not module.check_mode:
        # The backups as they are before the run: a .bak already there beside a file that the
        # run creates (and so does not back up) is not this run's backup.
        backups = []
        if p["backup"] and p["kind"] in ("ini", "grp"):
            for diff in diffs:
                backup = backup_name(os.path.join(runner.cwd, decode(diff["new"])), p["kind"])
                if backup not in [name for name, state in backups]:
                    backups.append((backup, file_state(backup)))
        args = runner.arguments(preview=False)
        rc, out, err = runner.run(args)
        afters = snapshot(diffs, runner.cwd)
        if rc != 0:
            full = dict((name, os.path.join(runner.cwd, name)) for name in result["files"])
            done = [name for name in result["files"] if afters.get(full[name]) != befores.get(full[name])]
            # Programs and O/W files of the run may have been started or written, too.
            runner.fail_run(args, rc, out, err, preview_text, bool(done or runs or writes), done)
        result.update(cmd=args, rc=rc, messages=decode(err).splitlines(), stdout=decode(out))
        made = [b for b, state in backups if file_state(b) not in (None, state)]
        if made:
            result["backup_file"] = made[0]
            result["backup_files"] = made

    if module._diff and diffs:
        result["diff"] = diff_entries(diffs, runner.cwd, befores, afters)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
