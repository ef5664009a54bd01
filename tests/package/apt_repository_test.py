#!/usr/bin/python3
"""Kindora's APT repository as a household's machine meets it: scripts/publish-repository makes a real
repository signed with a throw-away key, a loopback HTTP server serves it, and a real apt-get with a
private configuration (its own sources, keyring, lists, cache and dpkg status file; the machine's apt
set-up is neither read nor changed) looks at it through the very source the package installs
(packaging/linux/kindora.sources.in). The status file says kindora 1.0.0 is installed.

- A newer kindora published there is found and downloaded, byte for byte the published package.
- publish-repository refuses a version not newer than the newest published one, and a development
  package; the repository is left as it was.
- A repository signed by another key is refused, and nothing from it is offered.
- A repository whose Valid-Until has passed (a correctly signed Release of days ago, as a frozen mirror
  or a replay would serve it) is refused.
- An older kindora published under the same name is not installed over the newer one installed.

usage: apt_repository_test.py --source DIR"""

import argparse
import email.utils
import functools
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time


class TestFailure(Exception):
    pass


def run(argv, check=True, **kwargs):
    result = subprocess.run(argv, capture_output=True, text=True, timeout=120, **kwargs)
    if check and result.returncode != 0:
        raise TestFailure("%s failed (exit %d):\n%s%s" % (" ".join(argv), result.returncode, result.stdout,
                                                           result.stderr))
    return result


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class Keys:
    """A throw-away GNUPGHOME with one signing key, and its public key as a binary keyring."""

    def __init__(self, directory, name):
        self.home = os.path.join(directory, "gnupg-" + name)
        os.makedirs(self.home, mode=0o700)
        self.env = dict(os.environ, GNUPGHOME=self.home)
        run(["gpg", "--batch", "--passphrase", "", "--quick-gen-key", "%s <%s@kindora.invalid>" % (name, name),
             "ed25519", "sign", "never"], env=self.env)
        self.keyring = os.path.join(directory, name + ".gpg")
        with open(self.keyring, "wb") as out:
            out.write(subprocess.run(["gpg", "--batch", "--export"], env=self.env, capture_output=True,
                                     check=True).stdout)


def make_package(directory, version):
    """A small kindora package: enough for apt, which looks at its control fields and checksums."""
    tree = os.path.join(directory, "tree-" + version)
    os.makedirs(os.path.join(tree, "DEBIAN"))
    os.makedirs(os.path.join(tree, "usr/share/doc/kindora"))
    with open(os.path.join(tree, "DEBIAN/control"), "w") as control:
        control.write("Package: kindora\nVersion: %s\nArchitecture: amd64\nSection: net\nPriority: optional\n"
                      "Maintainer: Quillmere <maintainers@quillmere.com>\n"
                      "Description: household agent for the desktop\n" % version)
    with open(os.path.join(tree, "usr/share/doc/kindora/version"), "w") as marker:
        marker.write(version + "\n")
    deb = os.path.join(directory, "kindora_%s_amd64.deb" % version)
    run(["dpkg-deb", "--root-owner-group", "--build", tree, deb])
    return deb


