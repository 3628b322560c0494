#!/bin/sh
# Makes the MPEG decoder's test streams and their float references in OUTDIR:
#   sig_<rate>_<ch>.wav   generated test signals (sweep, tones with noise, transients, near silence, full scale)
#   <name>.mpa            one stream per case (lame, twolame, ffmpeg's encoder or our l1enc)
#   <name>.f32            ffmpeg's float decode of the stream (32-bit little-endian floats, interleaved)
# Usage: make-streams.sh OUTDIR BINDIR     (BINDIR holds l1enc). Safe to run from parallel tests: one maker
# at a time, and nothing is redone once OUTDIR/streams.done exists.
set -e
out=$1
bin=$2
mkdir -p "$out"
cd "$out"
exec 9>streams.lock
flock 9
stamp=streams.done
version=9
if [ -f $stamp ] && [ "$(cat $stamp)" = "$version" ]; then exit 0; fi
rm -f $stamp

for tool in ffmpeg lame twolame; do
  command -v $tool >/dev/null || { echo "make-streams.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$bin/l1enc" ] || { echo "make-streams.sh: $bin/l1enc is missing" >&2; exit 1; }

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# Four seconds: a sweep, tones with noise, transients (noise bursts that force short blocks), near silence
# and a full-scale square wave. The right channel carries a different mix so that the channels differ.
left='if(lt(t,1),0.5*sin(2*PI*(40*t+0.2*s*t*t)),if(lt(t,2),0.3*sin(2*PI*440*t)+0.2*sin(2*PI*0.07*s*t)+0.05*(2*random(0)-1),if(lt(t,2.6),lt(mod(t,0.15),0.004)*0.8*(2*random(1)-1),if(lt(t,3.2),0.0004*sin(2*PI*1000*t),0.999*sgn(sin(2*PI*220*t))))))'
right='if(lt(t,1),0.4*sin(2*PI*(0.2*s*t-0.09*s*t*t)),if(lt(t,2),0.25*sin(2*PI*660*t)+0.04*(2*random(2)-1),if(lt(t,2.6),lt(mod(t+0.05,0.15),0.003)*0.7*(2*random(3)-1),if(lt(t,3.2),0.0002*sin(2*PI*1500*t),0.9*sin(2*PI*330*t)))))'

signal() {  # rate channels
  f=sig_$1_$2.wav
  [ -f $f ] && return 0
  if [ $2 = 2 ]; then expr="$left|$right"; else expr="$left"; fi
  ff -f lavfi -i "aevalsrc='$expr':s=$1:d=4" -c:a pcm_s16le $f
}

# In-band signal for the reduced rates: tones and a slow sweep below 1/10 of the sample rate.
low='0.3*sin(2*PI*0.011*s*t)+0.2*sin(2*PI*0.037*s*t)+0.2*sin(2*PI*(0.005*s*t+0.01*s*t*t))'
lowsignal() {  # rate channels
  f=low_$1_$2.wav
  [ -f $f ] && return 0
  if [ $2 = 2 ]; then expr="$low|0.7*$low"; else expr="$low"; fi
  ff -f lavfi -i "aevalsrc='$expr':s=$1:d=3" -c:a pcm_s16le $f
}

ref() {  # name decoder
  ff -c:a $2 -i $1.mpa -f f32le -c:a pcm_f32le $1.f32
}

l3() {  # name rate channels lame-options...
  name=$1 rate=$2 ch=$3; shift 3
  signal $rate $ch
  lame --quiet "$@" sig_${rate}_$ch.wav $name.mpa
  ref $name mp3float
}

l2() {  # name rate channels twolame-options...
  name=$1 rate=$2 ch=$3; shift 3
  signal $rate $ch
  twolame --quiet "$@" sig_${rate}_$ch.wav $name.mpa
  ref $name mp2float
}

l2ff() {  # name rate channels bitrate
  signal $2 $3
  ff -i sig_$2_$3.wav -c:a mp2 -b:a $4k -f mp2 $1.mpa
  ref $1 mp2float
}

l1() {  # name rate channels l1enc-options...
  name=$1 rate=$2 ch=$3; shift 3
  signal $rate $ch
  "$bin/l1enc" sig_${rate}_$ch.wav $name.mpa --sblimit 30 "$@"
  ref $name mp1float
}

