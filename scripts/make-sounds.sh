#!/usr/bin/env bash
# Generates every sound recording of the game into assets/sounds/NAME.wav.
#
# Game sounds are synthesised with sox (tones, sweeps, plucked strings, noise)
# plus a few words from espeak-ng; each is written mono PCM at its fixed sample
# rate and bit depth and cut or padded to its fixed length. Chatter sounds
# (wave1..wave20) are spoken words or synthesised noises, mono 8-bit PCM at
# 11025 Hz, between 0.3 s and 5 s long.
#
# sox runs in repeatable mode (-R), which seeds its noise generators and dither
# with fixed values, so re-running the script gives the same files.
#
# Usage: scripts/make-sounds.sh [OUTPUT_DIR]   (default: assets/sounds)
set -euo pipefail

missing=()
command -v sox >/dev/null 2>&1 || missing+=(sox)
command -v soxi >/dev/null 2>&1 || missing+=(sox)
command -v espeak-ng >/dev/null 2>&1 || missing+=(espeak-ng)
if ((${#missing[@]})); then
    echo "make-sounds.sh: missing tools: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install --no-install-recommends sox espeak-ng" >&2
    exit 1
fi

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$here/../assets/sounds}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

SR=44100 # working sample rate of every intermediate file
SOX=(sox -R -V1)

# ---------------------------------------------------------------- helpers --

# gen OUT DURATION SYNTH-ARGS... [-- EFFECTS...]: one synthesised mono layer.
gen() {
    local o=$1 d=$2
    shift 2
    local synth=() fx=()
    while (($#)); do
        if [[ $1 == -- ]]; then
            shift
            fx=("$@")
            break
        fi
        synth+=("$1")
        shift
    done
    "${SOX[@]}" -r $SR -c 1 -n -b 16 "$o" synth "$d" "${synth[@]}" "${fx[@]}"
}

# chord OUT DURATION TYPE FREQ... : several oscillators of one wave type mixed.
chord() {
    local o=$1 d=$2 t=$3
    shift 3
    local args=() f
    for f in "$@"; do args+=("$t" "$f"); done
    "${SOX[@]}" -r $SR -c $# -n -b 16 "$o" synth "$d" "${args[@]}" remix -
}

# silence OUT DURATION
silence() { "${SOX[@]}" -r $SR -c 1 -n -b 16 "$1" trim 0 "$2"; }

# mix OUT IN... [-- EFFECTS...]: sum of the inputs (mono, working rate).
mix() {
    local o=$1
    shift
    local ins=() fx=()
    while (($#)); do
        if [[ $1 == -- ]]; then
            shift
            fx=("$@")
            break
        fi
        ins+=("$1")
        shift
    done
    if ((${#ins[@]} == 1)); then
        "${SOX[@]}" "${ins[0]}" "$o" "${fx[@]}"
    else
        "${SOX[@]}" -m "${ins[@]}" "$o" "${fx[@]}"
    fi
}

# cat OUT IN... : the inputs one after the other.
join() {
    local o=$1
    shift
    "${SOX[@]}" "$@" "$o"
}

# delay OUT IN SECONDS : the input starting later.
delay() { "${SOX[@]}" "$2" "$1" pad "$3" 0; }

# speak OUT VOICE PITCH SPEED TEXT [EFFECTS...]: espeak-ng speech at the working rate.
speak() {
    local o=$1 v=$2 p=$3 s=$4 t=$5
    shift 5
    espeak-ng -w "$o.raw.wav" -v "$v" -p "$p" -s "$s" "$t"
    "${SOX[@]}" "$o.raw.wav" -r $SR -c 1 -b 16 "$o" silence 1 0.01 0.5% reverse silence 1 0.01 0.5% \
        reverse rate $SR "$@"
}

# bell OUT DURATION FREQ : a decaying bell-like note.
bell() {
    local o=$1 d=$2 f=$3
    chord "$o" "$d" sine "$f" "$(echo "$f * 2.01" | bc)" "$(echo "$f * 3.02" | bc)"
    "${SOX[@]}" "$o" "$o.tmp.wav" fade q 0.004 "$d" "$(echo "$d - 0.004" | bc)" gain -3
    mv "$o.tmp.wav" "$o"
}

# pluck OUT DURATION FREQ : a plucked-string note.
pluck() { gen "$1" "$2" pluck "$3" -- fade q 0.002 "$2" "$(echo "$2 * 0.6" | bc)"; }

# game NAME RATE BITS LENGTH IN : final game recording with the exact format and length.
game() {
    local name=$1 rate=$2 bits=$3 len=$4 in=$5 enc=signed-integer
    ((bits == 8)) && enc=unsigned-integer
    "${SOX[@]}" -G "$in" -c 1 -r "$rate" -b "$bits" -e $enc "$out/$name.wav" \
        norm -1 rate -v "$rate" pad 0 "$len" trim 0 "$len" fade t 0.003 "$len" 0.02
}

# chatter NAME IN : final chatter recording, mono 8-bit 11025 Hz, 0.3 s to 5 s.
chatter() {
    local name=$1 in=$2
    "${SOX[@]}" -G "$in" -c 1 -r 11025 -b 8 -e unsigned-integer "$out/$name.wav" \
        compand 0.02,0.3 6:-70,-60,-20 -5 -90 0.05 norm -1 rate -v 11025 \
        reverse silence 1 0.01 0.2% fade t 0.03 reverse fade t 0.005 pad 0.03 0.05 trim 0 4.9
}

# ------------------------------------------------------------ game sounds --

# entered: a rising two-note door chime.
bell e1.wav 0.28 784
bell e2.wav 0.51 1175
join entered.wav e1.wav e2.wav
game entered 11025 8 0.79 entered.wav

# gamestart: a launch: engine sweep with rumble, then a bright major chord.
gen gs_sweep.wav 1.2 sawtooth 110:880 -- lowpass 2500 fade q 0.3 1.2 0.15 gain -6
gen gs_rumble.wav 1.2 brownnoise -- lowpass 400 fade h 0.5 1.2 0.4 gain -4
mix gs_launch.wav gs_sweep.wav gs_rumble.wav
chord gs_chord.wav 0.73 triangle 523.25 659.25 783.99 1046.5
"${SOX[@]}" gs_chord.wav gs_chord2.wav fade q 0.01 0.73 0.6
join gamestart.wav gs_launch.wav gs_chord2.wav
"${SOX[@]}" gamestart.wav gs_final.wav reverb 30
game gamestart 16000 16 1.93 gs_final.wav

# turn: a chime and "Your turn".
bell t_c1.wav 0.16 988
bell t_c2.wav 0.3 1319
speak t_voice.wav en-us+f3 55 150 "Your turn"
join t_all.wav t_c1.wav t_c2.wav t_voice.wav
"${SOX[@]}" t_all.wav t_final.wav reverb 20
game turn 16000 16 1.47 t_final.wav

# turn1: a radar blip and "Your move, pilot".
gen t1_blip.wav 0.12 sine 1500 -- fade q 0.003 0.12 0.1
silence t1_gap.wav 0.08
speak t1_voice.wav en-us+m3 40 165 "Your move, pilot"
join t1_all.wav t1_blip.wav t1_gap.wav t1_blip.wav t1_voice.wav
"${SOX[@]}" t1_all.wav t1_final.wav reverb 20
game turn1 16000 16 1.47 t1_final.wav

# turn2: a rising three-note arpeggio over a shimmering pad.
pluck t2_n1.wav 0.16 659.25
pluck t2_n2.wav 0.16 830.61
pluck t2_n3.wav 0.92 987.77
join t2_arp.wav t2_n1.wav t2_n2.wav t2_n3.wav
chord t2_pad.wav 1.24 sine 329.63 493.88 659.25
"${SOX[@]}" t2_pad.wav t2_pad2.wav tremolo 6 40 fade h 0.3 1.24 0.6 gain -12
mix t2_final.wav t2_arp.wav t2_pad2.wav -- reverb 25
game turn2 16000 16 1.24 t2_final.wav

# clickcard: a short falling tick.
gen cc_tone.wav 0.14 sine 2200:700 -- fade q 0.001 0.14 0.12
gen cc_tick.wav 0.02 whitenoise -- highpass 3000 fade q 0 0.02 0.018 gain -6
mix cc_final.wav cc_tone.wav cc_tick.wav
game clickcard 11025 8 0.14 cc_final.wav

# move: a ship rushing past: swelling filtered noise and a rising hum.
gen mv_air.wav 0.81 pinknoise -- sinc 300-4000 fade h 0.4 0.81 0.41 flanger 0 3 0 80 2
gen mv_hum.wav 0.81 sine 220:660 -- fade h 0.35 0.81 0.46 gain -10
mix mv_final.wav mv_air.wav mv_hum.wav
game move 16000 16 0.81 mv_final.wav

# undock: clamps release with a hiss, then the engine spools up.
gen ud_hiss.wav 0.4 whitenoise -- highpass 2500 fade q 0.005 0.4 0.35 gain -4
gen ud_clank.wav 0.12 square 140 -- lowpass 900 fade q 0 0.12 0.11
mix ud_release.wav ud_hiss.wav ud_clank.wav
gen ud_eng.wav 1.24 sawtooth 55:240 -- lowpass 1400 tremolo 12 30 fade q 0.4 1.24 0.25
gen ud_rum.wav 1.24 brownnoise -- lowpass 500 fade h 0.5 1.24 0.3
mix ud_engine.wav ud_eng.wav ud_rum.wav
join ud_all.wav ud_release.wav ud_engine.wav
"${SOX[@]}" ud_all.wav ud_final.wav overdrive 6 reverb 20
game undock 16000 16 1.64 ud_final.wav

# dock: the engine winds down and the docking clamps lock with a clunk.
gen dk_eng.wav 1.0 sawtooth 240:50 -- lowpass 1200 tremolo 9 30 fade q 0.05 1.0 0.3
gen dk_thud.wav 0.54 sine 90:45 -- fade q 0 0.54 0.5
gen dk_noise.wav 0.08 brownnoise -- lowpass 1500 fade q 0 0.08 0.07
mix dk_clunk.wav dk_thud.wav dk_noise.wav
join dk_all.wav dk_eng.wav dk_clunk.wav
"${SOX[@]}" dk_all.wav dk_final.wav reverb 40
game dock 16000 16 1.54 dk_final.wav

# damage: an explosion on the hull.
gen dm_blast.wav 1.28 brownnoise -- lowpass 900 overdrive 15 fade q 0.004 1.28 1.2
gen dm_low.wav 1.28 square 70:28 -- lowpass 300 fade q 0.004 1.28 1.0 gain -6
gen dm_crack.wav 0.15 whitenoise -- fade q 0 0.15 0.14 gain -4
mix dm_final.wav dm_blast.wav dm_low.wav dm_crack.wav -- reverb 30
game damage 16000 16 1.28 dm_final.wav

# protection: two laser zaps fired at the opponent.
gen pr_z1.wav 0.25 sawtooth 2400:300 -- lowpass 5000 fade q 0.002 0.25 0.2
gen pr_z2.wav 0.45 sawtooth 2600:250 -- lowpass 5000 fade q 0.002 0.45 0.4
join pr_all.wav pr_z1.wav pr_z2.wav
"${SOX[@]}" pr_all.wav pr_final.wav echo 0.8 0.6 60 0.3
game protection 16000 16 0.70 pr_final.wav

# repair: a ratchet, then a rising arpeggio.
gen rp_click.wav 0.06 whitenoise -- bandpass 3000 1q fade q 0 0.06 0.05
silence rp_gap.wav 0.04
join rp_ratchet.wav rp_click.wav rp_gap.wav rp_click.wav rp_gap.wav rp_click.wav rp_gap.wav
bell rp_n1.wav 0.16 523.25
bell rp_n2.wav 0.16 659.25
bell rp_n3.wav 0.16 783.99
bell rp_n4.wav 0.52 1046.5
join rp_all.wav rp_ratchet.wav rp_n1.wav rp_n2.wav rp_n3.wav rp_n4.wav
"${SOX[@]}" rp_all.wav rp_final.wav reverb 25
game repair 16000 16 1.30 rp_final.wav

# discard: a card swished onto the pile.
gen dc_final.wav 0.22 pinknoise -- sinc 1500-7000 fade h 0.05 0.22 0.16
game discard 44100 16 0.22 dc_final.wav

# invalid: a two-tone error buzzer.
gen iv_1.wav 0.36 square 311 -- lowpass 2000 fade q 0.005 0.36 0.03
silence iv_gap.wav 0.1
gen iv_2.wav 0.7 square 233 -- lowpass 2000 fade q 0.005 0.7 0.2
join iv_final.wav iv_1.wav iv_gap.wav iv_2.wav
game invalid 16000 16 1.32 iv_final.wav

# roundover: a short fanfare.
pluck ro_n1.wav 0.18 392
pluck ro_n2.wav 0.18 523.25
pluck ro_n3.wav 0.18 659.25
chord ro_ch.wav 1.0 triangle 392 523.25 659.25 783.99
"${SOX[@]}" ro_ch.wav ro_ch2.wav fade q 0.01 1.0 0.8
join ro_all.wav ro_n1.wav ro_n2.wav ro_n3.wav ro_ch2.wav
"${SOX[@]}" ro_all.wav ro_final.wav reverb 35
game roundover 16000 16 1.54 ro_final.wav

# gameover: a victory fanfare ending on a long chord.
chord go_n1.wav 0.2 sawtooth 523.25 261.63
chord go_n2.wav 0.2 sawtooth 659.25 329.63
chord go_n3.wav 0.2 sawtooth 783.99 392
chord go_n4.wav 0.35 sawtooth 1046.5 523.25
chord go_ch.wav 1.84 sawtooth 261.63 523.25 659.25 783.99 1046.5
"${SOX[@]}" go_ch.wav go_ch2.wav fade q 0.01 1.84 1.4
join go_seq.wav go_n1.wav go_n2.wav go_n3.wav go_n4.wav go_ch2.wav
"${SOX[@]}" go_seq.wav go_final.wav lowpass 3000 chorus 0.6 0.9 50 0.4 0.25 2 -t reverb 40
game gameover 22050 16 2.79 go_final.wav

# --------------------------------------------------------- chatter sounds --

# wave1 "Doh"
speak w1.wav en-us+m3 25 120 "D'oh!"
chatter wave1 w1.wav

# wave2 "Cough": three hoarse bursts, the last one the longest.
cough() {
    gen "$1.n.wav" "$2" pinknoise -- bandpass 900 0.7q fade q 0.008 "$2" "$(echo "$2 * 0.8" | bc)"
    gen "$1.v.wav" "$2" sawtooth 160:110 -- lowpass 1200 fade q 0.008 "$2" "$(echo "$2 * 0.9" | bc)" gain -8
    mix "$1" "$1.n.wav" "$1.v.wav" -- overdrive 8
}
cough c1.wav 0.18
cough c2.wav 0.2
cough c3.wav 0.32
silence c_gap.wav 0.12
join w2.wav c1.wav c_gap.wav c2.wav c_gap.wav c3.wav
chatter wave2 w2.wav

# wave3 "Hello", wave4 "Thank You", wave5 "Where have you been?"
speak w3.wav en-us+f3 60 150 "Hello!"
chatter wave3 w3.wav
speak w4.wav en-us+m1 45 140 "Thank you!"
chatter wave4 w4.wav
speak w5.wav en-us+f4 55 145 "Where have you been?"
chatter wave5 w5.wav

# wave6 "Snoring": two rattling in-breaths, each followed by a soft out-breath.
gen sn_in.wav 1.3 brownnoise -- lowpass 700 tremolo 26 95 fade h 0.5 1.3 0.5
gen sn_out.wav 0.9 pinknoise -- sinc 800-3000 fade h 0.3 0.9 0.5 gain -14
silence sn_gap.wav 0.15
join w6.wav sn_in.wav sn_out.wav sn_gap.wav sn_in.wav sn_out.wav
chatter wave6 w6.wav

# wave7 "Sneezing": "ah... ah..." rising, then a burst "choo".
speak sz_a1.wav en-us+f2 50 90 "ah"
speak sz_a2.wav en-us+f2 75 90 "ahh"
speak sz_ch.wav en-us+f2 70 170 "CHOO!"
gen sz_burst.wav 0.3 whitenoise -- highpass 1500 fade q 0.005 0.3 0.27 gain -6
mix sz_choo.wav sz_ch.wav sz_burst.wav
silence sz_gap.wav 0.2
join w7.wav sz_a1.wav sz_gap.wav sz_a2.wav sz_gap.wav sz_choo.wav
chatter wave7 w7.wav

# wave8 "Sorry" .. wave12 "Oh No"
speak w8.wav en-us+m3 35 120 "Sorry!"
chatter wave8 w8.wav
speak w9.wav en-us+f3 55 140 "Welcome!"
chatter wave9 w9.wav
speak w10.wav en-us+m2 80 150 "Yee haa!"
chatter wave10 w10.wav
speak w11.wav en-us+f4 90 160 "Yippee!"
chatter wave11 w11.wav
speak w12.wav en-us+m1 40 110 "Oh no!"
chatter wave12 w12.wav

# wave13 "Applause": layers of hand claps at different paces.
gen clap.wav 0.03 whitenoise -- bandpass 1500 1.2q fade q 0.001 0.03 0.027
applause() {
    local o=$1 len=$2 i layers=()
    local gaps=(0.17 0.21 0.13 0.19 0.23 0.15 0.11 0.25)
    local offs=(0.00 0.05 0.09 0.02 0.12 0.07 0.03 0.10)
    for i in "${!gaps[@]}"; do
        "${SOX[@]}" clap.wav "clap$i.wav" pad 0 "${gaps[$i]}"
        "${SOX[@]}" "clap$i.wav" "layer$i.wav" repeat 20 pad "${offs[$i]}" 0 trim 0 "$len"
        layers+=("layer$i.wav")
    done
    mix "$o" "${layers[@]}" -- fade h 0.15 "$len" 0.8 reverb 30
}
applause w13.wav 2.6
chatter wave13 w13.wav

# wave14 "Honk": two blasts of a two-tone horn.
honk() {
    chord "$1" "$2" square 349.23 440
    "${SOX[@]}" "$1" "$1.tmp.wav" lowpass 2500 overdrive 10 fade q 0.01 "$2" 0.04
    mv "$1.tmp.wav" "$1"
}
honk hk1.wav 0.3
honk hk2.wav 0.55
silence hk_gap.wav 0.1
join w14.wav hk1.wav hk_gap.wav hk2.wav
chatter wave14 w14.wav

# wave15 "Oooh": an impressed crowd.
speak oo1.wav en-us+m3 30 80 "Ooooooh!"
speak oo2.wav en-us+f3 65 80 "Ooooooh!"
speak oo3.wav en-us+m1 45 75 "Ooooooh!"
delay oo2d.wav oo2.wav 0.05
delay oo3d.wav oo3.wav 0.1
mix w15.wav oo1.wav oo2d.wav oo3d.wav -- chorus 0.6 0.9 55 0.4 0.25 2 -t reverb 30
chatter wave15 w15.wav

# wave16 "Razzberry": a wet, buzzing raspberry.
gen rz_buzz.wav 1.1 sawtooth 85:70 -- tremolo 31 90 lowpass 1800
gen rz_air.wav 1.1 pinknoise -- tremolo 31 100 bandpass 1200 1q gain -6
mix w16.wav rz_buzz.wav rz_air.wav -- overdrive 18 fade q 0.03 1.1 0.25
chatter wave16 w16.wav

# wave17 "Cheer": voices shouting over clapping.
speak ch1.wav en-us+m3 40 170 "Hooray!"
speak ch2.wav en-us+f4 80 170 "Yay!"
speak ch3.wav en-us+m1 60 180 "Woo hoo!"
speak ch4.wav en-us+f2 70 160 "Hooray!"
delay ch2d.wav ch2.wav 0.15
delay ch3d.wav ch3.wav 0.35
delay ch4d.wav ch4.wav 0.6
applause ch_clap.wav 2.2
"${SOX[@]}" ch_clap.wav ch_clap2.wav gain -8
mix w17.wav ch1.wav ch2d.wav ch3d.wav ch4d.wav ch_clap2.wav -- reverb 25
chatter wave17 w17.wav

# wave18 "Woman Laughing", wave19 "Man Laughing"
speak w18.wav en-us+f4 85 190 "Ha ha ha ha ha haa!" tremolo 5 20
chatter wave18 w18.wav
speak w19.wav en-us+m3 20 150 "Ho ho ho, ha ha ha haa!"
chatter wave19 w19.wav

# wave20 "Crying": a wail, then sobbing.
speak cr1.wav en-us+f2 75 70 "Waaaaah!" tremolo 7 40
speak cr2.wav en-us+f2 65 140 "boo hoo hoo hoo" tremolo 6 30
join w20.wav cr1.wav cr2.wav
chatter wave20 w20.wav

echo "Wrote $(find "$out" -name '*.wav' | wc -l) recordings to $out"
