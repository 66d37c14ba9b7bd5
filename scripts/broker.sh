#!/bin/sh
# Starts a local Mosquitto with the circuit's accounts and ACL (packaging/mosquitto/).
#   scripts/broker.sh PORT DIR
# DIR receives zentrel.passwd with the accounts lead and room, their passwords taken from
# ZENTREL_LEAD_PASSWORD and ZENTREL_ROOM_PASSWORD, and the configuration pointing at it.
set -eu
port=${1:?port}
dir=${2:?folder for the password file and configuration}
here=$(cd "$(dirname "$0")/.." && pwd)
: "${ZENTREL_LEAD_PASSWORD:?set the lead account's password}"
: "${ZENTREL_ROOM_PASSWORD:?set the room account's password}"
mkdir -p "$dir"
umask 077
rm -f "$dir/zentrel.passwd"
mosquitto_passwd -c -b "$dir/zentrel.passwd" lead "$ZENTREL_LEAD_PASSWORD"
mosquitto_passwd -b "$dir/zentrel.passwd" room "$ZENTREL_ROOM_PASSWORD"
sed -e "s|^listener .*|listener $port ${ZENTREL_BROKER_BIND:-127.0.0.1}|" \
    -e "s|/etc/mosquitto/zentrel.passwd|$dir/zentrel.passwd|" \
    -e "s|/etc/mosquitto/zentrel.acl|$here/packaging/mosquitto/zentrel.acl|" \
    "$here/packaging/mosquitto/zentrel.conf" >"$dir/mosquitto.conf"
if [ "$(id -u)" = 0 ]; then echo "user root" >>"$dir/mosquitto.conf"; fi
exec mosquitto -c "$dir/mosquitto.conf"
