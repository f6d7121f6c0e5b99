#!/usr/bin/env bash
# install_test.sh <build folder> <version> <application id>
# Installs into a staging folder (DESTDIR, prefix /usr), so the tree is run
# from a place it was not built for, and checks what a desktop needs of it.
set -uo pipefail
build=$1 version=$2 id=$3
programs=(velmora velmora-info velmora-render velmora-import velmora-samples)
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.2; done
}

# In a sanitizer build the installed programs run without the leak check at
# exit: the libraries' own tests check their releases, and LeakSanitizer's
# tracer has been seen to crash at exit over Mesa's threads on a busy machine,
# failing a run whose output was right.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null || { echo "install failed"; exit 1; }
usr=$stage/usr share=$stage/usr/share

# Every file, and nothing else (no test or benchmark program).
expected=()
for program in "${programs[@]}"; do
    expected+=(bin/$program share/man/man1/$program.1 share/bash-completion/completions/$program)
done
for sample in schoolgirl:Wave tomboy:Jump greaser:Comb cowboy:Lasso; do
    name=${sample%:*}
    for file in $name.animesh $name.png $name-Idle $name-Walk $name-Run $name-${sample#*:}; do
        expected+=(share/velmora/Models/$name/$file)
    done
done
for size in 16 24 32 48 64 128 256; do
    icon=share/icons/hicolor/${size}x$size/apps/$id.png
    expected+=("$icon")
    [[ $(identify -format %m%wx%h "$usr/$icon" 2>/dev/null) == PNG${size}x$size ]] ||
        fail "$icon is not a ${size}x$size PNG"
done
expected+=(libexec/velmora/velmora-convert)
expected+=(share/applications/$id.desktop share/metainfo/$id.metainfo.xml
           share/mime/packages/$id.xml share/thumbnailers/velmora.thumbnailer
           share/doc/velmora/copyright)
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$usr" && find . -type f -printf '%P\n' | sort) ||
    fail "installed files differ from the expected ones (< missing, > extra)"

desktop-file-validate "$share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >/dev/null || fail "metainfo"
xmllint --noout "$share/mime/packages/$id.xml" || fail "MIME XML"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
    "$share/doc/velmora/copyright" || fail "copyright file"
XDG_DATA_DIRS=$share update-mime-database "$share/mime" && grep -q ':\*\.animesh$' "$share/mime/globs2" ||
    fail "the MIME database does not know *.animesh"

for program in "${programs[@]}"; do
    warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/$program.1" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man page of $program: $warnings"
    [[ $("$usr/bin/$program" --version) == "$program $version" ]] || fail "$program --version"
    "$usr/bin/$program" --help | grep -q "^usage: $program" || fail "$program --help"
done

# Completion: options from --help, file names by format.
mkdir "$work/files" && touch "$work/files/"{a.animesh,b.png,c.txt,d.glb}
completions=$(cd "$work/files" && PATH=$usr/bin:$PATH bash -c '
    shopt -s extglob; source "$1"
    complete_line() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _velmora "$1" "${@: -1}" "${@: -2:1}"; echo "${COMPREPLY[*]}"; }
    complete_line velmora-render --thumb; complete_line velmora-render ""; complete_line velmora-render -o ""' \
    bash "$share/bash-completion/completions/velmora-render" 2>/dev/null)
[[ $completions == $'--thumbnail\na.animesh d.glb\nb.png' ]] || fail "completion gave: $completions"

# The thumbnailer as a file manager runs it: an empty file it made as output,
# the model's path, the size.
exec_line=$(sed -n 's/^Exec=//p' "$share/thumbnailers/velmora.thumbnailer")
output=$(mktemp "$work/.gnome_desktop_thumbnail.XXXXXX")
model=$share/velmora/Models/schoolgirl/schoolgirl.animesh
command=${exec_line//%i/$model}; command=${command//%o/$output}; command=${command//%s/128}
exec 3<"$output"  # some file managers read the picture back through their handle
start=$(date +%s%N)
(cd "$work" && PATH=$usr/bin:$PATH eval "$command") || fail "thumbnailer: $command"
echo "thumbnail: $(( ($(date +%s%N) - start) / 1000000 )) ms"
cat <&3 >"$work/by-handle.png"
for picture in "$output" "$work/by-handle.png"; do
    [[ $(identify -format %m%wx%h "$picture" 2>/dev/null) == PNG128x128 ]] ||
        fail "thumbnail read as $picture is not a 128x128 PNG"
done
# A file that is not empty and not a .png is never replaced.
cp "$model" "$work/kept"
PATH=$usr/bin:$PATH velmora-render "$model" -o "$work/kept" --thumbnail 16 2>/dev/null &&
    fail "a thumbnail replaced a model file"
cmp -s "$model" "$work/kept" || fail "a thumbnail changed a model file"

# The installed programs find the installed converter: a file that breaks the
# import library is the converter's failure, not a converter missing.
hostile=$(cd "$(dirname "$0")/../import/hostile" && pwd)/glb-reader-crash.glb
converted=$(XDG_CACHE_HOME=$work/cache "$usr/bin/velmora-info" "$hostile" 2>&1)
[[ $converted == *"cannot convert: the import "* && $converted != *"could not be started"* ]] ||
    fail "velmora-info did not run the installed converter: $converted"

# The viewer from a folder without samples shows the first installed sample.
mkdir "$work/elsewhere"
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f wait_for)"'
    cd "$1" && "$2/velmora" 2>"$1/errors" & viewer=$!
    trap "kill $viewer; wait $viewer" EXIT
    window() { window=$(xdotool search --name "^Velmora - Project #1" | head -1); [[ -n $window ]]; }
    drawn() {
        import -window "$window" "$1/screen.png" 2>/dev/null &&
        [[ $(convert "$1/screen.png" -fill white +opaque black -format "%[fx:mean>0.02]" info:) == 1 ]]
    }
    wait_for 120 window && wait_for 120 drawn "$1"' \
    bash "$work/elsewhere" "$usr/bin" || fail "the viewer drew nothing from an unrelated folder"
! grep "Failed to open" "$work/elsewhere/errors" || fail "the viewer did not find the samples"

((failures == 0)) && echo "installed tree checked" || exit 1
