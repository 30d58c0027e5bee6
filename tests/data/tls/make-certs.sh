#!/bin/sh
# Makes the certificates that tests/support/tls_server.py serves to the
# HTTPS fetch tests, into this folder. Run it again only to replace them.
#
#   test-ca.pem      the test authority; trusted only inside the mount
#                    namespace that tools/tls-test makes for the test
#   localhost.pem    DNS:localhost, from the test authority
#   expired.pem      DNS:localhost, from the test authority, expired in 2001
#   wrong-name.pem   DNS:wrong-name.invalid, from the test authority
#   unknown-ca.pem   DNS:localhost, from an authority nobody trusts
#   <name>-key.pem   the key of each of the four servers
#
# Valid ones run from 2020 to 2046, so a machine whose clock is somewhat
# off still accepts them. The authorities' own keys are thrown away: nothing
# else can ever be signed by them. Needs the openssl command.
set -eu
out=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"

from=20200101000000Z
until=20460101000000Z

# "openssl ca" is the one command of OpenSSL 3.0 that can date a
# certificate in the past.
mkdir db && touch db/index.txt
cat > ca.cnf <<CONF
[ca]
default_ca = test
[test]
database = $work/db/index.txt
new_certs_dir = $work/db
default_md = sha256
policy = any
rand_serial = yes
unique_subject = no
[any]
commonName = supplied
CONF

request() {  # name subject keyfile
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=$2" -keyout "$3" -out "$1.csr" 2>/dev/null
}

authority() {  # name subject
  request "$1" "$2" "$1.key"
  printf 'basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n' > "$1.ext"
  openssl ca -batch -config ca.cnf -notext -selfsign -keyfile "$1.key" -extfile "$1.ext" \
    -startdate "$from" -enddate "$until" -in "$1.csr" -out "$1.pem" 2>/dev/null
}

server() {  # name dns authority [start end]
  request "$1" "$2" "$out/$1-key.pem"
  printf 'basicConstraints=CA:FALSE\nsubjectAltName=DNS:%s\n' "$2" > "$1.ext"
  printf 'keyUsage=critical,digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n' >> "$1.ext"
  openssl ca -batch -config ca.cnf -notext -cert "$3.pem" -keyfile "$3.key" -extfile "$1.ext" \
    -startdate "${4:-$from}" -enddate "${5:-$until}" -in "$1.csr" -out "$out/$1.pem" 2>/dev/null
}

authority test-ca "Sitemoat Test Authority"
authority unknown "Sitemoat Unknown Authority"
cp test-ca.pem "$out/test-ca.pem"
server localhost localhost test-ca
server wrong-name wrong-name.invalid test-ca
server unknown-ca localhost unknown
server expired localhost test-ca 20000101000000Z 20010101000000Z
