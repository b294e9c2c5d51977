"""aiosmtpd handler for the mail tests: writes each message it receives to
OUTDIR/message-N.eml and its envelope to OUTDIR/message-N.json.

    python3 -m aiosmtpd -n -l 127.0.0.1:PORT -c smtp_sink.SaveToFolder OUTDIR

The server ends itself after two minutes, so a test that dies cannot leave it behind.
"""
import json
import os
import threading


class SaveToFolder:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        watchdog = threading.Timer(120, lambda: os._exit(0))
        watchdog.daemon = True
        watchdog.start()

    @classmethod
    def from_cli(cls, parser, *args):
        return cls(args[0])

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "message-%d" % self.count)
        with open(base + ".json.part", "w") as f:
            login = getattr(session, "login_data", None)
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                       "login": login.decode() if login else None}, f)
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content)
        # The message file appears last and whole: the test waits for it.
        os.replace(base + ".json.part", base + ".json")
        os.replace(base + ".eml.part", base + ".eml")
        return "250 Message accepted for delivery"
