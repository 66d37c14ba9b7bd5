#!/usr/bin/env bash
# Regenerates the built-in spoken cues with espeak-ng's Japanese voice.
# Needs: apt-get install espeak-ng sox. The build uses the committed WAVs, not this script.
set -euo pipefail
cd "$(dirname "$0")"

declare -A text=(
    [yomu]="もんだいを よんで ください"          # Reading comes next
    [hajime]="しけんを はじめて ください"        # Examination comes next
    [kohyo]="こうひょうの じかんです"            # Feedback comes next
    [idou]="つぎの ステーションへ いどうして ください" # Moving comes next
    [sec30]="のこり さんじゅうびょうです"        # 30 seconds left
)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for name in "${!text[@]}"; do
    espeak-ng -v ja -s 150 -a 180 -w "$tmp/$name.wav" "${text[$name]}"
    # 16-bit PCM mono, 22050 Hz, leading and trailing silence trimmed to a few ms.
    sox "$tmp/$name.wav" -b 16 -e signed-integer -c 1 -r 22050 "$name.wav" \
        silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse pad 0.02 0.05
    printf '%-11s %s s\n' "$name.wav" "$(soxi -D "$name.wav")"
done