# Layer I (our encoder), MPEG-1 and MPEG-2 rates, all modes, CRC (free format: the tests rewrite CBR headers).
l1 l1_44_384_s 44100 2 --bitrate 384 --mode stereo
l1 l1_48_256_j8 48000 2 --bitrate 256 --mode joint --bound 8
l1 l1_32_192_d 32000 2 --bitrate 192 --mode dual --crc
l1 l1_44_128_m 44100 1 --bitrate 128
l1 l1_22_192_s 22050 2 --bitrate 192
l1 l1_24_128_j4 24000 2 --bitrate 128 --mode joint --bound 4 --crc
l1 l1_16_64_m 16000 1 --bitrate 64

# Layer II: twolame and ffmpeg, every allocation table, MPEG-2 rates, all modes, CRC (free format: the tests rewrite CBR headers).
l2 l2_44_192_s 44100 2 -b 192 -m s
l2 l2_44_128_j 44100 2 -b 128 -m j -d
l2 l2_48_256_d 48000 2 -b 256 -m d -p
l2 l2_48_48_m 48000 1 -b 48 -m m
l2 l2_44_64_s 44100 2 -b 64 -m s
l2 l2_32_64_j 32000 2 -b 64 -m j
l2 l2_32_96_m 32000 1 -b 96 -m m -p
l2 l2_24_96_s 24000 2 -b 96 -m s
l2 l2_22_64_j 22050 2 -b 64 -m j -p
l2 l2_16_32_m 16000 1 -b 32 -m m
l2ff l2ff_44_256 44100 2 256
l2ff l2ff_48_160 48000 2 160

# Layer III by lame: CBR and VBR; stereo, joint (mid/side), forced mid/side, mono; nine rates; CRC.
l3 l3_44_128_j 44100 2 -b 128 -m j
l3 l3_44_vbr_s 44100 2 -V 2 -m s
l3 l3_48_320_s_crc 48000 2 -b 320 -m s -p
l3 l3_32_96_m 32000 1 -b 96 -m m
l3 l3_48_vbr_f 48000 2 -V 4 -m f
l3 l3_22_64_j 22050 2 -b 64 -m j
# ffmpeg's decode of full-band 24 kHz long blocks departs from the original signal and from lame's own
# decoder (the two agree with ours); below 5.5 kHz the spectrum stays clear of the band where ffmpeg differs.
l3 l3_24_vbr_j_crc 24000 2 -V 3 -m j -p --lowpass 5.5
l3 l3_16_32_m 16000 1 -b 32 -m m
l3 l3_11_32_j 11025 2 -b 32 -m j
l3 l3_12_24_s_crc 12000 2 -b 24 -m s -p --resample 12
# At 8 kHz lame keeps content up to 4 kHz, and subband 31 (3875-4000 Hz) is never synthesised at full
# rate: the low-pass keeps these streams inside the band that both decoders synthesise.
l3 l3_8_16_m 8000 1 -b 16 -m m --lowpass 3.7
l3 l3_8_vbr_j 8000 2 -V 5 -m j --lowpass 3.7

# Full-band 24 kHz: the reference is lame's decoder (16-bit), written as <name>.lame.f32.
l3 l3_24_128_s_full 24000 2 -b 128 -m s
lame --quiet --decode l3_24_128_s_full.mpa l3_24_128_s_full.lame.wav
ff -i l3_24_128_s_full.lame.wav -f f32le -c:a pcm_f32le l3_24_128_s_full.lame.f32

# In-band streams for the half- and quarter-rate checks.
lowsignal 44100 2
"$bin/l1enc" low_44100_2.wav l1_44_low.mpa --sblimit 30 --bitrate 384 && ref l1_44_low mp1float
twolame --quiet -b 192 -m s low_44100_2.wav l2_44_low.mpa && ref l2_44_low mp2float
lame --quiet -b 192 -m j low_44100_2.wav l3_44_low.mpa && ref l3_44_low mp3float
lowsignal 22050 1
lame --quiet -b 64 -m m low_22050_1.wav l3_22_low.mpa && ref l3_22_low mp3float

echo $version > $stamp
