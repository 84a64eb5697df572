#!/usr/bin/python3
"""FTP server for the update tests (pyftpdlib), on 127.0.0.1.

Accounts: every folder BASE/homes/USER is the home of the account USER (password given by --password,
all rights); BASE/homes/anonymous is the anonymous account's home (read only). A file
BASE/behaviour/USER.abort or USER.stall naming a file makes that account's downloads of that file send
half of it and then fail (426) or stop sending for good.

With --tls DIR the server makes a certificate authority (DIR/ca.pem) and a certificate for 127.0.0.1
signed by it, and requires TLS on the control and data connections.

Prints "PORT <n>" on its standard output once it listens; runs until it is killed.
"""
import argparse
import datetime
import io
import os
import sys
import time

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer

BASE = None


class HomeAuthorizer(DummyAuthorizer):
    """Accounts are the folders under BASE/homes."""

    def __init__(self, password):
        super().__init__()
        self.password = password

    def _home(self, username):
        return os.path.join(BASE, "homes", username)

    def validate_authentication(self, username, password, handler):
        if not os.path.isdir(self._home(username)):
            raise AuthenticationFailed("Authentication failed.")
        if username != "anonymous" and password != self.password:
            raise AuthenticationFailed("Authentication failed.")

    def get_home_dir(self, username):
        return self._home(username)

    def has_user(self, username):
        return os.path.isdir(self._home(username))

    def has_perm(self, username, perm, path=None):
        allowed = "elr" if username == "anonymous" else "elradfmwMT"
        return perm in allowed

    def get_perms(self, username):
        return "elr" if username == "anonymous" else "elradfmwMT"

    def get_msg_login(self, username):
        return "Login successful."

    def get_msg_quit(self, username):
        return "Goodbye."

    def impersonate_user(self, username, password):
        pass

    def terminate_impersonation(self, username):
        pass


class FailingFile(io.RawIOBase):
    """A file that yields its first half, then fails or stops sending."""

    def __init__(self, path, stall):
        super().__init__()
        self.name = path
        with open(path, "rb") as f:
            self.data = f.read()
        self.limit = len(self.data) // 2
        self.pos = 0
        self.stall = stall

    def readable(self):
        return True

    def read(self, size=-1):
        if self.pos >= self.limit:
            if self.stall:
                time.sleep(3600)
            raise IOError("transfer broken on purpose")
        end = min(self.limit, self.pos + (size if size and size > 0 else self.limit))
        chunk = self.data[self.pos:end]
        self.pos = end
        return chunk


class BehaviourFS(AbstractedFS):
    def open(self, filename, mode):
        if "r" in mode:
            user = self.cmd_channel.username or ""
            for kind in ("abort", "stall"):
                marker = os.path.join(BASE, "behaviour", "%s.%s" % (user, kind))
                if os.path.isfile(marker):
                    with open(marker) as f:
                        target = f.read().strip()
                    if os.path.basename(filename) == target:
                        return FailingFile(filename, kind == "stall")
        return super().open(filename, mode)


def patient_tls_dtp_handler():
    """pyftpdlib's TLS data handler closes a data connection that becomes readable before the transfer
    command arrives, which is the case for clients that start the TLS handshake at once (libcurl does).
    This one waits for the handshake instead."""
    from pyftpdlib.handlers import TLS_DTPHandler

    class PatientTLSDTPHandler(TLS_DTPHandler):
        def readable(self):
            if self._ssl_accepting or self._ssl_want_read:
                return True
            return super().readable()

    return PatientTLSDTPHandler


def make_certificates(folder):
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.x509.oid import NameOID
    import ipaddress

    now = datetime.datetime.utcnow()
    ca_key = ec.generate_private_key(ec.SECP256R1())
    ca_name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "Velloplayer test CA")])
    ca_cert = (x509.CertificateBuilder().subject_name(ca_name).issuer_name(ca_name)
               .public_key(ca_key.public_key()).serial_number(x509.random_serial_number())
               .not_valid_before(now - datetime.timedelta(days=1))
               .not_valid_after(now + datetime.timedelta(days=2))
               .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
               .add_extension(x509.KeyUsage(digital_signature=True, content_commitment=False,
                                            key_encipherment=False, data_encipherment=False,
                                            key_agreement=False, key_cert_sign=True, crl_sign=True,
                                            encipher_only=False, decipher_only=False), critical=True)
               .sign(ca_key, hashes.SHA256()))
    key = ec.generate_private_key(ec.SECP256R1())
    cert = (x509.CertificateBuilder()
            .subject_name(x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "127.0.0.1")]))
            .issuer_name(ca_name).public_key(key.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(days=1))
            .not_valid_after(now + datetime.timedelta(days=2))
            .add_extension(x509.SubjectAlternativeName([x509.IPAddress(ipaddress.ip_address("127.0.0.1")),
                                                        x509.DNSName("localhost")]), critical=False)
            .sign(ca_key, hashes.SHA256()))
    with open(os.path.join(folder, "ca.pem"), "wb") as f:
        f.write(ca_cert.public_bytes(serialization.Encoding.PEM))
    server_pem = os.path.join(folder, "server.pem")
    with open(server_pem, "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.TraditionalOpenSSL,
                                  serialization.NoEncryption()))
    return server_pem


def main():
    global BASE
    parser = argparse.ArgumentParser()
    parser.add_argument("--base", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--tls")
    args = parser.parse_args()
    BASE = os.path.abspath(args.base)
    os.makedirs(os.path.join(BASE, "homes", "anonymous"), exist_ok=True)
    os.makedirs(os.path.join(BASE, "behaviour"), exist_ok=True)

    handler = FTPHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler
        handler = TLS_FTPHandler
        handler.certfile = make_certificates(args.tls)
        handler.tls_control_required = True
        handler.tls_data_required = True
        handler.dtp_handler = patient_tls_dtp_handler()
    handler.authorizer = HomeAuthorizer(args.password)
    handler.abstracted_fs = BehaviourFS
    handler.banner = "velloplayer test server ready."
    handler.timeout = 60
    handler.auth_failed_timeout = 0  # answer a wrong password at once

    import logging
    logging.basicConfig(level=logging.WARNING)
    # Each connection has its own thread; its loop wakes at least this often (pyftpdlib's default of a
    # second shows as delays between replies).
    ThreadedFTPServer.poll_timeout = 0.02
    server = ThreadedFTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    sys.exit(main())
