#!/bin/bash
# Runs inside the booted kernel, as root in the machine's root (read-only) with the build folder
# mounted read-write: the device tests, first without udevd (as in a minimal system or a
# container), then hot-plug again with udevd running (as on a desktop).
build=$1
cd "$build" || exit 1
. kernel-stage/programs.sh
export HOME=/tmp PATH=/usr/sbin:/usr/bin:/sbin:/bin
unset DISPLAY WAYLAND_DISPLAY
status=0
step() {
  echo "=== kernel stage: $*"
}

step "uinput keyboard"
out=$("$key_output_tests" --gtest_filter='Uinput*' 2>&1)
rc=$?
echo "$out"
if [ $rc -ne 0 ]; then status=1; fi
if echo "$out" | grep -q '^\[  SKIPPED'; then
  echo "kernel stage: a uinput test skipped although /dev/uinput is here"
  status=1
fi

step "controller, keyboard and program, without udevd"
"$kernel_tests" || status=1

if [ -x /lib/systemd/systemd-udevd ]; then
  step "hot-plug with udevd"
  /lib/systemd/systemd-udevd --daemon >/dev/null 2>&1
  udevadm trigger --action=add >/dev/null 2>&1
  udevadm settle --timeout=30 >/dev/null 2>&1
  if [ -e /run/udev/control ]; then
    "$kernel_tests" --gtest_filter='HotPlug*' || status=1
  else
    echo "kernel stage: udevd did not start"
    status=1
  fi
  udevadm control --exit >/dev/null 2>&1
else
  echo "kernel stage: no udevd here (package udev); hot-plug with udevd not shown"
  [ "${CI:-}" = "true" ] && status=1
fi
# Figures, not a check: the benchmarks are built unless PADWARDEN_BUILD_BENCH is off.
if [ -f kernel-stage/bench.sh ]; then
  . kernel-stage/bench.sh
  step "end-to-end latency beside a trivial remapper"
  "$kernel_latency" || echo "kernel stage: the latency benchmark did not finish"
fi
exit $status
