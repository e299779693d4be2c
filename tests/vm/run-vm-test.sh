#!/usr/bin/env bash
# Boots Debian's own kernel in QEMU (software emulation, no KVM needed) with a
# small initramfs of busybox, shares this machine's file system read-only into
# the guest, and runs tests/vm/guest-test.sh there: a USB gadget keyboard on
# dummy_hcd, its firmware, and the tool against it through the kernel's USB,
# HID and hidraw stack with systemd-udevd running.
#
#   tests/vm/run-vm-test.sh <build dir>
#
# The kernel package is fetched once with apt-get download and kept under
# <build dir>/vm/kernel. The guest's logs land in <build dir>/vm/out.
# Exit status: 0 passed, 1 failed, 77 skipped (QEMU cannot run here at all).
set -euo pipefail

skip=77
src="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: $0 <build dir>}" && pwd)"
work="$build/vm"
out="$work/out"
# The whole run, boot included, must end well inside the test's own timeout.
guest_timeout="${TKT_VM_TIMEOUT:-540}"

say() { echo "vm: $*"; }
need() { command -v "$1" >/dev/null || { say "missing $1 (package $2): run scripts/deps.sh test"; exit 1; }; }

# --- can QEMU run here at all? -------------------------------------------------
qemu="$(command -v qemu-system-x86_64 || true)"
if [ -z "$qemu" ]; then
    say "SKIPPED: qemu-system-x86_64 is not installed (package qemu-system-x86, scripts/deps.sh test)"
    exit $skip
fi
if ! "$qemu" -accel help 2>/dev/null | grep -qx tcg; then
    say "SKIPPED: $qemu cannot emulate (no TCG accelerator): $("$qemu" -accel help 2>&1 | tr '\n' ' ')"
    exit $skip
fi
need busybox busybox-static
need dpkg-deb dpkg
need apt-get apt
need udevadm udev
need setpriv util-linux
need taskset util-linux
[ -x /lib/systemd/systemd-udevd ] || { say "missing systemd-udevd (package udev)"; exit 1; }
# The guest has no libraries of its own until the host's /usr is mounted.
ldd "$(command -v busybox)" >/dev/null 2>&1 && { say "busybox is not the static one (package busybox-static)"; exit 1; }
for program in "$build/TavrinKeyboardTest" "$build/tkt_vm_window" "$build/tests/vm/tkt_gadget_firmware" \
    "$build/tests/vm/tkt_vm_key_reader" "$build/tests/vm/tkt_vm_key_timer"; do
    [ -x "$program" ] || { say "not built: $program"; exit 1; }
done

# --- the kernel: Debian's package, downloaded, never installed -------------------
mkdir -p "$work/kernel"
package="$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')"
if [ -z "$package" ]; then
    # No package lists: take the kernel fetched before, if any.
    package="$(ls -1 "$work/kernel" 2>/dev/null | grep -E '^linux-image-[0-9].*-amd64$' | sort | tail -n1 || true)"
fi
[ -n "$package" ] || { say "no kernel package known: run apt-get update"; exit 1; }
kroot="$work/kernel/$package"
if [ ! -f "$kroot/.unpacked" ]; then
    say "fetching $package"
    rm -rf "$kroot" "$work/kernel/download"
    mkdir -p "$work/kernel/download"
    (cd "$work/kernel/download" && apt-get download -q "$package" 2>&1 | grep -v "^W: Download is performed unsandboxed" || true)
    deb="$(ls -1 "$work/kernel/download/${package}"_*.deb 2>/dev/null | head -n1 || true)"
    [ -n "$deb" ] || { say "apt-get download $package failed"; exit 1; }
    dpkg-deb -x "$deb" "$kroot"
    version="$(ls -1 "$kroot/lib/modules" | head -n1)"
    busybox depmod -b "$kroot" "$version"
    rm -rf "$work/kernel/download"
    touch "$kroot/.unpacked"
fi
version="$(ls -1 "$kroot/lib/modules" | head -n1)"
kernel="$kroot/boot/vmlinuz-$version"
moddir="$kroot/lib/modules/$version"
[ -f "$kernel" ] && [ -f "$moddir/modules.dep" ] || { say "kernel tree incomplete: $kroot"; exit 1; }

