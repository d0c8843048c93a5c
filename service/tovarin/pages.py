"""The registration page (/reg.php) that the client's sign-in dialog opens
in the browser: a form that creates an account."""

import html

from .messages import HTML_TYPE, Reply
from .store import AccountExists, StoreError, password_digest

MAX_NAME = 64

_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Tovarin - {title}</title></head>
<body>
<h1>{title}</h1>
{message}
{form}
</body></html>
"""

_FORM = """<form method="post" action="/reg.php" accept-charset="utf-8">
<p><label>User name <input name="username" value="{username}" maxlength="{max_name}" required></label></p>
<p><label>E-mail <input name="email" type="email" value="{email}"></label></p>
<p><label>Password <input name="password" type="password" required></label></p>
<p><label>Password again <input name="password2" type="password" required></label></p>
<p><button type="submit">Create account</button></p>
</form>"""


def _page(status, title, message="", username="", email="", with_form=True):
    form = _FORM.format(username=html.escape(username), email=html.escape(email),
                        max_name=MAX_NAME) if with_form else ""
    text = _PAGE.format(title=html.escape(title),
                        message=f"<p>{html.escape(message)}</p>" if message else "", form=form)
    return Reply(status=status, body=text.encode("utf-8"), content_type=HTML_TYPE,
                 headers=[("Cache-Control", "no-cache")], ranged=False)


def registration(request, store):
    if request.method in ("GET", "HEAD"):
        return _page(200, "Create an account")
    if request.method != "POST":
        reply = _page(405, "Create an account", "Use the form to create an account.")
        reply.headers.append(("Allow", "GET, POST"))
        return reply
    fields = request.fields
    username = fields.get("username", "").strip()
    email = fields.get("email", "").strip()
    password = fields.get("password", "")

    def refuse(status, message):
        return _page(status, "Create an account", message, username, email)

    if not username:
        return refuse(400, "Please choose a user name.")
    if len(username) > MAX_NAME:
        return refuse(400, f"The user name may have at most {MAX_NAME} characters.")
    if not password:
        return refuse(400, "Please choose a password.")
    if password != fields.get("password2", password):
        return refuse(400, "The two passwords differ.")
    try:
        uid = store.create_account(username, password_digest(password), email)
    except AccountExists:
        return refuse(409, f"The user name {username} is taken; please choose another.")
    except ValueError as error:
        return refuse(400, f"{str(error)[0].upper()}{str(error)[1:]}.")
    except StoreError:
        return refuse(503, "The account could not be stored; please try again later.")
    return _page(200, "Account created",
                 f"Welcome, {username} (user id {uid}). You can now sign in from Kestrane.",
                 with_form=False)