class PrivateApt:
    """apt-get and apt-cache with a configuration of their own under `directory`, trusting only
    `keyring` for the source made from the package's template."""

    def __init__(self, source, directory, repository_url, keyring, installed_version):
        self.root = directory
        for sub in ("etc/sources.list.d", "etc/apt.conf.d", "etc/preferences.d", "etc/trusted.gpg.d",
                    "state/lists/partial", "cache/archives/partial", "log"):
            os.makedirs(os.path.join(directory, sub), exist_ok=True)
        template = open(os.path.join(source, "packaging/linux/kindora.sources.in")).read()
        with open(os.path.join(directory, "etc/sources.list.d/kindora.sources"), "w") as sources:
            sources.write(template.replace("@REPOSITORY@", repository_url).replace("@KEYRING@", keyring))
        with open(os.path.join(directory, "status"), "w") as status:
            status.write("Package: kindora\nStatus: install ok installed\nPriority: optional\nSection: net\n"
                         "Maintainer: Quillmere <maintainers@quillmere.com>\nArchitecture: amd64\n"
                         "Version: %s\nDescription: household agent for the desktop\n\n" % installed_version)
        options = {
            "Dir::Etc": directory + "/etc",
            "Dir::Etc::main": "/dev/null",
            "Dir::Etc::parts": directory + "/etc/apt.conf.d",
            "Dir::Etc::sourcelist": "/dev/null",
            "Dir::Etc::sourceparts": directory + "/etc/sources.list.d",
            "Dir::Etc::preferences": "/dev/null",
            "Dir::Etc::preferencesparts": directory + "/etc/preferences.d",
            "Dir::Etc::trusted": "/dev/null",
            "Dir::Etc::trustedparts": directory + "/etc/trusted.gpg.d",
            "Dir::State": directory + "/state",
            "Dir::State::status": directory + "/status",
            "Dir::Cache": directory + "/cache",
            "Dir::Log": directory + "/log",
            "APT::Architecture": "amd64",
            "APT::Architectures": "amd64",
            "APT::Get::AllowUnauthenticated": "false",
            "Acquire::AllowInsecureRepositories": "false",
            "Acquire::AllowDowngradeToInsecureRepositories": "false",
            "Acquire::Check-Valid-Until": "true",
            "Acquire::Languages": "none",
            "APT::Sandbox::User": "root" if os.geteuid() == 0 else os.environ.get("USER", "nobody"),
            "Debug::NoLocking": "true",
        }
        self.config = os.path.join(directory, "apt.conf")
        with open(self.config, "w") as conf:
            for key, value in options.items():
                conf.write('%s "%s";\n' % (key, value))
        self.env = dict(os.environ, APT_CONFIG=self.config, LC_ALL="C", DEBIAN_FRONTEND="noninteractive")

    def run(self, tool, *args):
        return run([tool] + list(args), check=False, env=self.env)

    def update(self):
        shutil.rmtree(os.path.join(self.root, "state/lists"))
        os.makedirs(os.path.join(self.root, "state/lists/partial"))
        return self.run("apt-get", "update")

    def candidate(self):
        policy = self.run("apt-cache", "policy", "kindora").stdout
        found = re.search(r"Candidate: (\S+)", policy)
        return found.group(1) if found else None

    def download_upgrade(self):
        """What `apt-get --download-only install kindora` fetches: the file names in the cache."""
        result = self.run("apt-get", "--download-only", "--yes", "install", "kindora")
        archives = os.path.join(self.root, "cache/archives")
        return result, sorted(name for name in os.listdir(archives) if name.endswith(".deb"))


def serve(directory):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=directory))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d" % server.server_address[1]


def publish(source, repo, keys, *debs, valid_for="30d"):
    return run([os.path.join(source, "scripts/publish-repository"), repo] + list(debs), check=False,
               env=dict(keys.env, KINDORA_APT_VALID_FOR=valid_for))


def expect(condition, message):
    if not condition:
        raise TestFailure(message)


