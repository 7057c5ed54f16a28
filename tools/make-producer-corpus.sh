#!/bin/sh
# Remakes the files of tests/platform/data/producers with LibreOffice Writer: each document of
# source/ saved as Word, RTF and HTML, and LibreOffice's own plain text of every file there (the
# saved ones and the pages as browsers save them) as <file>.txt, the text the reading test expects.
# LibreOffice is needed only here, not to run the tests. Usage: tools/make-producer-corpus.sh
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
corpus="$here/tests/platform/data/producers"
soffice=${SOFFICE:-soffice}
# A profile of its own, so that a running LibreOffice or the user's settings change nothing.
profile=$(mktemp -d)
scratch=$(mktemp -d)
trap 'rm -rf "$profile" "$scratch"' EXIT
run() {
    if ! HOME="$profile" "$soffice" -env:UserInstallation="file://$profile/lo" --headless "$@" >/dev/null 2>"$profile/log"; then
        cat "$profile/log" >&2
        exit 1
    fi
}

cd "$corpus"
for source in source/*.fodt; do
    name=$(basename "$source" .fodt)
    rm -f "$name".docx "$name".rtf "$name".html "$name"_html_*.*
    for format in docx rtf html; do
        run --convert-to "$format" --outdir "$corpus" "$source"
    done
done
# The plain text of each file as LibreOffice reads it back, UTF-8 without the byte order mark.
for file in *.docx *.rtf *.html; do
    case "$file" in
        *.html) filter='--infilter=HTML (StarWriter)' ;;
        *) filter='--infilter=' ;;
    esac
    rm -f "$scratch"/*
    cp "$file" "$scratch/$file"
    if [ "$filter" = '--infilter=' ]; then
        run --convert-to 'txt:Text (encoded):UTF8' --outdir "$scratch" "$corpus/$file"
    else
        run "$filter" --convert-to 'txt:Text (encoded):UTF8' --outdir "$scratch" "$corpus/$file"
    fi
    sed '1s/^\xEF\xBB\xBF//' "$scratch/${file%.*}.txt" > "$file.txt"
done
