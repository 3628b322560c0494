#!/bin/sh
# Makes the accuracy matrix of streams.txt (beside this script) in OUTDIR, once per build:
#   sig_<signal>_<rate>_<ch>.wav   sox signals
#   <name>.mpa                     the stream
#   <name>.f32                     ffmpeg's float decode of it (32-bit little-endian floats, interleaved)
#   <name>.how                     the line of streams.txt it was made from
# A stream is made again only when its line changed, its file is missing or (l1enc) the encoder is newer.
# Streams are made on JOBS processors at once (default: all). Layer III streams from lame carry no
# Xing/LAME tag (-t) and libshine's none either, so ffmpeg trims no encoder delay.
# Usage: make-streams.sh OUTDIR BINDIR [JOBS]     (BINDIR holds l1enc)
set -e
src=$(cd "$(dirname "$0")" && pwd)
self=$src/make-streams.sh
list=$src/streams.txt
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# One signal: sig_<signal>_<rate>_<ch>.wav. Content stays below 0.42 of the rate: subbands 30 and 31 carry
# nothing, since the decoder never synthesises subband 31 at full rate.
signal() {  # signal rate channels
  f=sig_$1_$2_$3.wav
  [ -f "$f" ] && return 0
  top=$(($2 * 42 / 100)); sweepTop=$top; [ $sweepTop -gt 12000 ] && sweepTop=12000
  case $1 in
    loud) fx="synth 1 sine 200-$sweepTop sine 3000 vol 0.9" ;;
    full) fx="synth 1 sine 100-2000 sine 1000 vol 0.999" ;;
    sweep) fx="synth 1 sine 20:$top sine $top:20 vol 0.5" ;;
    clicks) fx="synth 0.006 whitenoise pinknoise vol 0.6 sinc -$top pad 0 0.194 repeat 4" ;;
    noise) fx="synth 1 whitenoise pinknoise vol 0.35 sinc -$top" ;;
    quiet) fx="synth 1 sine 440 sine 1250 vol 0.0015" ;;
    silence) fx="synth 1 sine 1000 vol 0" ;;
    tones) fx="synth 1.5 sine 440 sine 100-$sweepTop vol 0.4" ;;
    low) fx="synth 1 sine $(($2 * 11 / 1000)) sine $(($2 / 200))-$(($2 * 8 / 100)) vol 0.4" ;;
    *) echo "make-streams.sh: unknown signal $1" >&2; return 1 ;;
  esac
  # -R: the same noise on every run; -D: no dither, so silence stays silent.
  sox -R -D -n -r "$2" -c "$3" -b 16 "$f.tmp.wav" $fx 2>/dev/null
  mv "$f.tmp.wav" "$f"
}

# One stream: its line of streams.txt as arguments.
stream() {  # name signal rate channels encoder options...
  name=$1 sig=$2 rate=$3 ch=$4 enc=$5; shift 5
  how="$name $sig $rate $ch $enc $*"
  if [ -f "$name.f32" ] && [ -f "$name.how" ] && [ "$(cat "$name.how")" = "$how" ] &&
     { [ "$enc" != l1enc ] || [ "$name.mpa" -nt "$bin/l1enc" ]; }; then return 0; fi
  rm -f "$name.how"
  in=sig_${sig}_${rate}_$ch.wav
  ref=$name.mpa
  case $enc in
    lame)
      lame --quiet -t --resample "$(echo "$rate" | awk '{print $1 / 1000}')" "$@" "$in" "$name.mpa" ;;
    twolame) twolame --quiet "$@" "$in" "$name.mpa" ;;
    mp2) ff -i "$in" -c:a mp2 -b:a "$1k" -f mp2 "$name.mpa" ;;
    shine) ff -i "$in" -c:a libshine -b:a "$1k" -write_xing 0 -id3v2_version 0 -f mp3 "$name.mpa" ;;
    l1enc)
      # ffmpeg reads no free-format stream: its reference decodes the same frames with the bit-rate index.
      "$bin/l1enc" "$in" "$name.mpa" "$@"
      case " $* " in *" --free "*)
        ref=$name.cbr.mpa
        "$bin/l1enc" "$in" "$ref" $(echo " $* " | sed 's/ --free / /') ;;
      esac ;;
    *) echo "make-streams.sh: unknown encoder $enc" >&2; return 1 ;;
  esac
  case $enc in lame|shine) dec=mp3float ;; l1enc) dec=mp1float ;; *) dec=mp2float ;; esac
  ff -c:a $dec -i "$ref" -f f32le -c:a pcm_f32le "$name.f32"
  [ "$ref" = "$name.mpa" ] || rm -f "$ref"
  echo "$how" > "$name.how"
}

if [ "$1" = --signal ]; then shift; cd "$1"; shift; signal "$@"; exit; fi
if [ "$1" = --stream ]; then shift; cd "$1"; bin=$2; shift 2; stream "$@"; exit; fi

out=$1
bin=$(cd "$2" && pwd)
jobs=${3:-$(nproc)}
for tool in ffmpeg lame twolame sox; do
  command -v $tool >/dev/null || { echo "make-streams.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$bin/l1enc" ] || { echo "make-streams.sh: $bin/l1enc is missing" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
exec 9>"$out/streams.lock"
flock 9
rm -f "$out/streams.done"
# A changed script makes everything again.
sum=$(cksum < "$self")
if [ "$(cat "$out/script.sum" 2>/dev/null)" != "$sum" ]; then
  rm -f "$out"/*.how "$out"/sig_*.wav
  echo "$sum" > "$out/script.sum"
fi
cases=$(grep -v '^ *#' "$list" | grep -v '^ *$')
echo "$cases" | awk '{print $2, $3, $4}' | sort -u |
  xargs -P "$jobs" -L 1 sh "$self" --signal "$out"
echo "$cases" | xargs -P "$jobs" -L 1 sh "$self" --stream "$out" "$bin"
# Files of streams no longer listed go.
cd "$out"
for f in *.how; do
  n=${f%.how}
  echo "$cases" | grep -q "^$n " || rm -f "$n.how" "$n.mpa" "$n.f32"
done
echo "$cases" | wc -l > streams.done
