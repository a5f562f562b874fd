#!/usr/bin/env bash
# fluxa-cli-windows-x64.zip as a Windows user gets it, under Wine in a fresh
# prefix: unpacked, the missing D2XX driver named, the demo faucet
# identified, then programmed with the sample image in service mode (the
# service code set in the registry).
# Usage: test_windows_zip.sh <zip> <work folder>
set -euo pipefail
zip=$1
work=$2
rm -rf "$work" && mkdir -p "$work"
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64
cmake -E chdir "$work" cmake -E tar xf "$zip"
cd "$work/fluxa-cli-windows-x64"
for file in fluxa-cli.exe velmorsim.dll demo-scenario.txt README.txt Config/Ambra_230300301/DeviceConfig.xml Firmware/faucet_V4.02.hex; do
  [ -f "$file" ] || { echo "missing in the zip: $file"; exit 1; }
done

fail() { echo "FAILED: $1"; echo "$2"; exit 1; }

# Without the vendor's driver: what to install, and --demo.
out=$("$wine" fluxa-cli.exe --lang en identify 2>&1) && fail "identify without the D2XX driver" "$out"
grep -q "install the USB chip vendor's D2XX driver" <<<"$out" || fail "the missing driver is named" "$out"
grep -q -- "--demo" <<<"$out" || fail "the missing driver's message points to --demo" "$out"

out=$("$wine" fluxa-cli.exe --demo --lang en identify 2>&1) || fail "identify" "$out"
grep -q "23 030 03 01" <<<"$out" || fail "identify names the demo faucet" "$out"

out=$("$wine" fluxa-cli.exe --demo --lang en flash 'Firmware\faucet_V4.02.hex' 2>&1) && fail "flash outside service mode" "$out"
grep -q "service mode" <<<"$out" || fail "flash is refused outside service mode" "$out"

"$wine" reg add 'HKCU\Software\VELMOR\fluxa-usb\Settings' /v DontChange /t REG_DWORD /d 727587911 /f >/dev/null
out=$("$wine" fluxa-cli.exe --demo --lang en flash 'Firmware\faucet_V4.02.hex' 2>&1) || fail "flash in service mode" "$out"
grep -q "V4.02" <<<"$out" || fail "the programmed faucet runs V4.02" "$out"
grep -q "100%" <<<"$out" || fail "the download shows its progress" "$out"
echo "identify and flash from the zip: ok"
