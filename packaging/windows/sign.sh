#!/bin/sh
# sign.sh CERT KEY URL FILE: signs the Windows program FILE in place with
# osslsigncode (Authenticode, SHA-256), by the certificate CERT and its key
# KEY (PEM files; QUILLMOOR_SIGN_PASSWORD_FILE names a file holding the
# key's password, if it has one), the signature naming the project's page
# URL. cmake/windows.cmake signs the saver with it, and makensis the
# uninstaller and the installer (quillmoor.nsi, -DSIGN_CERT and -DSIGN_KEY).
set -eu
[ $# -eq 4 ] || { echo "usage: sign.sh CERT KEY URL FILE" >&2; exit 2; }
password=""
[ -z "${QUILLMOOR_SIGN_PASSWORD_FILE:-}" ] || password="-readpass $QUILLMOOR_SIGN_PASSWORD_FILE"
rm -f "$4.signed"
# shellcheck disable=SC2086
osslsigncode sign -certs "$1" -key "$2" $password -h sha256 -n "Quillmoor Screensaver" -i "$3" \
  -in "$4" -out "$4.signed" >/dev/null
mv -f "$4.signed" "$4"
