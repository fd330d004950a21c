#!/bin/sh
# Regenerates the test documents for kept parts (page furniture, notes, comments, text boxes,
# fields, page setup, styles): LibreOffice from a flat ODF text, pandoc from Markdown.
set -e
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$here"
soffice -env:UserInstallation=file://$tmp/profile --headless --convert-to rtf --outdir "$tmp" kept.fodt >/dev/null
mv "$tmp/kept.rtf" ../lo_kept.rtf
pandoc kept.md -s -o ../pandoc_kept.rtf
soffice -env:UserInstallation=file://$tmp/profile --headless --convert-to rtf --outdir "$tmp" sections.fodt >/dev/null
mv "$tmp/sections.rtf" ../lo_sections.rtf
soffice -env:UserInstallation=file://$tmp/profile --headless --convert-to rtf --outdir "$tmp" links.fodt >/dev/null
mv "$tmp/links.rtf" ../lo_links.rtf
