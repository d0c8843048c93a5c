"""A request as the endpoints see it, and the reply they hand back."""

from dataclasses import dataclass, field

XML_TYPE = "text/xml; charset=utf-8"
TEXT_TYPE = "text/plain; charset=utf-8"
HTML_TYPE = "text/html; charset=utf-8"
JSON_TYPE = "application/json"


@dataclass
class Request:
    method: str
    path: str                 # path part of the request target, still percent-encoded
    query: list               # (name, value) pairs of the query string
    form: list                # (name, value) pairs of a url-encoded body
    headers: object           # the handler's header message (case-insensitive get)
    client: str               # peer address
    body: bytes = b""
    query_text: str = ""

    @property
    def fields(self):
        """Query and form fields by name; the body wins, a later field wins."""
        return dict(self.query + self.form)


@dataclass
class Reply:
    status: int = 200
    body: bytes = b""
    content_type: str = TEXT_TYPE
    # Extra headers as (name, value) pairs, e.g. Set-Cookie.
    headers: list = field(default_factory=list)
    # Whether a Range header may narrow this answer to a 206.
    ranged: bool = True
    # Close the connection after this answer.
    close: bool = False


def text_reply(status, message, **kwargs):
    if not message.endswith("\n"):
        message += "\n"
    return Reply(status=status, body=message.encode("utf-8"), content_type=TEXT_TYPE,
                 ranged=False, **kwargs)
