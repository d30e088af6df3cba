#!/bin/bash
# Slurm job array over a folder of batch command files made by kivo-batch-split: task N runs
# the N-th command file of the folder (in name order, counting from 0) with
# kivo-meriview --batch, and ends with the program's exit status.
#
# Submit one task per command file:
#
#   n=$(kivo-batch-split list.txt template.out /shared/jobs | wc -l)
#   sbatch --array=0-$((n - 1)) kivo-array.sbatch /shared/jobs
#
# "--array=0-$((n - 1))%8" runs at most 8 at a time. The folder, the products and the output
# folders of the template must be reachable under the same paths on every node (a shared file
# system). The program is KIVO_MERIVIEW when set, else kivo-meriview on PATH; sbatch passes
# the submitting shell's environment on. Each task's log is kivo-batch-JOB_TASK.log in the
# folder sbatch was run from unless --output says otherwise.
#
#SBATCH --job-name=kivo-batch
#SBATCH --ntasks=1
#SBATCH --cpus-per-task=1
#SBATCH --output=kivo-batch-%A_%a.log
set -euo pipefail

folder=${1:?usage: sbatch --array=0-N kivo-array.sbatch FOLDER}
task=${SLURM_ARRAY_TASK_ID:?not a task of a job array: submit with sbatch --array=0-N}
program=${KIVO_MERIVIEW:-kivo-meriview}

# kivo-batch-split numbers its files from 0000 in list order; byte order keeps that order.
LC_ALL=C
shopt -s nullglob
files=("$folder"/*.out)
if ((task < 0 || task >= ${#files[@]})); then
  echo "kivo-array: task $task, but $folder holds ${#files[@]} command files (0-$((${#files[@]} - 1)))" >&2
  exit 1
fi
echo "kivo-array: task $task on $(hostname): ${files[task]}"
exec "$program" --batch "${files[task]}"
