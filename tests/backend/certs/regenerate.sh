#!/bin/sh
# Recreates the test certificates: a test CA, a loopback server certificate it signs, one it signs for
# another host name, and a self-signed loopback certificate nobody trusts. Valid for a century.
set -eu
cd "$(dirname "$0")"
caKey=$(mktemp)
trap 'rm -f "$caKey" ./*.csr ./*.ext test-ca.srl' EXIT
openssl ecparam -name prime256v1 -genkey -noout -out "$caKey"
openssl req -x509 -new -key "$caKey" -sha256 -days 36500 -subj "/CN=Kindora Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" -out test-ca.pem
signed() {
    openssl ecparam -name prime256v1 -genkey -noout -out "$1-key.pem"
    openssl req -new -key "$1-key.pem" -subj "/CN=$3" -out "$1.csr"
    printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$2" > "$1.ext"
    openssl x509 -req -in "$1.csr" -CA test-ca.pem -CAkey "$caKey" -CAcreateserial -days 36500 -sha256 \
        -extfile "$1.ext" -out "$1.pem"
}
signed loopback "IP:127.0.0.1,DNS:localhost" localhost
signed wrong-host "DNS:wrong.example" wrong.example
openssl ecparam -name prime256v1 -genkey -noout -out self-signed-key.pem
openssl req -x509 -new -key self-signed-key.pem -sha256 -days 36500 -subj "/CN=localhost" \
    -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" -out self-signed.pem
