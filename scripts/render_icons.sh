#!/bin/bash
# Renders the icon drawings res/*.svg to the PNG files the forms name
# (":/res/<name>.png") and rewrites res/res.qrc to list every PNG in res/.
# The PNGs are kept in the repository, so a build needs no renderer; run this
# after adding or changing a drawing (needs ImageMagick's convert).
#
# Adding an icon: draw res/<Name>.svg (64 x 64, simple shapes, dark glyph on a
# transparent background), run this script, commit the .svg, the .png and
# res/res.qrc.
set -euo pipefail
cd "$(dirname "$0")/../res"
for svg in *.svg; do
    png="${svg%.svg}.png"
    convert -background none -density 96 "$svg" -strip "PNG32:$png"
done
{
    echo '<!DOCTYPE RCC><RCC version="1.0">'
    echo '<qresource prefix="/res">'
    for png in *.png; do
        echo "    <file>$png</file>"
    done
    echo '</qresource>'
    echo '</RCC>'
} > res.qrc