# --- the initramfs: busybox, the modules in load order, /init --------------------
# Modules named here and everything they need, dependencies first.
wanted=(virtio_pci 9pnet_virtio 9p configfs dummy_hcd libcomposite usb_f_hid usbhid hid-generic evdev)
declare -A deps=() seen=()
while IFS= read -r line; do
    deps["${line%%:*}"]="${line#*:}"
done <"$moddir/modules.dep"
order=()
add_module() {
    local path="$1" dep
    [ -n "${seen[$path]:-}" ] && return 0
    seen["$path"]=1
    for dep in ${deps[$path]}; do add_module "$dep"; done
    order+=("$path")
}
for name in "${wanted[@]}"; do
    path="$(printf '%s\n' "${!deps[@]}" | grep -E "/${name}\.ko$" | head -n1 || true)"
    if [ -z "$path" ] && grep -qE "/${name}\.ko$" "$moddir/modules.builtin" 2>/dev/null; then
        continue # built into this kernel
    fi
    [ -n "$path" ] || { say "module $name not in $package"; exit 1; }
    add_module "$path"
done

initrd_dir="$work/initramfs"
rm -rf "$initrd_dir"
mkdir -p "$initrd_dir/bb" "$initrd_dir/modules"
cp "$(command -v busybox)" "$initrd_dir/bb/busybox"
: >"$initrd_dir/modules/load"
for path in "${order[@]}"; do
    cp "$moddir/$path" "$initrd_dir/modules/"
    # Two host ports: the unit and a second keyboard beside it.
    case "$path" in */dummy_hcd.ko) echo "dummy_hcd.ko num=2" ;; *) basename "$path" ;; esac >>"$initrd_dir/modules/load"
done
cp "$src/tests/vm/init" "$initrd_dir/init"
chmod 755 "$initrd_dir/init"
(cd "$initrd_dir" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1 >"$work/initramfs.cpio.gz")

# --- the run ---------------------------------------------------------------------
rm -rf "$out"
mkdir -p "$out"
cat >"$out/env" <<EOF
TKT_SRC='$src'
TKT_BUILD='$build'
TKT_VM_CYCLES='${TKT_VM_CYCLES:-20}'
TKT_VM_REPORTS='${TKT_VM_REPORTS:-1000}'
TKT_VM_KEY_REPORTS='${TKT_VM_KEY_REPORTS:-200}'
EOF
say "booting $package under TCG ($(nproc) host cores)"
start=$(date +%s.%N)
set +e
timeout --foreground -k 5 "$guest_timeout" "$qemu" \
    -accel tcg -machine q35 -cpu max -smp 2 -m 1536 \
    -nographic -monitor none -serial stdio -no-reboot -nic none \
    -kernel "$kernel" -initrd "$work/initramfs.cpio.gz" \
    -append "console=ttyS0 panic=-1 quiet loglevel=3 tsc=reliable" \
    -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$out,mount_tag=out,security_model=none" \
    >"$out/console.log" 2>&1
qemu_status=$?
set -e
end=$(date +%s.%N)
say "guest ran $(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.1f", b - a}') s of wall time (qemu status $qemu_status)"

if [ ! -f "$out/booted" ]; then
    if grep -qiE "could not|failed to|error" "$out/console.log" && ! grep -q "Linux version\|Run /init" "$out/console.log"; then
        say "SKIPPED: QEMU could not start a guest here:"
        tail -n 20 "$out/console.log"
        exit $skip
    fi
    say "FAILED: the guest never reached its test"
    tail -n 60 "$out/console.log"
    exit 1
fi
cat "$out/console.log" | grep -E "^(VM-|vm:)" || true
if [ -f "$out/figures" ]; then
    say "figures:"
    sed 's/^/  /' "$out/figures"
fi
status="$(cat "$out/status" 2>/dev/null || echo missing)"
if [ "$status" != 0 ]; then
    say "FAILED (guest status $status); the last lines of each log:"
    for log in "$out"/*.log; do
        echo "== $(basename "$log")"
        tail -n 40 "$log"
    done
    exit 1
fi
say "passed"
