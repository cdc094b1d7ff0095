#!/usr/bin/env bash
# Proves the README's promise on a machine where nothing was installed by hand: builds a
# minimal Debian 12 root with debootstrap (from the archive this machine's apt uses), adds
# only what a new user starts with (git, make, sudo, and a user of their own), clones this
# repository's committed HEAD into the user's home and runs `make test` there as that user.
# Reports the time taken and how many tests were skipped.
#
#   tools/test-fresh.sh [ROOT_DIR]       (default /var/tmp/quorvella-fresh; made anew)
#
# Needs root or sudo (debootstrap, chroot and mounts), and the network the archive is on.
# The log is left in ROOT_DIR.log.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:-/var/tmp/quorvella-fresh}"
log="$root.log"
user=newuser
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
mirror=$(apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
         awk -v c="$codename" '$2 == c { print $1; exit }')
if [ -z "$mirror" ] || [ -z "$codename" ]; then
  echo "test-fresh: apt has no deb entry for this machine's Debian release ($codename)" >&2
  exit 1
fi
if ! command -v debootstrap >/dev/null; then
  echo "test-fresh: debootstrap is missing; run tools/install-deps.sh first" >&2
  exit 1
fi

mounts=(proc sys dev dev/pts dev/shm)
unmount() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    if mountpoint -q "$root/${mounts[i]}" 2>/dev/null; then
      $sudo umount -l "$root/${mounts[i]}" || true
    fi
  done
}
trap unmount EXIT
unmount
$sudo rm -rf "$root"

start=$(date +%s)
echo "test-fresh: debootstrap $codename from $mirror into $root"
$sudo debootstrap --variant=minbase --include=git,make,sudo,ca-certificates \
  "$codename" "$root" "$mirror" >"$log" 2>&1 || { tail -n 20 "$log" >&2; exit 1; }
# What a Debian installer writes and debootstrap does not: name lookup, and the hosts file
# that names localhost.
$sudo cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n::1\tlocalhost ip6-localhost ip6-loopback\n' \
  "$(hostname)" | $sudo tee "$root/etc/hosts" >/dev/null
$sudo mount -t proc proc "$root/proc"
$sudo mount -t sysfs sys "$root/sys"
$sudo mount --bind /dev "$root/dev"
$sudo mount --bind /dev/pts "$root/dev/pts"
$sudo mount -t tmpfs -o mode=1777 shm "$root/dev/shm"

# A user of their own who may use sudo, as on a desktop installation.
$sudo chroot "$root" useradd --create-home --shell /bin/bash "$user"
echo "$user ALL=(ALL) NOPASSWD: ALL" | $sudo tee "$root/etc/sudoers.d/$user" >/dev/null
$sudo git clone --quiet --no-local "$repo" "$root/home/$user/quorvella"
$sudo chroot "$root" chown -R "$user:$user" "/home/$user/quorvella"
prepared=$(date +%s)

echo "test-fresh: make test as $user in a clean clone (log: $log)"
status=0
$sudo chroot "$root" /usr/bin/env -i HOME="/home/$user" PATH=/usr/local/bin:/usr/bin:/bin \
  LANG=C.UTF-8 TERM=dumb /bin/su - "$user" -c 'cd quorvella && make test' >>"$log" 2>&1 || status=$?
end=$(date +%s)

# Linux cases are one ctest test each ("***Skipped" in the log); a Windows suite is one
# ctest test, whose cases' output ctest keeps in the build's LastTest log.
skips=$( (grep -oE 'Test +#[0-9]+: [^ ]+ [.]+\*\*\*Skipped' "$log" | sed -E 's/ [.]+.*//';
          find "$root/home/$user/quorvella/build" -path '*/win*/Testing/Temporary/LastTest*.log' \
            -exec grep -hE '^\[  SKIPPED \] .* \([0-9]+ ms\)' {} + ) 2>/dev/null | sort -u || true)
echo "test-fresh: root prepared in $((prepared - start)) s; make test took $((end - prepared)) s" \
     "(exit status $status); skipped tests: $(grep -c . <<<"$skips" || true)"
[ -z "$skips" ] || printf '%s\n' "$skips"
exit $status
