#!/usr/bin/env bash
# Certificates made for one test run, valid for two days, in DIR:
#   root.crt          a root of its own, which signed
#   server.crt, .key  the server's, for 127.0.0.1 and localhost
#   other-root.crt    another root of the same name, which signed nothing of the server's
# Usage: tests/support/test-certificates.sh DIR
set -euo pipefail
dir="${1:?folder for the certificates}"
mkdir -p "$dir"
cd "$dir"
key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
openssl req -x509 "${key[@]}" -keyout root.key -out root.crt -days 2 -subj "/CN=Line store test root" 2>/dev/null
openssl req -x509 "${key[@]}" -keyout other-root.key -out other-root.crt -days 2 -subj "/CN=Line store test root" \
    2>/dev/null
openssl req "${key[@]}" -keyout server.key -out server.csr -subj "/CN=localhost" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >server.ext
openssl x509 -req -in server.csr -CA root.crt -CAkey root.key -CAcreateserial -days 2 -extfile server.ext \
    -out server.crt 2>/dev/null
# The server refuses a key that others may read.
chmod 600 server.key
rm -f server.csr server.ext root.srl other-root.key
