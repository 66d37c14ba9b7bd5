#!/bin/sh
# Starts a local Mosquitto with the circuit's accounts, ACL and TLS (packaging/mosquitto/).
#   scripts/broker.sh PORT DIR
# PORT is the TLS listener's (8883 for the hall). DIR receives zentrel.passwd with the
# accounts lead and room, their passwords taken from ZENTREL_LEAD_PASSWORD and
# ZENTREL_ROOM_PASSWORD, the configuration pointing at it, and, made once and kept, a CA
# (ca.crt, for every timer's --mqtt-cafile; ca.key) and the broker's certificate for
# localhost, 127.0.0.1 and this machine's host name (server.crt, server.key).
set -eu
port=${1:?port}
dir=${2:?folder for the password file, certificates and configuration}
here=$(cd "$(dirname "$0")/.." && pwd)
: "${ZENTREL_LEAD_PASSWORD:?set the lead account's password}"
: "${ZENTREL_ROOM_PASSWORD:?set the room account's password}"
mkdir -p "$dir"
umask 077
if [ ! -s "$dir/ca.crt" ] || [ ! -s "$dir/ca.key" ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 825 \
        -subj "/CN=Zentrel circuit CA" -keyout "$dir/ca.key" -out "$dir/ca.crt" 2>/dev/null
    rm -f "$dir/server.crt"
fi
chmod 644 "$dir/ca.crt"
if [ ! -s "$dir/server.crt" ] || [ ! -s "$dir/server.key" ]; then
    host=$(hostname)
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -subj "/CN=$host" -keyout "$dir/server.key" -out "$dir/server.csr" 2>/dev/null
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1,DNS:%s\n' "$host" >"$dir/server.ext"
    openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" \
        -CAcreateserial -days 825 -extfile "$dir/server.ext" -out "$dir/server.crt" 2>/dev/null
    rm -f "$dir/server.csr" "$dir/server.ext"
fi
rm -f "$dir/zentrel.passwd"
mosquitto_passwd -c -b "$dir/zentrel.passwd" lead "$ZENTREL_LEAD_PASSWORD"
mosquitto_passwd -b "$dir/zentrel.passwd" room "$ZENTREL_ROOM_PASSWORD"
sed -e "s|^listener .*|listener $port ${ZENTREL_BROKER_BIND:-127.0.0.1}|" \
    -e "s|/etc/mosquitto/certs/zentrel-server|$dir/server|" \
    -e "s|/etc/mosquitto/zentrel.passwd|$dir/zentrel.passwd|" \
    -e "s|/etc/mosquitto/zentrel.acl|$here/packaging/mosquitto/zentrel.acl|" \
    "$here/packaging/mosquitto/zentrel.conf" >"$dir/mosquitto.conf"
if [ "$(id -u)" = 0 ]; then echo "user root" >>"$dir/mosquitto.conf"; fi
exec mosquitto -c "$dir/mosquitto.conf"
