#!/bin/sh
# Regenerates the structure test documents from the sources here:
# LibreOffice from HTML, pandoc from Markdown, and LibreOffice from pandoc's .docx.
# Needs soffice (libreoffice-writer-nogui) and pandoc.
set -e
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
lo="soffice -env:UserInstallation=file://$tmp/profile --headless"
cd "$here"
# LibreOffice 7.4 writes one cell mark too many after a nested table and then reads its own
# row differently from any other reader, so its RTF is made from the page without that row.
mkdir "$tmp/page"
grep -v '<td>Nested</td>' structure.html >"$tmp/page/structure.html"
cp blue.png warm.jpg "$tmp/page/"
$lo --infilter="HTML (StarWriter)" --convert-to rtf --outdir "$tmp" "$tmp/page/structure.html" >/dev/null
mv "$tmp/structure.rtf" ../lo_structure.rtf
pandoc structure.md -s -o ../pandoc_structure.rtf
pandoc structure.md -o "$tmp/docx_structure.docx"
$lo --convert-to rtf --outdir "$tmp" "$tmp/docx_structure.docx" >/dev/null
mv "$tmp/docx_structure.rtf" ../lo_docx_structure.rtf
