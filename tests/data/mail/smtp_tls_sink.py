"""An SMTP server that requires STARTTLS and a login, for the mail tests;
saves what it receives as smtp_sink.SaveToFolder does.

    python3 smtp_tls_sink.py PORT OUTDIR CERT KEY USER PASSWORD
"""
import asyncio
import functools
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult

from smtp_sink import SaveToFolder


def main():
    port, folder, cert, key, user, password = sys.argv[1:7]
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = auth_data.login == user.encode() and auth_data.password == password.encode()
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    factory = functools.partial(SMTP, SaveToFolder(folder), tls_context=context, require_starttls=True,
                                auth_required=True, authenticator=authenticator, loop=loop)
    loop.run_until_complete(loop.create_server(factory, host="127.0.0.1", port=int(port)))
    loop.run_forever()


main()
