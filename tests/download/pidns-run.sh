#!/bin/sh
# Runs one test in network and process namespaces of its own, so that the
# file servers it counts and ends are only the ones it started.
exec unshare -n -p -f --mount-proc sh -c 'ip link set lo up && "$@"' pidns-run "$@"
