"""The program as people get it: the Windows zip that `make dist` writes,
run from where it was unpacked, and the Linux launcher and desktop entry
that `make install` puts under a PREFIX, which `make uninstall` takes away
again."""
import hashlib
import os
import stat
import struct
import subprocess
import zipfile

import bmpfiles
import entryfiles
import harness

# The launcher's first start makes its own Wine prefix.
TIMEOUT = 180

ZIP = os.path.join(harness.BUILD, "Scrivelander-2.96-win32.zip")
FOLDER = "Scrivelander-2.96"


def make(*args):
    """`make ARGS` in the repository, as a user types it."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("MAKE")}
    r = subprocess.run(["make", "-C", harness.REPO] + list(args), env=env, stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, timeout=150)
    assert r.returncode == 0, r.stdout.decode(errors="replace")[-2000:]
    return r.stdout.decode(errors="replace")


def probe_lines(session, command):
    lines, rc = session.probe.call(command)
    assert rc == 0, (command, lines)
    return lines


def pe_header(exe):
    """(machine, characteristics) of a Windows program."""
    with open(exe, "rb") as f:
        data = f.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    return struct.unpack_from("<H", data, pe + 4)[0], struct.unpack_from("<H", data, pe + 4 + 18)[0]


def test_the_windows_zip_runs_from_where_it_is_unpacked(ctx):
    make("dist")
    with zipfile.ZipFile(ZIP) as z:
        assert sorted(z.namelist()) == [FOLDER + "/", FOLDER + "/README.txt", FOLDER + "/Scrivelander.exe",
                                        FOLDER + "/sample-form.bmp", FOLDER + "/sample-form.dta"]
        readme = z.read(FOLDER + "/README.txt")
        z.extractall(ctx.dir)
    # A short plain text for Windows users: CR LF line ends, no Markdown, no
    # picture that isn't in the zip.
    assert readme.count(b"\r\n") == readme.count(b"\n") > 10, readme[:200]
    assert b"![" not in readme and b"](" not in readme and b"```" not in readme and b"`" not in readme
    assert readme.startswith(b"Scrivelander 2.96\r\n")
    folder = ctx.path(FOLDER)
    exe = os.path.join(folder, "Scrivelander.exe")
    # A 32-bit program (machine i386), large-address-aware.
    machine, characteristics = pe_header(exe)
    assert machine == 0x14C and characteristics & 0x20, (hex(machine), hex(characteristics))

    version = probe_lines(ctx.session, "version " + harness.quote(harness.windows_path(exe)))
    assert version[0] == "fixed 2.96.0.0 2.96.0.0", version
    fields = harness.parse_fields(" ".join('%s=%s' % tuple(line.split(" ", 1)) for line in version[1:]))
    assert (fields["ProductName"], fields["ProductVersion"], fields["FileVersion"]) == \
        ("Scrivelander", "2.96", "2.96"), fields
    assert fields["FileDescription"].startswith("Scrivelander"), fields
    [line] = probe_lines(ctx.session, "manifest " + harness.quote(harness.windows_path(exe)))
    manifest = harness.unquote(line[len("manifest "):])
    assert 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' in " ".join(manifest.split()), manifest
    assert "<dpiAware" not in manifest and "<dpiAwareness" not in manifest, manifest

    # The sample opens filled in: the total is a formula over the amounts.
    with open(os.path.join(folder, "sample-form.dta"), "rb") as f:
        records = entryfiles.records_of(f.read())
    total = records[-1]
    assert total["text"] == "#5=#1+#2+#3+#4" and total["right"] == 1, total
    if harness.WINE_ARCH != "i686":
        raise harness.Skip("this machine can't run the 32-bit program of the zip (checked all but running it)")
    app = ctx.start_app(exe=exe, cwd=folder, args=["sample-form.bmp"])
    app.wait_title("sample-form.bmp")
    # The total lies below the window at half size: scroll down to it and
    # rest the pointer on it.
    for _ in range(4):
        app.key("Down")
    app.sync()
    app.mouse_move(10, 10)
    app.mouse_move((total["x"] - 40) // 2, (total["y"] + 20 - 400) // 2)
    app.wait_title(total["text"])
    assert app.close() == 0


def tree(root):
    """Every folder and file below root: its kind, mode and content."""
    out = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            digest = None
            if stat.S_ISREG(st.st_mode):
                with open(path, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
            out[os.path.relpath(path, root)] = (stat.S_IFMT(st.st_mode), stat.S_IMODE(st.st_mode), digest)
    return out


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


def test_the_installed_launcher_opens_a_form_and_uninstall_takes_everything_away(ctx):
    prefix = ctx.path("local prefix")
    # What the prefix held before stays as it was.
    os.makedirs(os.path.join(prefix, "share", "applications"))
    os.makedirs(os.path.join(prefix, "bin"))
    ctx.write(os.path.join(prefix, "share", "applications", "other.desktop"), "[Desktop Entry]\nName=Other\n")
    before = tree(prefix)

    said = make("install", "PREFIX=" + prefix)
    launcher = os.path.join(prefix, "bin", "scrivelander")
    # Where the launcher went, and, its folder not being on PATH, how to add it.
    assert "the launcher is " + launcher in said, said
    assert 'export PATH="%s:$PATH"' % os.path.join(prefix, "bin") in said, said
    assert os.access(launcher, os.X_OK)
    with open(os.path.join(prefix, "share", "applications", "scrivelander.desktop")) as f:
        entry = f.read().splitlines()
    assert entry[0] == "[Desktop Entry]"
    for line in ("Type=Application", "Name=Scrivelander", 'Exec="%s" %%f' % launcher, "Icon=scrivelander",
                 "MimeType=image/bmp;application/pdf;"):
        assert line in entry, (line, entry)
    for size in (16, 32):
        icon = os.path.join(prefix, "share", "icons", "hicolor", "%dx%d" % (size, size), "apps",
                            "scrivelander.png")
        assert png_size(icon) == (size, size)

    # The launcher makes its own Wine prefix and hands the form over as the
    # program sees it.
    os.makedirs(ctx.path("my forms"))
    ctx.write(os.path.join("my forms", "claim.bmp"), bmpfiles.coordinate_form(300, 200))
    env = dict(ctx.session.env, XDG_DATA_HOME=ctx.path("data"), XDG_CONFIG_HOME=ctx.path("config"))
    for k in ("WINEPREFIX", "WINEARCH", "WINEDLLOVERRIDES", "E2E_WINEPREFIX"):
        env.pop(k, None)
    own = dict(env, WINEPREFIX=ctx.path("data", "scrivelander", "wineprefix"))
    with open(ctx.path("launcher.log"), "wb") as log:
        started = harness.reaper().popen([launcher, os.path.join("my forms", "claim.bmp")], cwd=ctx.dir,
                                         env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
    probe = harness.Probe(own)
    try:
        harness.wait_until(lambda: started.poll() is not None or os.path.exists(
            os.path.join(own["WINEPREFIX"], ".scrivelander-ready")), 120, 0.2, "the launcher's Wine prefix")
        probe.start()
        harness.wait_until(lambda: started.poll() is not None or probe.kv("window").get("title") == "claim.bmp",
                           30, 0.1, "the form's title")
        assert started.poll() is None, open(ctx.path("launcher.log")).read()
        with open(os.path.join(own["WINEPREFIX"], "user.reg")) as f:
            assert '"Times New Roman"="Liberation Serif"' in f.read()
        # The prefix has the bridge to the Linux gs where the program looks
        # for Ghostscript, the one installed beside the program.
        bridge = os.path.join(own["WINEPREFIX"], "drive_c", "Program Files", "gs", "gs9.05", "bin")
        for name in ("gswin32c.exe", "run-gs.sh"):
            with open(os.path.join(bridge, name), "rb") as got, \
                    open(os.path.join(prefix, "share", "scrivelander", "gs-bridge", name), "rb") as installed:
                assert got.read() == installed.read(), name
        assert os.access(os.path.join(bridge, "run-gs.sh"), os.X_OK)
        with open(os.path.join(harness.BUILD, "gs-bridge", "gswin32c.exe"), "rb") as built, \
                open(os.path.join(bridge, "gswin32c.exe"), "rb") as got:
            assert built.read() == got.read()
        probe.call("close")
        assert started.wait(timeout=15) == 0
        assert os.path.isdir(ctx.path("config", "scrivelander"))
    finally:
        probe.stop()
        if started.poll() is None:
            started.kill()
            started.wait()
        subprocess.run(["wineserver", "-k"], env=own, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    make("uninstall", "PREFIX=" + prefix)
    assert tree(prefix) == before
