#!/usr/bin/env bash
# Runs inside the test guest (tests/vm/init starts it). A composite USB gadget
# keyboard on dummy_hcd, the firmware program on its vendor interface, and the
# tool against it through the kernel's USB, HID and hidraw stack, with
# systemd-udevd delivering the plug events. The first run of the tool keeps
# its home on the writable 9p share and ends by SIGTERM, and its records are
# exported afterwards. Prints one "VM-CHECK" line per check and "VM-FIGURE"
# lines; exits non-zero when any check failed.
set -u
. /out/env
out=/out
build="$TKT_BUILD"
src="$TKT_SRC"
tool="$build/TavrinKeyboardTest"
firmware="$build/tests/vm/tkt_gadget_firmware"
cycles="${TKT_VM_CYCLES:-20}"
reports="${TKT_VM_REPORTS:-1000}"
gadget=/sys/kernel/config/usb_gadget/tkt
failed=0

check() {
    if [ "$2" -eq 0 ]; then echo "VM-CHECK pass: $1"; else
        echo "VM-CHECK FAIL: $1"
        failed=1
    fi
}
figure() { echo "VM-FIGURE $*" | tee -a "$out/figures"; }
clock() { echo "$EPOCHREALTIME"; }
ms_since() { awk -v a="$1" -v b="$(clock)" 'BEGIN {printf "%.0f", (b - a) * 1000}'; }
count() {
    local n
    n=$(grep -cF -- "$2" "$1" 2>/dev/null)
    echo "${n:-0}"
}
# wait_for SECONDS COMMAND...: true once the command is, false at the deadline.
# Bash's own clock: a program started per poll costs a guest under emulation
# more than the poll itself.
wait_for() {
    local deadline=$((EPOCHSECONDS + $1))
    shift
    until "$@"; do
        [ "$EPOCHSECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}
# Milliseconds from the guest clock reading $1 to the time stamp of the $4th
# line of log $2 that holds $3: the tool's own clock, not the polling's.
log_ms_after() {
    local line
    line=$(grep -F -- "$3" "$2" | sed -n "${4}p")
    [ -n "$line" ] || return 0
    awk -v a="$1" -v b="$(date -d "${line:0:23}" +%s.%N)" 'BEGIN {printf "%.0f", (b - a) * 1000}'
}
at_least() { [ "$(count "$1" "$2")" -ge "$3" ]; }

echo "vm: guest test begins at $(cut -d' ' -f1 /proc/uptime) s of guest time"

# --- udev ----------------------------------------------------------------------
# A writable copy of the host's udev configuration, so the rule can be added.
mkdir -p /tmp/udev-etc
cp -a /etc/udev/. /tmp/udev-etc/
mount --bind /tmp/udev-etc /etc/udev
export SYSTEMD_IGNORE_CHROOT=1
t=$(clock)
/lib/systemd/systemd-udevd --daemon 2>>"$out/udevd.log"
wait_for 20 test -S /run/udev/control
check "systemd-udevd running" $?
figure "udevd start: $(ms_since "$t") ms"

# --- the gadget ------------------------------------------------------------------
hex() { printf "$(echo "$1" | tr -d ' \n' | sed 's/../\\x&/g')"; }
# Interface 0: a boot keyboard.
boot_keyboard="05 01 09 06 a1 01 05 07 19 e0 29 e7 15 00 25 01 75 01 95 08 81 02 95 01 75 08 81 03
 95 05 75 01 05 08 19 01 29 05 91 02 95 01 75 03 91 03 95 06 75 08 15 00 25 65 05 07 19 00 29 65 81 00 c0"
# Interface 1: consumer keys.
consumer="05 0c 09 01 a1 01 15 00 26 ff 03 19 00 2a ff 03 75 10 95 01 81 00 c0"
# Interface 2: the vendor interface; report 1 with 63 data bytes each way, so
# a frame is 64 bytes with its id on both sides.
vendor="06 00 ff 09 01 a1 01 85 01 15 00 26 ff 00 75 08 95 3f 09 01 81 02 09 01 91 02 c0"

add_function() { # name protocol subclass report-length descriptor
    local f="$gadget/functions/hid.$1"
    mkdir -p "$f"
    echo "$2" >"$f/protocol"
    echo "$3" >"$f/subclass"
    echo "$4" >"$f/report_length"
    hex "$5" >"$f/report_desc"
    ln -s "$f" "$gadget/configs/c.1/"
}

make_gadget() { # name product serial [keyboard-only]
    local g="/sys/kernel/config/usb_gadget/$1"
    gadget="$g"
    mkdir -p "$g"
    echo 0x0416 >"$g/idVendor"
    echo "0x$2" >"$g/idProduct"
    echo 0x0100 >"$g/bcdDevice"
    echo 0x0200 >"$g/bcdUSB"
    mkdir -p "$g/strings/0x409" "$g/configs/c.1"
    echo Tavrin >"$g/strings/0x409/manufacturer"
    echo "Gadget keyboard" >"$g/strings/0x409/product"
    echo "$3" >"$g/strings/0x409/serialnumber"
    echo 100 >"$g/configs/c.1/MaxPower"
    add_function keyboard 1 1 8 "$boot_keyboard"
    [ -n "${4:-}" ] && return 0
    add_function consumer 0 0 2 "$consumer"
    add_function vendor 0 0 64 "$vendor"
}
# The keyboard under test; later, with the magnetic platform's ids, the
# magnetic one.
make_gadget tkt b23c VM0001
kb=/sys/kernel/config/usb_gadget/tkt
udcs=($(ls /sys/class/udc))
check "a UDC to bind to (${udcs[*]})" "$([ "${#udcs[@]}" -ge 1 ] && echo 0 || echo 1)"

# The hidraw node of interface 2 of the keyboard with this product id.
vendor_hidraw() {
    local h
    for h in /sys/class/hidraw/hidraw*; do
        [ -e "$h" ] || continue
        [ "$(cat "$h/device/../bInterfaceNumber" 2>/dev/null)" = 02 ] &&
            [ "$(cat "$h/device/../../idProduct" 2>/dev/null)" = "$1" ] && echo "/dev/${h##*/}"
    done
}
have_vendor_hidraw() { [ -n "$(vendor_hidraw "${1:-b23c}")" ]; }
no_vendor_hidraw() { [ -z "$(vendor_hidraw "${1:-b23c}")" ]; }
plug() { echo "${udcs[0]}" >"$kb/UDC"; }
unplug() { echo "" >"$kb/UDC"; }
# The gadget side's node of a function (the vendor one by default); it exists
# while the gadget is bound.
hidg_of() {
    local node
    for node in /sys/class/hidg/*; do
        [ "$(cat "$node/dev")" = "$(cat "$1/functions/hid.${2:-vendor}/dev")" ] && echo "/dev/${node##*/}"
    done
}
# The first input event node on a host port (dummy_hcd.N).
event_node_on() {
    local e
    for e in /sys/class/input/event*; do
        readlink -f "$e" | grep -q "/$1/" && { echo "/dev/input/${e##*/}"; return; }
    done
}
has_event_node_on() { [ -n "$(event_node_on "$1")" ]; }

fw_pids=()
start_firmware() { # gadget log product [extra options]
    local node
    node="$(hidg_of "$1")"
    "$firmware" --device "$node" --log "$2" --product "$3" "${@:4}" &
    fw_pids+=($!)
    wait_for 10 at_least "$2" ready 1
}
stop_firmware() {
    [ ${#fw_pids[@]} -gt 0 ] && kill "${fw_pids[@]}" && wait "${fw_pids[@]}" 2>/dev/null
    fw_pids=()
}

t=$(clock)
plug
wait_for 20 have_vendor_hidraw b23c
check "gadget enumerated: hidraw of interface 2 is $(vendor_hidraw b23c)" $?
figure "gadget bound to its hidraw nodes: $(ms_since "$t") ms"
udevadm settle -t 20
check "the vendor function has its node ($(hidg_of "$kb"))" "$([ -c "$(hidg_of "$kb")" ] && echo 0 || echo 1)"
nodes=$(for h in /sys/class/hidraw/hidraw*; do cat "$h/device/../bInterfaceNumber"; done | sort | tr '\n' ' ')
check "three HID interfaces 0, 1, 2 (found: $nodes)" "$([ "$nodes" = "00 01 02 " ] && echo 0 || echo 1)"

# --- the tool, as root ---------------------------------------------------------------
tool_pid=""
# The tool's environment for a home: its data (Config.ini, the station store,
# the debug log) under the home, the runtime and temporary folders always in
# the guest's memory, since Qt insists on owning the runtime folder, which a
# share of the host cannot promise. A command line rather than a function to
# run: a function started in the background is a subshell, and the signals
# meant for the tool would end that shell instead.
tool_env() { # home: tool_cmd
    local home="$1" scratch="/tmp/scratch-${1//\//-}"
    mkdir -p "$scratch/run" "$scratch/tmp"
    chown -R "${TOOL_UID:-0}:${TOOL_GID:-0}" "$scratch"
    chmod 700 "$scratch/run"
    tool_cmd=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
        XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$scratch/run" TMPDIR="$scratch/tmp" LANG=C.UTF-8
        QT_QPA_PLATFORM=offscreen)
}
start_tool() { # log home [setpriv options]
    local log="$1" home="$2"
    shift 2
    mkdir -p "$home/data/TavrinKeyboardTest/UserConfig"
    printf '[hidCon]\nvid=0x0416\npid=0xb23c\n' >"$home/data/TavrinKeyboardTest/UserConfig/Config.ini"
    chown -R "${TOOL_UID:-0}:${TOOL_GID:-0}" "$home"
    tool_env "$home"
    "${tool_cmd[@]}" "$@" "${one_cpu[@]}" "$tool" >"$log" 2>&1 &
    tool_pid=$!
}
stop_tool() { [ -n "$tool_pid" ] && kill "$tool_pid" && wait "$tool_pid" 2>/dev/null; tool_pid=""; }
fd_count() { ls "/proc/$tool_pid/fd" | wc -l; }

connected="openUSB_HidDevice successful"
removed="USB Status: 已检测到USB设备拔出"
stopped="[toolButton_Stop Test] stop over"
# Logged as the status turns to "Disconnect" and "Connect success".
disconnect="[toolButton_Stop Test] stop -"
log="$out/tool.log"
fw="$out/firmware.log"
start_firmware "$kb" "$fw" b23c --live-ms 1000
check "firmware ready on $(hidg_of "$kb")" $?
# This run's home is on the writable 9p share: no shared memory there, so
# SQLite's WAL cannot work, and every unit of the run must reach the station
# store through its rollback journal instead.
home9p="$out/home-9p"
mkdir -p "$home9p"

# --- a key's way to a log line: the least a program can do ------------------------
# Boot reports written on the gadget's interface 0; the time until a program
# has logged the key, its log on the 9p home as a station's network home is.
# First a minimal reader of the unit's keyboard node, here alone, as the
# floor; then, further down, the tool, whose key test takes the same node.
key_reports="${TKT_VM_KEY_REPORTS:-200}"
timer="$build/tests/vm/tkt_vm_key_timer"
# Both programs run on the guest's first vCPU. Under emulation on a busy host,
# a thread woken on the other, idle vCPU waits until the host schedules that
# vCPU's thread, tens of milliseconds at a load of 10; a real machine wakes a
# core in microseconds. The minimal reader never needs a second vCPU, the
# tool's threads would, so pinned the figures are the programs' own.
one_cpu=(taskset -c 0)
keyboard_event_node() { # the event node of interface 0 on the first port
    local e
    for e in /sys/class/input/event*; do
        readlink -f "$e" | grep "/${udcs[0]/udc/hcd}/" | grep -q ":1\.0/" && { echo "/dev/input/${e##*/}"; return; }
    done
}
boot_hidg=$(hidg_of "$kb" keyboard)
unit_event=$(keyboard_event_node)
reader_log="$home9p/key-reader.log"
rm -f "$reader_log"
# The guest is still setting up the new devices' nodes at first.
udevadm settle -t 20
"${one_cpu[@]}" "$build/tests/vm/tkt_vm_key_reader" "$unit_event" "$reader_log" &
reader_pid=$!
wait_for 10 test -e "$reader_log"
timed=$("$timer" "$boot_hidg" "$reader_log" "key " "$key_reports" "minimal reader of $unit_event")
check "a minimal reader of $unit_event logged every key on 9p" $?
printf '%s\n' "$timed" | while read -r _ line; do figure "$line"; done
kill "$reader_pid"
wait "$reader_pid" 2>/dev/null

t=$(clock)
start_tool "$log" "$home9p"
wait_for 60 at_least "$log" "$connected" 1
check "connected at start" $?
figure "tool start to \"Connect success\" (offscreen): $(log_ms_after "$t" "$log" "$connected" 1) ms"
wait_for 10 at_least "$log" "Keyboard layout [Get Over]" 1
check "layout query answered (six rows)" $?
check "identity from the firmware's answers: Key:1-TAVRIN,K87  Value:V1.0.0---2024/3/14 09:30:00" \
    "$(grep -q "Key:1-TAVRIN,K87  Value:V1.0.0---2024/3/14 09:30:00" "$log" && echo 0 || echo 1)"
check "light setting written" "$(at_least "$log" "Write Led] Successful" 1 && echo 0 || echo 1)"
before=$(grep -c " rx 64 01 01 " "$fw")
sleep 4
# Judged on the firmware's own time stamps: on a loaded host the shell's four
# seconds stretch, and would count a sixth handshake.
handshakes=$(grep " rx 64 01 01 " "$fw" | tail -n +$((before + 1)) |
    awk 'NR == 1 {first = $1} {last = $1} END {if (NR > 2) printf "%d at %.0f ms apart", NR, (last - first) / (NR - 1)}')
check "a handshake every second seen by the firmware (${handshakes:-too few})" \
    "$(echo "$handshakes" | awk '{print ($1 >= 3 && $3 >= 800 && $3 <= 1200) ? 0 : 1}')"
check "identity query, layout query and light setting reached the firmware" \
    "$(grep -q " rx 64 01 0d " "$fw" && grep -q " rx 64 01 10 " "$fw" && grep -q " rx 64 01 12 " "$fw" && echo 0 || echo 1)"
check "key-state reports echoed back through the kernel" "$(grep -q " rx 64 01 04 " "$fw" && echo 0 || echo 1)"
debug_log="$home9p/data/TavrinKeyboardTest/log/TavrinKeyboardTest.log"
wait_for 10 at_least "$log" "Key capture source: device (0416:b23c: /dev/input/event" 1
check "the tool's key test takes the unit's keys from $unit_event" \
    "$(grep -F "Key capture source: device (0416:b23c: " "$log" | grep -qw "$unit_event" && echo 0 || echo 1)"
timed=$("$timer" "$boot_hidg" "$debug_log" "pkh->vkCode" "$key_reports" "the tool, its home on 9p")
check "the tool logged every key on 9p" $?
printf '%s\n' "$timed" | while read -r _ line; do figure "$line"; done
first_node=$(grep -o "hidOpenPath:/dev/hidraw[0-9]*" "$log" | tail -n1)

echo "vm: unplug phase at $(cut -d' ' -f1 /proc/uptime) s"
# --- unplug and replug -------------------------------------------------------------
reads_failed() { count "$log" "[Read] Failed"; }
t=$(clock)
unplug
wait_for 20 at_least "$log" "$stopped" 1
check "unplug: removal handled, key test stopped (hooks removed)" $?
figure "unplug to \"Disconnect\": $(log_ms_after "$t" "$log" "$disconnect" 1) ms"
wait_for 10 no_vendor_hidraw
sleep 1
check "unplug: one removal, not two ($(count "$log" "$removed"))" "$([ "$(count "$log" "$removed")" -eq 1 ] && echo 0 || echo 1)"
check "unplug: no read-error storm ($(reads_failed) read failures logged)" "$([ "$(reads_failed)" -le 1 ] && echo 0 || echo 1)"
link_fds=$(ls -l "/proc/$tool_pid/fd" | grep -c hidraw)
check "unplug: the link is closed (open hidraw nodes: $link_fds)" "$([ "$link_fds" -eq 0 ] && echo 0 || echo 1)"
t=$(clock)
plug
wait_for 30 at_least "$log" "$connected" 2
check "replug: reconnected" $?
figure "replug to \"Connect success\": $(log_ms_after "$t" "$log" "$connected" 2) ms"
second_node=$(grep -o "hidOpenPath:/dev/hidraw[0-9]*" "$log" | tail -n1)
# The kernel hands out the lowest free minor, so the re-created node often has
# the old name; what counts is that the link opened it anew.
check "replug: the link opened the re-created node (${first_node#*:} then ${second_node#*:})" \
    "$([ "$(count "$log" "hidOpenPath:")" -eq 2 ] && echo 0 || echo 1)"
check "replug: no second layout query for the same platform" \
    "$([ "$(count "$log" "Get keyboard layout] Successful")" -eq 1 ] && echo 0 || echo 1)"

# --- cycles ----------------------------------------------------------------------------
sleep 1
fds_before=$(fd_count)
unplug_ms=()
plug_ms=()
cycle_ok=0
for i in $(seq 1 "$cycles"); do
    t=$(clock)
    unplug
    wait_for 20 at_least "$log" "$stopped" $((i + 1)) || { cycle_ok=1; echo "vm: cycle $i: no removal"; break; }
    unplug_ms+=("$(log_ms_after "$t" "$log" "$disconnect" $((i + 1)))")
    wait_for 10 no_vendor_hidraw
    t=$(clock)
    plug
    wait_for 30 at_least "$log" "$connected" $((i + 2)) || { cycle_ok=1; echo "vm: cycle $i: no reconnection"; break; }
    plug_ms+=("$(log_ms_after "$t" "$log" "$connected" $((i + 2)))")
done
sleep 1.5
fds_after=$(fd_count)
kill -0 "$tool_pid" 2>/dev/null
check "$cycles unplug/replug cycles, no crash" "$(($? + cycle_ok))"
check "no leaked descriptor ($fds_before open before the cycles, $fds_after after)" \
    "$([ "$fds_after" -le "$fds_before" ] && echo 0 || echo 1)"
check "still one read failure at most per unplug ($(reads_failed) in $((cycles + 1)))" \
    "$([ "$(reads_failed)" -le $((cycles + 1)) ] && echo 0 || echo 1)"
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {if (NR) print a[int((NR + 1) / 2)] " ms median, " a[1] "-" a[NR] " ms"}'; }
figure "cycles run: ${#plug_ms[@]}"
figure "unplug to \"Disconnect\" over the cycles: $(median "${unplug_ms[@]}")"
figure "plug to \"Connect success\" over the cycles: $(median "${plug_ms[@]}")"

# --- the records of that run on the 9p home ---------------------------------------------
# Every connection above is a unit. The last one is still connected when the
# tool is told to end, as at a shutdown; it must end as "close" and be written
# before the process exits.
echo "vm: records phase at $(cut -d' ' -f1 /proc/uptime) s"
store_dir="$home9p/data/TavrinKeyboardTest/UserConfig"
connections=$(count "$log" "$connected")
# Bash may reap the child on its own; until it is waited for, it is a zombie.
tool_ended() { [ ! -e "/proc/$tool_pid" ] || grep -q '^State:[[:space:]]*Z' "/proc/$tool_pid/status" 2>/dev/null; }
t=$(clock)
kill -TERM "$tool_pid"
wait_for 30 tool_ended
ended=$?
figure "SIGTERM to the end of the process: $(ms_since "$t") ms"
[ "$ended" -eq 0 ] || kill -KILL "$tool_pid"
wait "$tool_pid"
exit_status=$?
tool_pid=""
check "SIGTERM while connected: the window closes, the process ends within 30 s (exit status $exit_status)" \
    "$([ "$ended" -eq 0 ] && [ "$exit_status" -eq 0 ] && at_least "$log" "SIGTERM: the window closes" 1 && echo 0 || echo 1)"
stop_firmware

csv="$out/units-9p.csv"
tool_env "$home9p"
t=$(clock)
"${tool_cmd[@]}" "$tool" --export-results "$csv" >"$out/export-9p.log" 2>&1
export_status=$?
"${tool_cmd[@]}" "$tool" --results-summary >"$out/summary-9p.txt" 2>&1
summary_status=$?
figure "export and summary of the 9p store, two runs of the program: $(ms_since "$t") ms"
# Unit id and the named column, a line per unit of the export: fields quoted
# as RFC 4180 says, rows ended by CR LF; these units hold no line break.
csv_column() { # file column
    awk -v name="$2" '
        function fields(line, f,    n, i, c, quoted, field) {
            n = 1
            for (i = 1; i <= length(line); i++) {
                c = substr(line, i, 1)
                if (quoted && c == "\"" && substr(line, i + 1, 1) == "\"") { field = field c; i++ }
                else if (c == "\"") quoted = !quoted
                else if (!quoted && c == ",") { f[n++] = field; field = "" }
                else field = field c
            }
            f[n] = field
            return n
        }
        { sub(/\r$/, "") }
        NR == 1 { n = fields($0, head); for (i = 1; i <= n; i++) if (head[i] == name) col = i; next }
        col { fields($0, row); print row[1] "\t" row[col] }' "$1"
}
exported=$(csv_column "$csv" ended 2>/dev/null)
rows=$(printf '%s' "$exported" | grep -c .)
check "--export-results (status $export_status): every connection of the run a unit, $rows units for $connections connections" \
    "$([ "$export_status" -eq 0 ] && [ "$connections" -ge 2 ] && [ "$rows" -eq "$connections" ] && echo 0 || echo 1)"
total=$(awk '$1 == "total" {print $2}' "$out/summary-9p.txt")
check "--results-summary (status $summary_status): total ${total:-missing} units" \
    "$([ "$summary_status" -eq 0 ] && [ "${total:-0}" -eq "$connections" ] && echo 0 || echo 1)"
last_unit=$(sed -n '/SIGTERM: the window closes/,$p' "$log" | grep -o "unit [0-9a-f-]* ended" | tail -n1 | cut -d' ' -f2)
last_ended=$(printf '%s\n' "$exported" | awk -F'\t' -v id="$last_unit" 'id != "" && $1 == id {print $2}')
check "the unit connected at SIGTERM (${last_unit:-none logged}) exported, ended: ${last_ended:-missing}" \
    "$([ "$last_ended" = close ] && echo 0 || echo 1)"
bad=$(ls "$store_dir" | grep -c '^results\.sqlite\.bad-')
check "no results.sqlite.bad-* beside the store ($bad)" "$([ "$bad" -eq 0 ] && echo 0 || echo 1)"
# The mount's type: statfs over 9p passes on the host's file system type.
fs=$(findmnt -n -o FSTYPE -T "$store_dir")
journal="results store: $store_dir/results.sqlite: no WAL journal on this file system ("
journal_lines=$(count "$debug_log" "$journal")
check "store on $fs: one rollback-journal line in the debug log ($journal_lines), WAL refused with a disk I/O error" \
    "$([ "$fs" = 9p ] && [ "$journal_lines" -eq 1 ] && grep -F -- "$journal" "$debug_log" | grep -F "disk I/O error" |
        grep -qF "the rollback journal with every commit synced is used instead" && echo 0 || echo 1)"

# --- key check and the magnetic production run, clicked through the window ------------
echo "vm: window phase at $(cut -d' ' -f1 /proc/uptime) s"
window() { # mode [arguments]
    local home="/tmp/home-$1"
    mkdir -p "$home"
    chmod 700 "$home"
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 \
        "$build/tkt_vm_window" "$@" >"$out/window-$1.log" 2>&1
}
# Before the key check, the same window's key test takes the unit's own keys:
# boot reports written to the gadget's interface 0 through the kernel to the
# page. A second keyboard of the same platform on the other port, with only a
# boot keyboard, must stay away from the page.
make_gadget tkt2 b23c VM0002 keyboard-only
other=/sys/kernel/config/usb_gadget/tkt2
check "a second UDC for a second keyboard (${udcs[*]})" "$([ "${#udcs[@]}" -ge 2 ] && echo 0 || echo 1)"
echo "${udcs[1]:-}" >"$other/UDC"
udevadm settle -t 20
wait_for 20 has_event_node_on "${udcs[1]/udc/hcd}"
other_event=$(event_node_on "${udcs[1]/udc/hcd}")
start_firmware "$kb" "$out/firmware-keycheck.log" b23c
t=$(clock)
window keycheck "$(hidg_of "$kb" keyboard)" "$(hidg_of "$other" keyboard)" "$other_event" "$reports"
check "the unit's keys and the key check through the kernel to the page (window-keycheck.log)" $?
figure "key test with $reports timed reports and the key check, one window: $(ms_since "$t") ms"
grep "VM-CHECK" "$out/window-keycheck.log" | sed 's/^/    /'
grep "^VM-FIGURE " "$out/window-keycheck.log" | while read -r _ line; do figure "$line"; done
check "the key check reached the firmware" "$(grep -q " rx 64 01 0e " "$out/firmware-keycheck.log" && echo 0 || echo 1)"
stop_firmware
echo "" >"$other/UDC"
unplug
wait_for 10 no_vendor_hidraw
# The same gadget as the magnetic keyboard: new ids need a new enumeration.
echo 0x7372 >"$kb/idProduct"
plug
wait_for 20 have_vendor_hidraw 7372
start_firmware "$kb" "$out/firmware-magnetic.log" 7372 --magnetic-verdict 0
window magnetic
check "magnetic production run through the kernel to its verdict (window-magnetic.log)" $?
grep "VM-CHECK" "$out/window-magnetic.log" | sed 's/^/    /'
check "the magnetic run reached the firmware" "$(grep -q " rx 64 01 21 " "$out/firmware-magnetic.log" && echo 0 || echo 1)"
stop_firmware
unplug
wait_for 10 no_vendor_hidraw 7372
echo 0xb23c >"$kb/idProduct"

# --- permissions, as an unprivileged user ----------------------------------------------
# Group 46 is plugdev, the rule's fallback for machines without logind.
export TOOL_UID=1000 TOOL_GID=1000
plug
wait_for 20 have_vendor_hidraw
start_firmware "$kb" "$out/firmware-user.log" b23c
udevadm settle -t 20
node=$(vendor_hidraw b23c)
echo "vm: without the rule: $(stat -c '%A %U:%G' "$node") $node"
log="$out/tool-user.log"
start_tool "$log" /tmp/home-user setpriv --reuid=1000 --regid=1000 --groups=46 --inh-caps=-all
hint="No permission to read and write $node: install the udev rule 70-tavrin-keyboard-test.rules"
wait_for 60 at_least "$log" "$hint" 1
check "without the rule: the open fails and the log names $node and the rule" $?
check "without the rule: not connected" "$([ "$(count "$log" "$connected")" -eq 0 ] && echo 0 || echo 1)"
input_hint="falls back to the display grab: no permission on /dev/input/event"
wait_for 10 at_least "$log" "$input_hint" 1
check "without the rule: key capture names the input node and the rule, falls back to the display grab" \
    "$(grep -F -- "$input_hint" "$log" | grep -qF 70-tavrin-keyboard-test.rules && echo 0 || echo 1)"
cp "$src/hid/70-tavrin-keyboard-test.rules" /etc/udev/rules.d/
udevadm control --reload
unplug
wait_for 10 no_vendor_hidraw
plug
wait_for 20 have_vendor_hidraw
udevadm settle -t 20
node=$(vendor_hidraw b23c)
echo "vm: with the rule: $(stat -c '%A %U:%G' "$node") $node"
wait_for 30 at_least "$log" "$connected" 1
check "with the rule installed (group plugdev): connects as the unprivileged user" $?
wait_for 10 at_least "$log" "Key capture source: device (0416:b23c: /dev/input/event" 1
check "with the rule installed: takes the unit's own keys as the unprivileged user" $?
stop_tool
stop_firmware
unplug

dmesg >"$out/dmesg.log"
echo "vm: guest test ends at $(cut -d' ' -f1 /proc/uptime) s of guest time"
exit $failed
