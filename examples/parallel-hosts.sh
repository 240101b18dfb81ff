#!/usr/bin/env bash
# One run of a photo folder spread over several machines with GNU parallel: each host runs one
# shard of the same list, then this machine joins them (gallery, numbering, summary).
#
#   examples/parallel-hosts.sh PROFILE SOURCE_FOLDER [HOST...]
#
# The source folder and the profile's output folders must be at the same paths on every host
# (a shared file system: NFS, CephFS, ...), as must $MANIFESTS (default ./manifests), and
# `lumatrix` on each host's PATH (or $LUMATRIX set to its path). Without hosts
# it runs two shards on this machine ("localhost" twice). A shard that fails is reported by
# parallel; run the script again: finished entries are kept (--skip-done).
set -euo pipefail
profile=$(realpath "$1")
source_folder=$(realpath "$2")
shift 2
hosts=("$@")
[ ${#hosts[@]} -gt 0 ] || hosts=(: :)   # ':' is GNU parallel's name for this machine
shards=${#hosts[@]}
lumatrix=${LUMATRIX:-lumatrix}

logins=()
for host in "${hosts[@]}"; do logins+=(--sshlogin "1/$host"); done

# The shards' manifests, on the shared file system too.
manifests=${MANIFESTS:-$PWD/manifests}
mkdir -p "$manifests"

# One job slot per host (1/host); {} is the shard's number.
parallel --will-cite --halt now,fail=1 "${logins[@]}" \
  "$lumatrix" process --yes --recursive --profile "$profile" --skip-done \
  --shard "{}/$shards" --manifest "$manifests/shard-{}-of-$shards.jsonl" "$source_folder" \
  ::: $(seq 1 "$shards")

"$lumatrix" finish --profile "$profile" "$manifests"/shard-*-of-"$shards".jsonl
