#!/usr/bin/env bash
# One run of a photo folder as a Slurm job array, and the join as a job that starts once every
# array task has succeeded.
#
#   examples/slurm-array.sh PROFILE SOURCE_FOLDER [SHARDS]
#
# Paths must be on a file system every node sees; lumatrix on the nodes' PATH (or $LUMATRIX
# set to its path); $CPUS (default 4) cores per task. A task that fails (a node lost) can be
# resubmitted alone (sbatch --array=K ...): --skip-done keeps what it had finished.
set -euo pipefail
profile=$(realpath "$1")
source_folder=$(realpath "$2")
shards=${3:-8}
manifests=${MANIFESTS:-$PWD/manifests}
lumatrix=${LUMATRIX:-lumatrix}
cpus=${CPUS:-4}
mkdir -p "$manifests"

# --shard auto: the task's place comes from SLURM_ARRAY_TASK_ID, _MIN and _COUNT.
array_job=$(sbatch --parsable --job-name=lumatrix --array="1-$shards" --cpus-per-task="$cpus" \
  --output="$manifests/shard-%a.log" \
  --wrap="'$lumatrix' process --yes --recursive --profile '$profile' --skip-done --shard auto \
          --manifest \"$manifests/shard-\${SLURM_ARRAY_TASK_ID}.jsonl\" '$source_folder'")

finish_job=$(sbatch --parsable --job-name=lumatrix-finish --dependency="afterok:$array_job" \
  --output="$manifests/finish.log" \
  --wrap="'$lumatrix' finish --profile '$profile' $(printf "'$manifests/shard-%s.jsonl' " $(seq 1 "$shards"))")
echo "submitted array job $array_job and its join $finish_job; the summary will be in" \
  "$manifests/finish.log"
