#!/usr/bin/python3
"""The Debian package of this build, made and installed for real: scripts/package --from-build makes
kindora_<version>_amd64.deb from the build already made and checks it (lintian without errors, the
AppStream metainfo and the desktop file valid); this test then checks what it holds and the
dependencies found from the shared libraries, and, when running as root on a machine where no kindora
package is installed yet, installs it with apt (dpkg -i where apt is missing), runs both programs for
their version and purges the package again, so that the machine is left as it was.

usage: package_install_test.py --source DIR --build DIR --version VERSION"""

import argparse
import fcntl
import os
import shutil
import subprocess
import sys
import tempfile


class TestFailure(Exception):
    pass


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, **kwargs)


def installed_version(package):
    query = run(["dpkg-query", "-W", "-f=${Status} ${Version}", package])
    if query.returncode == 0 and query.stdout.startswith("install ok installed"):
        return query.stdout.split()[-1]
    return None


def check_package(deb, version):
    expected = "kindora_%s_amd64.deb" % version
    if os.path.basename(deb) != expected:
        raise TestFailure("the package is %s, not %s" % (os.path.basename(deb), expected))
    contents = run(["dpkg-deb", "-c", deb]).stdout
    for path in ("./usr/bin/kindora", "./usr/bin/kindora-headless",
                 "./usr/share/applications/com.quillmere.kindora.desktop",
                 "./usr/share/icons/hicolor/scalable/apps/com.quillmere.kindora.svg",
                 "./usr/share/metainfo/com.quillmere.kindora.metainfo.xml",
                 "./usr/share/doc/kindora/copyright", "./usr/share/doc/kindora/changelog.gz"):
        if path not in contents.split():
            raise TestFailure("the package lacks " + path)
    if "autostart" in contents:
        raise TestFailure("launch at login is the application's choice; the package must not install it")
    depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout
    # Found from the programs' shared libraries, and named for what Qt loads at run time.
    for dependency in ("libqt6quick6", "libsodium23", "libcurl4", "libsecret-1-0", "qml6-module-qtquick-controls",
                       "qt6-qpa-plugins"):
        if dependency not in depends:
            raise TestFailure("the package does not depend on %s: %s" % (dependency, depends))
    print("package:", deb)
    print("depends:", depends.strip())


def install_and_run(deb, version):
    if os.geteuid() != 0:
        return "skipped installing: it needs root (dpkg -i); CI runs as root"
    already = installed_version("kindora")
    if already is not None:
        return "skipped installing: kindora %s is installed on this machine already and is left alone" % already
    apt = shutil.which("apt-get")
    command = [apt, "install", "-y", "--no-install-recommends", "-o", "DPkg::Lock::Timeout=300", deb] if apt \
        else ["dpkg", "-i", deb]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    # Another checkout's run of this test on the same machine waits for this one to purge first.
    lock = open("/tmp/kindora-package-install.lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    try:
        return install_run_and_purge(command, env, version)
    finally:
        fcntl.flock(lock, fcntl.LOCK_UN)
        lock.close()


def install_run_and_purge(command, env, version):
    if installed_version("kindora") is not None:
        return "skipped installing: kindora was installed on this machine meanwhile and is left alone"
    try:
        result = run(command, env=env)
        if result.returncode != 0:
            raise TestFailure("installing failed:\n" + result.stdout + result.stderr)
        if installed_version("kindora") != version:
            raise TestFailure("dpkg does not list kindora %s as installed" % version)
        for program in ("kindora", "kindora-headless"):
            answer = run(["/usr/bin/" + program, "--version"], timeout=30)
            if answer.returncode != 0 or answer.stdout.strip() != "%s %s" % (program, version):
                raise TestFailure("%s --version: exit %d, %r" % (program, answer.returncode,
                                                                 answer.stdout + answer.stderr))
            print(answer.stdout.strip())
        listed = run(["dpkg", "-L", "kindora"]).stdout.split()
        if "/usr/share/metainfo/com.quillmere.kindora.metainfo.xml" not in listed:
            raise TestFailure("the installed package does not list its metainfo")
        return "installed with %s, both programs reported %s" % (os.path.basename(command[0]), version)
    finally:
        if installed_version("kindora") is not None:
            purge = run(["dpkg", "--purge", "kindora"] if not shutil.which("apt-get") else
                        ["apt-get", "purge", "-y", "-o", "DPkg::Lock::Timeout=300", "kindora"], env=env)
            if purge.returncode != 0:
                raise TestFailure("purging kindora failed:\n" + purge.stdout + purge.stderr)
        if installed_version("kindora") is not None:
            raise TestFailure("kindora is still installed after the test")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--source", "--build", "--version"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    out = tempfile.mkdtemp(prefix="kindora-package-")
    try:
        made = run([os.path.join(args.source, "scripts/package"), "--from-build", args.build, "--out", out])
        print(made.stdout, made.stderr)
        if made.returncode != 0:
            raise TestFailure("scripts/package failed (exit %d)" % made.returncode)
        deb = os.path.join(out, "kindora_%s_amd64.deb" % args.version)
        check_package(deb, args.version)
        print(install_and_run(deb, args.version))
        print("updating through PackageKit is not exercised here: it needs a system bus with PackageKit and "
              "polkit, which this test does not start (the installer is tested against a stand-in)")
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    try:
        main()
    except TestFailure as failure:
        print("FAILED:", failure, file=sys.stderr)
        sys.exit(1)
