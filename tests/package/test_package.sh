#!/usr/bin/env bash
# The Debian package as a user gets it: unpacked into a temporary root (not
# installed on this machine), its programs run from there on the simulated
# bus with --demo, and the package checked by lintian.
# Usage: test_package.sh <build folder>
set -euo pipefail
build=$1
deb=$(ls "$build"/fluxa-usb_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "no package in $build: run cpack there first" >&2; exit 1; }
root=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$root" "$home"' EXIT
dpkg-deb -x "$deb" "$root"

fail() { echo "FAIL: $*" >&2; exit 1; }
for path in usr/bin/fluxa-usb usr/bin/fluxa-cli usr/libexec/fluxa-usb/libvelmorsim.so \
            usr/share/fluxa-usb/Config usr/share/fluxa-usb/demo-scenario.txt usr/lib/udev/rules.d/60-fluxa-usb.rules \
            usr/share/applications/fluxa-usb.desktop usr/share/man/man1/fluxa-cli.1.gz usr/share/man/man1/fluxa-usb.1.gz \
            usr/share/doc/fluxa-usb/examples/faucet_V4.02.hex usr/share/doc/fluxa-usb/examples/61-fluxa-usb-d2xx.rules; do
  [ -e "$root/$path" ] || fail "the package lacks /$path"
done
# Qt's German texts come from their own package.
dpkg-deb -f "$deb" Depends | grep -q "qt6-translations-l10n" || fail "the package does not depend on qt6-translations-l10n"

# The installed rule leaves the adapter to the kernel's serial driver; taking
# it away for D2XX is the optional example's business.
grep -q unbind "$root/usr/lib/udev/rules.d/60-fluxa-usb.rules" && fail "the installed udev rule unbinds the serial driver"
grep -q 'SUBSYSTEM=="tty".*uaccess' "$root/usr/lib/udev/rules.d/60-fluxa-usb.rules" || fail "the udev rule does not give the user the adapter's tty"

# The installed programs find the definitions in the package's data folder
# and the simulated bus with --demo; the demo's state goes to a scratch file.
scenario="$home/demo.txt"
sed "s|^eeprom_file = .*|eeprom_file = $home/demo.eep|" "$root/usr/share/fluxa-usb/demo-scenario.txt" > "$scenario"
sed -i 's/^time_scale = 1/time_scale = 0/' "$scenario"
export XDG_CONFIG_HOME="$home" VELMOR_SIM_SCENARIO="$scenario"
unset FLUXA_D2XX_LIBRARY
out=$("$root/usr/bin/fluxa-cli" --demo identify --lang en) || fail "fluxa-cli --demo identify: $out"
grep -q "23 030 03 01" <<<"$out" || fail "identify shows no article number: $out"
grep -q "Ambra" <<<"$out" || fail "identify found no product definition: $out"
out=$("$root/usr/bin/fluxa-cli" products --json) || fail "fluxa-cli products: $out"
[ "$(grep -c '"articleFormatted"' <<<"$out")" -ge 8 ] || fail "products lists fewer than the eight shipped definitions: $out"
"$root/usr/bin/fluxa-usb" --version | grep -q "^fluxa-usb 2.15$" || fail "fluxa-usb --version"

# Without --demo and without the vendor's library: what to do is said.
err=$("$root/usr/bin/fluxa-cli" identify --lang en 2>&1 >/dev/null) && fail "identify without a library succeeded"
grep -q -- "--demo" <<<"$err" || fail "the missing library's message does not mention --demo: $err"

# lintian: no errors; the warnings kept on purpose are listed in the README.
lintian --tag-display-limit 0 "$deb" > "$home/lintian.txt" 2>&1 || true
if grep -q '^E:' "$home/lintian.txt"; then
  cat "$home/lintian.txt" >&2
  fail "lintian reports errors"
fi
cat "$home/lintian.txt"
