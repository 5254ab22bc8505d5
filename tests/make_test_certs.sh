#!/bin/sh
# Makes the certificates of the mail tests in DIRECTORY: a small CA
# (ca.pem), a server certificate it signs for localhost, 127.0.0.1 and ::1
# (server.pem/.key), one it signs for another name (other.pem/.key), one it
# signed for localhost that expired a day ago (expired.pem/.key), and a
# self-signed one for localhost that no one trusts (untrusted.pem/.key).
# Usage: make_test_certs.sh DIRECTORY
set -eu
cd "$1"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key" 2>/dev/null; }
key ca
openssl req -x509 -new -key ca.key -out ca.pem -days 2 -subj "/CN=Fennimar Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
signed() {  # NAME COMMON_NAME ALT_NAMES [DAYS]
  key "$1"
  openssl req -new -key "$1.key" -out "$1.csr" -subj "/CN=$2"
  printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$3" > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days "${4:-2}" \
    -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}
signed server localhost "DNS:localhost,IP:127.0.0.1,IP:::1"
signed other other.example "DNS:other.example"
signed expired localhost "DNS:localhost,IP:127.0.0.1" -1
key untrusted
openssl req -x509 -new -key untrusted.key -out untrusted.pem -days 2 -subj "/CN=localhost" \
  -addext "subjectAltName=DNS:localhost,IP:127.0.0.1"
