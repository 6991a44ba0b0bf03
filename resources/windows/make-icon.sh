#!/usr/bin/env bash
# Draws the program's icon, VQDTRM4_UpdateProgram.ico beside this script: a
# controller with two platters under a green "write down" badge, on a dark
# tile. Each size is drawn from the same shapes at its own scale rather than
# shrunk from the large picture, so that 16 and 32 px stay sharp-edged; the
# smallest size leaves the platters' centres out, which would only blur there.
# The .ico is committed; run this again only to change the picture. Needs
# ImageMagick's convert and icoutils' icotool.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/VQDTRM4_UpdateProgram.ico

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The shapes, on a 256 x 256 canvas.
shapes()
{
    local detail=$1
    cat <<'MVG'
fill #1d232b roundrectangle 8,8 247,247 44,44
fill #3b4654 stroke #5b6877 stroke-width 6 roundrectangle 22,58 234,170 18,18
stroke none fill #d3d9df circle 76,114 76,76
fill #d3d9df circle 180,114 180,76
fill #8a96a3 rectangle 121,78 135,150
MVG
    if [ "$detail" = yes ]; then
        cat <<'MVG'
fill #1d232b circle 76,114 76,102
fill #1d232b circle 180,114 180,102
fill #e8edf2 rectangle 116,108 140,120
MVG
    fi
    cat <<'MVG'
fill #2ea043 stroke #1d232b stroke-width 8 circle 186,186 186,132
stroke none fill #ffffff polygon 174,152 198,152 198,184 216,184 186,218 156,184 174,184
MVG
}

pngs=()
for size in 16 32 48 256; do
    detail=yes
    [ "$size" -le 16 ] && detail=no
    scale=$(awk -v s="$size" 'BEGIN { printf "%.6f", s / 256 }')
    png=$work/icon-$size.png
    # -strip and no date chunks: the same picture gives the same bytes.
    convert -size "${size}x${size}" xc:none \
        -draw "scale $scale,$scale $(shapes "$detail" | tr '\n' ' ')" \
        -strip -define png:exclude-chunks=date,time -define png:color-type=6 \
        "PNG32:$png"
    pngs+=("$png")
done

# 16, 32 and 48 px as 32-bit bitmaps, which every Windows version reads;
# 256 px as PNG, as Windows Vista and later expect it.
icotool --create --output="$out" "${pngs[0]}" "${pngs[1]}" "${pngs[2]}" --raw="${pngs[3]}"
icotool --list "$out"
