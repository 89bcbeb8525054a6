#!/bin/sh
# Fails unless the locales the tests run in are installed
# (tools/install-deps.sh generates them).
for l in "$@"; do
    if ! locale -a | grep -qi "^$l\.utf-\{0,1\}8$"; then
        echo "$l.UTF-8 is not installed: run tools/install-deps.sh"
        exit 1
    fi
done
