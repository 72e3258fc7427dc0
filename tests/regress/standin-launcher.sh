#!/bin/sh
# A stand-in batch launcher: `standin-launcher.sh RECORD COMMAND...` appends the command it was
# handed to RECORD, one line per job, then runs it as a cluster's submit command would.
if [ $# -lt 2 ]; then
    echo "standin-launcher: give the record file and the command" >&2
    exit 2
fi
record=$1
shift
printf 'launched: %s\n' "$*" >>"$record"
exec "$@"
