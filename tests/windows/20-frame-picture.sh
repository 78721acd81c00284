#!/usr/bin/env bash
# The same frozen aircraft state drawn by the Linux build and by the Windows build under Wine
# (orvex-frame-picture: the real start-up and RenderFrame, powered, MFD and EICAS), compared
# pixel by pixel. Both run on Mesa's llvmpipe, so lines, fills and textures land on the same
# pixels; small text is anti-aliased coverage on both, rasterised by FreeType on Linux and by
# GDI (GetGlyphOutline) on Windows, which hint stems and heights a little differently, so the
# edges of glyphs differ by a grey level here and there. Tolerance: at most 1 % of the pixels
# (2,928 of 292,820) may differ by more than 25 % of full scale in some channel; measured: 310
# on the MFD, 1,607 on the EICAS (with aliased outlines on both, before, 29 and 178). The display area (inside the bezel) must hold at least 5,000 lit pixels
# (measured about 10,000 and 15,200), so two equally broken pictures do not pass as alike. The pictures are kept in
# $ORVEX_WINDOWS_BUILD/pictures for a look.
set -euo pipefail
out=$ORVEX_WINDOWS_BUILD/pictures
mkdir -p "$out"
work=$ORVEX_TEST_SCRATCH/frame-picture
mkdir -p "$work/runtime"
status=0
for page in mfd eicas; do
  rm -rf "$work/linux-unit" "$work/windows-unit"
  cp -r "$ORVEX_LINUX_BUILD/unit" "$work/linux-unit"
  cp -r "$ORVEX_WINDOWS_BUILD/unit" "$work/windows-unit"
  ORVEX_RUNTIME_DIR=$work/runtime SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
    timeout 300 "$ORVEX_LINUX_BUILD/tests/orvex-frame-picture" "$work/linux-unit" "$out/$page-linux.png" "$page"
  timeout 300 "$WINE" "$ORVEX_WINDOWS_BUILD/tests/windows/orvex-frame-picture.exe" "Z:$work/windows-unit" "Z:$out/$page-windows.png" "$page"
  size_l=$(identify -format '%wx%h' "$out/$page-linux.png")
  size_w=$(identify -format '%wx%h' "$out/$page-windows.png")
  total=$(identify -format '%[fx:w*h]' "$out/$page-linux.png")
  differing=$(compare -metric AE -fuzz 25% "$out/$page-linux.png" "$out/$page-windows.png" "$out/$page-difference.png" 2>&1 || true)
  lit=$(convert "$out/$page-windows.png" -crop 380x450+30+40 +repage -threshold 10% -format '%[fx:int(mean*w*h)]' info:)
  limit=$(( total * 10 / 1000 ))
  echo "$page: linux $size_l, windows $size_w, lit display pixels (windows) $lit, differing $differing of $total (limit $limit)"
  if [ "$size_l" != "$size_w" ] || ! [[ "$differing" =~ ^[0-9]+$ ]] || [ "$differing" -gt "$limit" ] || [ "$lit" -lt 5000 ]; then
    echo "$page: the Windows picture does not match the Linux one"
    status=1
  fi
done
exit $status
