#!/usr/bin/env bash
# Slurm route: a single-node Slurm (munged, slurmctld, slurmd) started here from a temporary
# slurm.conf runs the four command files of four products as a job array through
# kivo-array.sbatch; the outputs equal a serial run. The daemons are stopped on every exit.
#   slurm_route.sh PROGRAM GENERATOR SPLIT SBATCH_SCRIPT
# Exit 77 (skipped) only when the Slurm or munge programs are not installed.
set -euo pipefail
PROGRAM=$(realpath "$1") GENERATOR=$(realpath "$2") SPLIT=$(realpath "$3") ARRAY_SCRIPT=$(realpath "$4")
source "$(dirname "$0")/routes_common.sh"
for tool in munged slurmctld slurmd sbatch squeue scontrol; do
  command -v "$tool" >/dev/null || PATH=$PATH:/usr/sbin command -v "$tool" >/dev/null ||
    { echo "SKIP: $tool is not installed"; exit 77; }
done
export PATH=$PATH:/usr/sbin

start_work
# munged wants every folder above its socket searchable by all and writable by none but root.
chmod 755 "$WORK"
PIDS=()
JOB=
stop_daemons() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
}
show_logs() {
  local log
  for log in "$WORK"/slurm/*.log "$WORK"/logs/*.log; do
    if [ -f "$log" ]; then echo "== $log"; tail -n 20 "$log"; fi
  done
}
# On a failure the array's tasks are cancelled first, so that none outlives the daemons.
trap 'status=$?
  set +e
  if [ $status -ne 0 ]; then [ -z "$JOB" ] || timeout 10 scancel "$JOB" 2>/dev/null; show_logs >&2; fi
  stop_daemons; rm -rf "$WORK"; exit $status' EXIT
trap 'exit 143' TERM INT

# Two free ports on the loopback interface for the controller and the node daemon.
read -r CTLD_PORT SLURMD_PORT < <(python3 -c '
import socket
socks = [socket.socket() for _ in range(2)]
for s in socks: s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in socks))')

S=$WORK/slurm
mkdir -p "$S/state" "$S/spool" "$WORK/logs"
head -c 1024 /dev/urandom >"$S/munge.key"
chmod 600 "$S/munge.key"
chmod 755 "$S"
munged --foreground --socket="$S/munge.sock" --key-file="$S/munge.key" --pid-file="$S/munged.pid" \
  --log-file="$S/munged.log" --seed-file="$S/munged.seed" >>"$S/munged.log" 2>&1 &
PIDS+=($!)

HOST=$(hostname -s)
export SLURM_CONF=$S/slurm.conf
cat >"$SLURM_CONF" <<CONF
ClusterName=kivotest
SlurmctldHost=$HOST(127.0.0.1)
SlurmctldPort=$CTLD_PORT
SlurmdPort=$SLURMD_PORT
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$S/munge.sock
CredType=cred/munge
StateSaveLocation=$S/state
SlurmdSpoolDir=$S/spool
SlurmctldPidFile=$S/slurmctld.pid
SlurmdPidFile=$S/slurmd.pid
SlurmctldLogFile=$S/slurmctld.log
SlurmdLogFile=$S/slurmd.log
MailProg=/bin/true
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
$(slurmd -C | head -n 1) NodeAddr=127.0.0.1 State=UNKNOWN
PartitionName=kivo Nodes=$HOST Default=YES MaxTime=INFINITE State=UP
CONF

# Both in the foreground (logging to their files), so their process ids are ours to stop.
for _ in $(seq 50); do [ -S "$S/munge.sock" ] && break; sleep 0.1; done
slurmctld -D -f "$SLURM_CONF" >/dev/null 2>&1 &
PIDS+=($!)
slurmd -D -f "$SLURM_CONF" >/dev/null 2>&1 &
PIDS+=($!)

make_products 4
split_products
run_serial

# sbatch hands this environment to the tasks: the script finds the program through it.
export KIVO_MERIVIEW=$PROGRAM
JOB=$(sbatch --parsable --chdir="$WORK" --output="$WORK/logs/%A_%a.log" --array=0-3 "$ARRAY_SCRIPT" "$WORK/jobs") ||
  fail "sbatch refused the array"
JOB=${JOB%%;*}
deadline=$((SECONDS + 120))
while [ -n "$(squeue -h -j "$JOB" 2>/dev/null)" ]; do
  ((SECONDS < deadline)) || fail "job array $JOB did not finish within 120 s: $(squeue -j "$JOB")"
  sleep 0.5
done

# Every task of the array completed with exit status 0.
states=$(scontrol -o show job "$JOB" | tr ' ' '\n' | grep -E '^(JobState|ExitCode)=' | paste -d' ' - - | sort | uniq -c |
  awk '{$1 = $1; print}')
[ "$states" = "4 JobState=COMPLETED ExitCode=0:0" ] || fail "array tasks did not all complete: $states"
compare_outputs
echo "slurm route: 4-task array, outputs equal to the serial run"