def resign_as_of_days_ago(repo, keys, days):
    """The repository's Release as it was signed `days` ago with a week's validity: correctly signed by
    the trusted key, and expired."""
    release_path = os.path.join(repo, "dists/stable/Release")
    release = open(release_path).read()
    signed_at = time.time() - days * 86400
    release = re.sub(r"^Date: .*$", "Date: " + email.utils.formatdate(signed_at, usegmt=True), release,
                     flags=re.M)
    release = re.sub(r"^Valid-Until: .*$", "Valid-Until: " + email.utils.formatdate(signed_at + 7 * 86400,
                                                                                    usegmt=True),
                     release, flags=re.M)
    with open(release_path, "w") as out:
        out.write(release)
    for name in ("InRelease", "Release.gpg"):
        os.remove(os.path.join(repo, "dists/stable", name))
    run(["gpg", "--batch", "--yes", "--clearsign", "-o", os.path.join(repo, "dists/stable/InRelease"),
         release_path], env=keys.env)
    run(["gpg", "--batch", "--yes", "--detach-sign", "--armor", "-o", os.path.join(repo, "dists/stable/Release.gpg"),
         release_path], env=keys.env)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    args = parser.parse_args()
    source = os.path.abspath(args.source)
    work = tempfile.mkdtemp(prefix="kindora-apt-")
    servers = []
    try:
        maintainers = Keys(work, "maintainers")
        stranger = Keys(work, "stranger")
        packages = os.path.join(work, "packages")
        os.makedirs(packages)
        v090, v100, v110 = (make_package(packages, v) for v in ("0.9.0", "1.0.0", "1.1.0"))

        # The maintainers publish 1.0.0, then 1.1.0; an older or equal version and a development
        # package are refused and change nothing.
        repo = os.path.join(work, "repo")
        for deb in (v100, v110):
            result = publish(source, repo, maintainers, deb)
            expect(result.returncode == 0, "publishing %s failed:\n%s" % (deb, result.stderr))
        packages_index = os.path.join(repo, "dists/stable/main/binary-amd64/Packages")
        index = open(packages_index).read()
        for refused, why in ((v090, "not newer than kindora 1.1.0"), (v110, "not newer than kindora 1.1.0"),
                             (make_package(packages, "1.2.0~dev"), "is a development package")):
            result = publish(source, repo, maintainers, refused)
            expect(result.returncode != 0 and why in result.stderr,
                   "publishing %s was not refused (%s): %s" % (refused, why, result.stderr))
        expect(open(packages_index).read() == index, "a refused package changed the repository")
        release = open(os.path.join(repo, "dists/stable/Release")).read()
        expect(re.search(r"^Valid-Until: ", release, re.M), "the Release file has no Valid-Until")

        server, url = serve(repo)
        servers.append(server)
        print("repository:", url)

        # A machine with 1.0.0 installed finds 1.1.0 and downloads the published package.
        apt = PrivateApt(source, os.path.join(work, "apt-trusting"), url, maintainers.keyring, "1.0.0")
        result = apt.update()
        expect(result.returncode == 0 and "W:" not in result.stdout + result.stderr,
               "apt-get update of the signed repository failed:\n" + result.stdout + result.stderr)
        expect(apt.candidate() == "1.1.0", "apt offers %s, not 1.1.0" % apt.candidate())
        result, downloaded = apt.download_upgrade()
        expect(result.returncode == 0 and downloaded == ["kindora_1.1.0_amd64.deb"],
               "apt downloaded %s:\n%s%s" % (downloaded, result.stdout, result.stderr))
        expect(open(os.path.join(apt.root, "cache/archives", downloaded[0]), "rb").read() ==
               open(v110, "rb").read(), "the downloaded package is not the published one")
        print("found and downloaded 1.1.0 over 1.0.0")

        # The same repository, trusted through another key: refused, nothing offered.
        apt = PrivateApt(source, os.path.join(work, "apt-other-key"), url, stranger.keyring, "1.0.0")
        result = apt.update()
        output = result.stdout + result.stderr
        expect(result.returncode != 0 and "NO_PUBKEY" in output and "is not signed" in output,
               "a repository signed by another key was not refused:\n" + output)
        expect(apt.candidate() == "1.0.0", "a repository signed by another key offers %s" % apt.candidate())
        print("another key's repository refused:", output.strip().splitlines()[-1])

        # The repository as it was signed ten days ago, valid for a week: expired, refused.
        frozen = os.path.join(work, "frozen")
        shutil.copytree(repo, frozen)
        resign_as_of_days_ago(frozen, maintainers, 10)
        server, frozen_url = serve(frozen)
        servers.append(server)
        apt = PrivateApt(source, os.path.join(work, "apt-expired"), frozen_url, maintainers.keyring, "1.0.0")
        result = apt.update()
        output = result.stdout + result.stderr
        expect(result.returncode != 0 and "is expired" in output,
               "a repository past its Valid-Until was not refused:\n" + output)
        expect(apt.candidate() == "1.0.0", "an expired repository offers %s" % apt.candidate())
        print("expired repository refused:", [line for line in output.splitlines() if "expired" in line][0])

        # A repository holding an older kindora (here one made only of 0.9.0) and a machine with 1.1.0:
        # nothing is installed over it.
        older = os.path.join(work, "older")
        result = publish(source, older, maintainers, v090)
        expect(result.returncode == 0, "publishing 0.9.0 in a new repository failed:\n" + result.stderr)
        server, older_url = serve(older)
        servers.append(server)
        apt = PrivateApt(source, os.path.join(work, "apt-newer-installed"), older_url, maintainers.keyring, "1.1.0")
        result = apt.update()
        expect(result.returncode == 0, "apt-get update failed:\n" + result.stdout + result.stderr)
        expect(apt.candidate() == "1.1.0", "apt would install %s over 1.1.0" % apt.candidate())
        result, downloaded = apt.download_upgrade()
        expect(result.returncode == 0 and downloaded == [] and "already the newest version (1.1.0)" in result.stdout,
               "apt fetched %s with 1.1.0 installed:\n%s%s" % (downloaded, result.stdout, result.stderr))
        upgrade = apt.run("apt-get", "--simulate", "upgrade").stdout
        expect("0 upgraded" in upgrade and "Inst kindora" not in upgrade, "apt-get upgrade would change kindora:\n"
               + upgrade)
        print("0.9.0 is not installed over 1.1.0")
    finally:
        for server in servers:
            server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    try:
        main()
    except TestFailure as failure:
        print("FAILED:", failure, file=sys.stderr)
        sys.exit(1)
