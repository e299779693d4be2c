#!/usr/bin/env bash
# Draws the program's compiled-in pictures with ImageMagick. The outputs are
# committed, so this only needs running again when a picture changes.
# Usage: images/generate.sh   (writes into the folder that holds this script)
set -euo pipefail
cd "$(dirname "$0")"

# Reproducible files: no creation dates in the PNG chunks.
strip=(-strip -define png:exclude-chunk=date,time)

# Window icon: a dark keyboard with three rows of light keys and a space bar,
# laid out on a 64-pixel grid and drawn at `scale` pixels per grid pixel, so
# the larger menu icons are drawn, not blown up. A shape from pixel a to
# pixel b covers a*scale to (b+1)*scale-1.
keyboard_icon() { # scale output
    local s="$1" keys=() row col x y
    from() { echo $(($1 * s)); }
    to() { echo $((($1 + 1) * s - 1)); }
    for row in 0 1 2; do
        y=$((22 + row * 9))
        for col in 0 1 2 3 4 5; do
            x=$((9 + col * 8))
            keys+=(-draw "roundrectangle $(from $x),$(from $y) $(to $((x + 5))),$(to $((y + 6))) $s,$s")
        done
    done
    convert -size $((64 * s))x$((64 * s)) xc:none \
        -fill '#2b3440' -stroke '#10151b' -strokewidth $((2 * s)) \
        -draw "roundrectangle $(from 3),$(from 14) $(to 60),$(to 54) $((6 * s)),$((6 * s))" \
        -stroke none -fill '#e8ecf0' "${keys[@]}" \
        -draw "roundrectangle $(from 17),$(from 49) $(to 46),$(to 51) $s,$s" \
        -fill '#3cb043' -draw "circle $(from 54),$(from 19) $(from 56),$(from 19)" \
        "${strip[@]}" "PNG32:$2"
}
keyboard_icon 1 Keyboard.png

# The same picture for the Linux desktop's menus (hicolor icon theme, one file
# per size; 64 is Keyboard.png). The small ones are the large one scaled down.
mkdir -p hicolor
keyboard_icon 4 hicolor/256.png
keyboard_icon 2 hicolor/128.png
for size in 48 32 24 16; do
    convert hicolor/256.png -resize "${size}x${size}" "${strip[@]}" "PNG32:hicolor/$size.png"
done

# Maker-line icon: a real multi-size ICO (16, 32 and 48 pixels) of a blue
# badge with a white "T".
convert -size 48x48 xc:none \
    -fill '#2262b0' -draw 'roundrectangle 1,1 46,46 9,9' \
    -fill white -draw 'rectangle 10,10 37,17' -draw 'rectangle 20,10 27,39' \
    -define icon:auto-resize=48,32,16 app.ico

# Light button, drawn at twice its on-screen size (50 x 20) so it stays sharp
# on high-DPI screens: a grey switch with the knob left (off) and a green
# switch with the knob right (on).
convert -size 100x40 xc:none \
    -fill '#b8bcc2' -stroke '#8a8f96' -strokewidth 2 -draw 'roundrectangle 2,2 97,37 18,18' \
    -fill white -stroke '#8a8f96' -draw 'circle 20,20 20,5' \
    -stroke none -fill '#5d636b' -pointsize 15 -font DejaVu-Sans-Bold -annotate +45+26 'OFF' \
    "${strip[@]}" PNG32:TestClose.png
convert -size 100x40 xc:none \
    -fill '#3cb043' -stroke '#2a8a30' -strokewidth 2 -draw 'roundrectangle 2,2 97,37 18,18' \
    -fill white -stroke '#2a8a30' -draw 'circle 79,20 79,5' \
    -stroke none -fill white -pointsize 15 -font DejaVu-Sans-Bold -annotate +18+26 'ON' \
    "${strip[@]}" PNG32:TestOpen.png

# Lock indicator, shown at 15 x 15: a lit green lamp (on) and a dark grey
# lamp (off), drawn at twice that size.
convert -size 30x30 xc:none \
    -fill '#2fd13a' -stroke '#1a7d21' -strokewidth 2 -draw 'circle 15,15 15,3' \
    -stroke none -fill '#c8f7cb' -draw 'circle 11,11 11,8' \
    "${strip[@]}" PNG32:StatusOpen.png
convert -size 30x30 xc:none \
    -fill '#6b7078' -stroke '#3d4147' -strokewidth 2 -draw 'circle 15,15 15,3' \
    "${strip[@]}" PNG32:StatusClose.png

# Production-testing animation: a ring of twelve dots with one bright dot
# going round, twelve frames at 80 ms, looping for ever.
frames=()
for i in $(seq 0 11); do
    args=()
    for d in $(seq 0 11); do
        # the lead dot is full green; the ones behind it fade towards white
        age=$(((i - d + 12) % 12))
        read -r cx cy colour < <(awk -v d="$d" -v age="$age" 'BEGIN {
            a = d * 30 * 3.14159265 / 180
            g = age == 0 ? 0 : 80 + age * 14
            printf "%d %d #%02x%02x%02x\n", 24 + 16 * sin(a) + 0.5, 24 - 16 * cos(a) + 0.5,
                g == 0 ? 9 : g, g == 0 ? 163 : 170 + age * 6, g == 0 ? 9 : g }')
        args+=(-fill "$colour" -draw "circle $cx,$cy $((cx + 4)),$cy")
    done
    f="$(mktemp --suffix=.png)"
    convert -size 48x48 xc:white "${args[@]}" "$f"
    frames+=("$f")
done
convert -delay 8 -loop 0 -dispose background "${frames[@]}" -layers Optimize Gif_2.gif
rm -f "${frames[@]}"
