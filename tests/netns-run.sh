#!/bin/sh
# Runs one test in a fresh network namespace with only loopback up.
exec unshare -n sh -c 'ip link set lo up && exec "$@"' netns-run "$@"
