#!/usr/bin/env bash
# Stand-alone executables end to end: quillmoor -b and -f build them (the runtime's own bytes,
# the program, the media, the trailer), and a built game copied alone into an empty folder runs
# headless with its packed media. Failed builds leave no executable and never log a success.
# Usage: standalone_executable.sh QUILLMOOR QUILLMOOR_RUN
set -u
quillmoor="$1"
runtime="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QUILLMOOR_HEADLESS=1
failures=0
check() {  # description, expected, actual
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }  # file, offset
size() { stat -c %s "$1"; }
built="Executable built successfully."

# -b: the runtime's bytes, one entry (the compiled program) and the trailer; runnable as it is.
mkdir "$work/b" && cd "$work/b"
printf 'print 6 * 7\r\nend\r\n' > answer.qma
"$quillmoor" -b game answer.qma; check "-b: status" 0 $?
check "-b: log" "$built" "$(cat QMCompile.log)"
r=$(size "$runtime")
cmp -s -n "$r" game "$runtime"; check "-b: starts with quillmoor-run's bytes" 0 $?
readelf -h game > /dev/null; check "-b: readelf reads its header" 0 $?
[ -x game ]; check "-b: executable" 0 $?
l=$(u32 game "$r")
s=$(u32 game $((r + 4 + l)))
check "-b: size R + 4 + L + 4 + S + 8" $((r + 4 + l + 4 + s + 8)) "$(size game)"
check "-b: trailer R" "$r" "$(u32 game $(($(size game) - 4)))"
check "-b: run prints" "42" "$(./game)"
"$runtime" > /dev/null 2> refused.txt; check "quillmoor-run without a pack: status" 2 $?
grep -q "holds no program" refused.txt; check "quillmoor-run without a pack: message" 0 $?

# A runtime error ends a built game with status 1 and the error's English text.
printf 'dim a(3)\r\na(5) = 2\r\n' > bounds.qma
"$quillmoor" -b bounds bounds.qma; check "-b bounds: status" 0 $?
./bounds > /dev/null 2> error.txt; check "runtime error: status" 1 $?
grep -q "Runtime Error : " error.txt; check "runtime error: text" 0 $?

# -f: a program drawing its packed picture and saving the screen, built in one folder, copied
# alone into another and run there, writes the picture's pixels.
mkdir -p "$work/f/gfx" "$work/elsewhere" && cd "$work/f"
# Four colours that a 16-bit screen holds exactly.
convert -size 8x6 xc:black -fill '#F80000' -draw "rectangle 0,0 3,2" -fill '#00FC00' -draw "rectangle 4,0 7,2" \
  -fill '#0000F8' -draw "rectangle 0,3 3,5" -fill '#F8FCF8' -draw "rectangle 4,3 7,5" -type TrueColor BMP3:gfx/ship.bmp
cat > draw.qma <<'PROGRAM'
load bitmap "gfx/ship.bmp", 1
copy bitmap 1, 0
sync
save bitmap "out.bmp", 0
print "saved"
end
PROGRAM
"$quillmoor" -f game draw.qma; check "-f: status" 0 $?
check "-f: log" "$built" "$(cat QMCompile.log)"
cp game "$work/elsewhere/" && cd "$work/elsewhere"
check "-f game: prints" "saved" "$(./game)"
check "-f game: writes the screen" "640x480" "$(identify -define bmp:ignore-filesize=true -format %wx%h out.bmp 2>/dev/null)"
convert -define bmp:ignore-filesize=true out.bmp -crop 8x6+0+0 +repage rgb:drawn.rgb
convert "$work/f/gfx/ship.bmp" rgb:ship.rgb
cmp -s drawn.rgb ship.rgb; check "-f game: the packed picture's pixels" 0 $?
check "-f game: leaves only what it wrote" "game out.bmp drawn.rgb ship.rgb" "$(ls -t -r | tr '\n' ' ' | sed 's/ $//')"
# The same program run by the system itself draws the same screen.
cd "$work/f" && "$quillmoor" -x draw.qma > /dev/null
convert -define bmp:ignore-filesize=true out.bmp rgb:system.rgb && convert -define bmp:ignore-filesize=true "$work/elsewhere/out.bmp" rgb:standalone.rgb
cmp -s system.rgb standalone.rgb; check "-f game: the screen the system draws" 0 $?

# A media file that cannot be read (a dangling link) fails the build: no executable, and the log
# never reports success.
mkdir "$work/bad" && cd "$work/bad"
cp "$work/b/answer.qma" . && convert -size 2x2 xc:red a.bmp && ln -s nowhere.bmp x.bmp
"$quillmoor" -f game answer.qma 2> stderr.txt; status=$?
[ "$status" -ne 0 ]; check "-f dangling link: fails" 0 $?
[ ! -e game ]; check "-f dangling link: no executable" 0 $?
case "$(cat QMCompile.log)" in
  *x.bmp*) ;;
  *) echo "FAIL: -f dangling link: the log does not name x.bmp: $(cat QMCompile.log)"; failures=$((failures + 1)) ;;
esac
printf 'print 1\r\nthis is no statement\r\n' > broken.qma
"$quillmoor" -b game broken.qma 2> /dev/null; check "-b compile error: status" 1 $?
[ ! -e game ]; check "-b compile error: no executable" 0 $?

[ "$failures" -eq 0 ] && echo "stand-alone executables: all checks passed"
[ "$failures" -eq 0 ]
