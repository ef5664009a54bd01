#!/usr/bin/python3
"""The Debian package of this build, made and installed for real. scripts/package --from-build makes
it from the build already made and checks it (lintian without errors, the AppStream metainfo and the
desktop file valid), twice:

- as a release, with KINDORA_APT_REPOSITORY (a loopback address) and KINDORA_APT_KEY (a throw-away
  armoured public key): kindora_<version>_amd64.deb, which brings the deb822 source of Kindora's
  repository (its postinst puts it in /etc/apt/sources.list.d) and the key, de-armoured, as the
  keyring that source alone trusts;
- as a development package, without them: kindora_<version>~dev_amd64.deb, with neither.

This test checks what each holds and the dependencies found from the shared libraries, and, when
running as root on a machine where no kindora package is installed yet, installs the release package
with apt (dpkg -i where apt is missing), finds the source and the keyring in place, runs both programs
for their version and purges the package again, source included, so that the machine is left as it
was. Nothing runs apt-get update meanwhile:
the loopback source is never fetched.

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


SOURCE = "/etc/apt/sources.list.d/kindora.sources"
SHIPPED_SOURCE = "/usr/share/kindora/kindora.sources"
KEYRING = "/usr/share/keyrings/kindora-archive-keyring.gpg"


def check_package(deb, version):
    expected = "kindora_%s_amd64.deb" % version
    if os.path.basename(deb) != expected:
        raise TestFailure("the package is %s, not %s" % (os.path.basename(deb), expected))
    if run(["dpkg-deb", "-f", deb, "Version"]).stdout.strip() != version:
        raise TestFailure("the package's version is not " + version)
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
    for dependency in ("libqt6quick6", "libcurl4", "libsecret-1-0", "qml6-module-qtquick-controls",
                       "qt6-qpa-plugins"):
        if dependency not in depends:
            raise TestFailure("the package does not depend on %s: %s" % (dependency, depends))
    print("package:", deb)
    print("depends:", depends.strip())
    return contents.split()


def check_release_package(deb, version, repository, key_fingerprint):
    contents = check_package(deb, version)
    for path in (SHIPPED_SOURCE, KEYRING):
        if "." + path not in contents:
            raise TestFailure("the release package lacks " + path)
    if any("/etc/apt" in path for path in contents):
        raise TestFailure("the package itself holds a file under /etc/apt")
    tree = tempfile.mkdtemp(prefix="kindora-release-")
    try:
        run(["dpkg-deb", "-R", deb, tree])
        source = open(tree + SHIPPED_SOURCE).read()
        if source != expected_source(repository):
            raise TestFailure("the source is not as expected:\n" + source)
        if not os.access(os.path.join(tree, "DEBIAN/postinst"), os.X_OK):
            raise TestFailure("the package has no postinst to put the source in place")
        keyring = open(tree + KEYRING, "rb").read()
        if keyring.startswith(b"-----BEGIN"):
            raise TestFailure("the keyring is armoured; apt reads a binary keyring")
        if key_fingerprint not in run(["gpg", "--batch", "--with-colons", "--show-keys", tree + KEYRING]).stdout:
            raise TestFailure("the keyring does not hold the repository's key " + key_fingerprint)
    finally:
        shutil.rmtree(tree, ignore_errors=True)


def expected_source(repository):
    return ("Types: deb\nURIs: %s\nSuites: stable\nComponents: main\nArchitectures: amd64\n"
            "Signed-By: %s\n" % (repository, KEYRING))


def check_development_package(deb, version):
    contents = check_package(deb, version + "~dev")
    if any("sources" in path or "keyrings" in path for path in contents):
        raise TestFailure("a development package brings an APT source or key")
    if "postinst" in run(["dpkg-deb", "-I", deb]).stdout:
        raise TestFailure("a development package has a postinst")


def install_and_run(deb, version, repository):
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
        return install_run_and_purge(command, env, version, repository)
    finally:
        fcntl.flock(lock, fcntl.LOCK_UN)
        lock.close()


def install_run_and_purge(command, env, version, repository):
    if installed_version("kindora") is not None:
        return "skipped installing: kindora was installed on this machine meanwhile and is left alone"
    if os.path.exists(SOURCE):
        return "skipped installing: %s exists on this machine already and is left alone" % SOURCE
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
        for path in ("/usr/share/metainfo/com.quillmere.kindora.metainfo.xml", KEYRING):
            if path not in listed or not os.path.exists(path):
                raise TestFailure("the installed package does not hold " + path)
        if not os.path.exists(SOURCE) or open(SOURCE).read() != expected_source(repository):
            raise TestFailure("the installation did not put Kindora's source in " + SOURCE)
        return "installed with %s, both programs reported %s" % (os.path.basename(command[0]), version)
    finally:
        if installed_version("kindora") is not None:
            purge = run(["dpkg", "--purge", "kindora"] if not shutil.which("apt-get") else
                        ["apt-get", "purge", "-y", "-o", "DPkg::Lock::Timeout=300", "kindora"], env=env)
            if purge.returncode != 0:
                raise TestFailure("purging kindora failed:\n" + purge.stdout + purge.stderr)
        if installed_version("kindora") is not None:
            raise TestFailure("kindora is still installed after the test")
        if os.path.exists(SOURCE):
            raise TestFailure("the purge left " + SOURCE + " behind")


def throwaway_key(directory):
    """An armoured public key of a key made for this test, and its fingerprint."""
    env = dict(os.environ, GNUPGHOME=os.path.join(directory, "gnupg"))
    os.makedirs(env["GNUPGHOME"], mode=0o700)
    run(["gpg", "--batch", "--passphrase", "", "--quick-gen-key", "Kindora test <test@kindora.invalid>", "ed25519",
         "sign", "never"], env=env, check=True)
    listing = run(["gpg", "--batch", "--with-colons", "--list-keys"], env=env).stdout
    fingerprint = [line.split(":")[9] for line in listing.splitlines() if line.startswith("fpr:")][0]
    key = os.path.join(directory, "repository-key.asc")
    with open(key, "w") as out:
        out.write(run(["gpg", "--batch", "--armor", "--export", fingerprint], env=env, check=True).stdout)
    return key, fingerprint


def make(args, out, env):
    made = run([os.path.join(args.source, "scripts/package"), "--from-build", args.build, "--out", out], env=env)
    print(made.stdout, made.stderr)
    if made.returncode != 0:
        raise TestFailure("scripts/package failed (exit %d)" % made.returncode)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--source", "--build", "--version"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    out = tempfile.mkdtemp(prefix="kindora-package-")
    try:
        env = {name: value for name, value in os.environ.items() if not name.startswith("KINDORA_APT_")}
        make(args, out, env)
        check_development_package(os.path.join(out, "kindora_%s~dev_amd64.deb" % args.version), args.version)

        key, fingerprint = throwaway_key(out)
        repository = "http://127.0.0.1:9/kindora"
        make(args, out, dict(env, KINDORA_APT_REPOSITORY=repository, KINDORA_APT_KEY=key))
        deb = os.path.join(out, "kindora_%s_amd64.deb" % args.version)
        check_release_package(deb, args.version, repository, fingerprint)
        print(install_and_run(deb, args.version, repository))
        print("updating through PackageKit is not exercised here: it needs a system bus with PackageKit and "
              "polkit, which this test does not start (the updater is tested against a stand-in, the "
              "repository by kindora_apt_repository)")
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    try:
        main()
    except TestFailure as failure:
        print("FAILED:", failure, file=sys.stderr)
        sys.exit(1)
