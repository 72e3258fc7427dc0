#!/usr/bin/env bash
# Regenerates the tables in the documentation that the tools print. A block
#
#   <!-- generated: coretest ARGS -->
#   ...
#   <!-- end generated -->
#
# is replaced by the output of `coretest ARGS` (inside a ``` fence when the block has one).
# tests/cli/docs_tables_test.cpp fails when a block differs from what the tool prints now.
#
#   scripts/update-docs.sh [CORETEST]     (default: build/cli/coretest)
set -euo pipefail
cd "$(dirname "$0")/.."
coretest=${1:-build/cli/coretest}
[[ -x $coretest ]] || { echo "update-docs: no coretest at '$coretest' (build it, or name it)" >&2; exit 2; }

begin='^<!-- generated: coretest (.*) -->$'
end='^<!-- end generated -->$'
changed=0
for page in README.md docs/*.md; do
    grep -qE "$begin" "$page" || continue
    out=$(mktemp)
    inside=0
    while IFS= read -r line || [[ -n $line ]]; do
        if ((inside)); then
            # The first line inside tells whether the block is fenced; the rest is replaced.
            if ((first)) && [[ ! $line =~ $end ]]; then
                [[ $line == '```'* ]] && fence=$line
                first=0
            fi
            [[ $line =~ $end ]] || continue
            [[ -n $fence ]] && printf '%s\n' "$fence" >>"$out"
            # The arguments are split as a shell splits them (they may quote).
            if ! eval "\"\$coretest\" $args" >>"$out"; then
                echo "update-docs: $page: 'coretest $args' failed" >&2
                rm -f "$out"
                exit 1
            fi
            [[ -n $fence ]] && printf '```\n' >>"$out"
            inside=0
        fi
        printf '%s\n' "$line" >>"$out"
        if [[ $line =~ $begin ]]; then
            args=${BASH_REMATCH[1]}
            inside=1
            first=1
            fence=
        fi
    done <"$page"
    if ((inside)); then
        echo "update-docs: $page: a generated block without its end marker" >&2
        rm -f "$out"
        exit 1
    fi
    if cmp -s "$out" "$page"; then
        rm -f "$out"
    else
        mv "$out" "$page"
        echo "update-docs: $page regenerated"
        changed=1
    fi
done
((changed)) || echo "update-docs: every generated block is up to date"
