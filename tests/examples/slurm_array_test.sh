#!/usr/bin/env bash
# Runs examples/slurm-array.sh on a one-node Slurm cluster started here, with its own munge
# key, configuration, ports and spool folders (nothing of the machine's own Slurm is touched),
# and checks that the joined shards wrote what one run writes.
#   slurm_array_test.sh LUMATRIX SOURCE_TREE
# Exit 77 (skipped) without the Slurm daemons, or when not run as root (slurmd must be).
set -euo pipefail
lumatrix=$(realpath "$1")
tree=$(realpath "$2")
for tool in munged slurmctld slurmd sbatch squeue; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "skipped: slurmd runs as root"; exit 77; }

work=$(mktemp -d /tmp/lumatrix-slurm.XXXXXX)
cleanup() {
  for pid in "$work"/*.pid; do [ -f "$pid" ] && kill "$(cat "$pid")" 2>/dev/null || true; done
  sleep 1
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work"/{munge,ctld,d,log}
chmod 700 "$work/munge"
head -c 1024 /dev/urandom >"$work/munge/key"
chmod 400 "$work/munge/key"
munged --force --socket="$work/munge/socket" --key-file="$work/munge/key" \
  --pid-file="$work/munge.pid" --log-file="$work/log/munged.log" \
  --seed-file="$work/munge/seed"

# Ports from the process id, away from the usual 6817/6818.
port=$((20000 + $$ % 20000))
host=$(hostname -s)
cat >"$work/slurm.conf" <<CONF
ClusterName=lumatrixtest
SlurmctldHost=$host
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
CredType=cred/munge
StateSaveLocation=$work/ctld
SlurmdSpoolDir=$work/d
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
NodeName=$host CPUs=$(nproc) RealMemory=1000 State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=10 State=UP
CONF
echo "CgroupPlugin=cgroup/v1" >"$work/cgroup.conf"
export SLURM_CONF=$work/slurm.conf
slurmctld -f "$SLURM_CONF"
slurmd -f "$SLURM_CONF"
for _ in $(seq 1 30); do
  sinfo -h -o %t 2>/dev/null | grep -q idle && break
  sleep 1
done
sinfo -h -o %t | grep -q idle || { echo "the test cluster did not come up"; cat "$work"/log/*; exit 1; }

# The job: the bundled samples fitted and thumbnailed, with a gallery.
cp -r "$tree/samples" "$work/photos"
rm "$work/photos/demo.ini"
export LUMATRIX_HOME=$work/home
profile=$work/job.ini
make_profile() {
  "$lumatrix" settings --profile "$tree/samples/demo.ini" \
    --set "save_in_directory=$1/images/" --set "save_in_directory_t1=$1/thumbs/" \
    --set usethumbnailgallery=true --set Previewafter=false --save "$2" >/dev/null
}
make_profile "$work/one" "$work/one.ini"
make_profile "$work/out" "$profile"
"$lumatrix" process --yes --recursive --profile "$work/one.ini" "$work/photos" >/dev/null

cd "$work"
LUMATRIX=$lumatrix CPUS=1 MANIFESTS=$work/manifests "$tree/examples/slurm-array.sh" \
  "$profile" "$work/photos" 3
for _ in $(seq 1 120); do
  [ -z "$(squeue -h 2>/dev/null)" ] && break
  sleep 1
done
grep -q "Joined 3 shards" manifests/finish.log || { echo "the join did not run"; cat manifests/*.log; exit 1; }
sums() { (cd "$1" && find . -type f ! -name 'lumatrix-manifest*' | sort | xargs sha256sum); }
if diff <(sums "$work/one") <(sums "$work/out"); then
  echo "slurm array: the joined shards wrote what one run writes ($(sums "$work/out" | wc -l) files)"
else
  echo "slurm array: the outputs differ from one run"
  exit 1
fi
