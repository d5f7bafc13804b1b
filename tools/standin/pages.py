"""The platform's built-in pages: login, game, game hall, download pages and counter pings.

The pages talk to the launcher only by navigating to "app:" addresses, so every
command is an ordinary link (usable without script) and the login form adds a
script that builds the same address from the fields a player fills in.
"""

import html
import re
from urllib.parse import quote

from .httpio import Reply

LOGIN_PATH = "/act/wd/main/index/277"
HALL_PATH = "/webgame.htm"
GAME_PATH = "/game/play.htm"
DOWNLOAD_PREFIX = "/download/"
PING_PATHS = ("/install.htm", "/active.htm", "/uninstall.htm")

HTML_TYPE = "text/html; charset=utf-8"
_NAME = re.compile(r"^[A-Za-z0-9_-]{1,40}$")

# Servers offered on the login page: (value sent, label). "S" prefixes and the
# bracketed zone name exercise the launcher's clean-up of the account part.
SERVERS = [("S1", "1服 风起云涌"), ("S2", "2服 龙腾四海"), ("双线3", "双线3服")]
ZONES = [("1", "一区"), ("2", "二区"), ("一区《龙腾四海》", "一区《龙腾四海》")]
HALL_GAMES = [
    ("zelqa7", "Zelqa7", "本游戏登录器", True),
    ("tessaly", "Tessaly", "姊妹游戏", True),
    ("tessaly", "Tessaly（默认下载页）", "不带下载页参数", False),
]


def _page(title, body, style=""):
    return ("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n"
            "<meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
            "<title>%s</title>\n<style>\nbody{font-family:sans-serif;font-size:14px;}\n%s</style>\n"
            "</head>\n<body>\n%s</body>\n</html>\n" % (html.escape(title), style, body)
            ).encode("utf-8")


def game_url(host, server, account):
    return "http://%s%s?server=%s&account=%s" % (host, GAME_PATH, quote(server), quote(account))


def _loadgame_href(account_part, url):
    return "app://loadgame|%s|%s" % (account_part, url)


_LOGIN_STYLE = """\
html,body{margin:0;padding:0;background:#FEFEFE;overflow:hidden;}
#frame{position:relative;width:888px;height:518px;}
#sys{position:absolute;left:480px;top:0;width:50px;height:32px;}
#sys a{float:left;width:25px;height:32px;line-height:32px;text-align:center;
 text-decoration:none;color:#333;background:#e8e8e8;}
#panel{position:absolute;left:234px;top:90px;width:420px;padding:16px 24px;
 background:#ffffff;border:1px solid #c8c8c8;}
#panel label{display:block;margin:8px 0 2px;}
#panel select,#panel input{width:100%;box-sizing:border-box;}
#go{margin-top:14px;width:100%;height:32px;}
#quick li{margin:3px 0;}
"""

_LOGIN_SCRIPT = """\
<script>
function enterGame() {
  var server = document.getElementById('server').value;
  var zone = document.getElementById('zone').value;
  var account = document.getElementById('account').value;
  if (!account) { document.getElementById('hint').innerHTML = '请输入账号'; return false; }
  var part = server + '\\u670d-' + zone + '-' + account;
  var url = 'http://' + location.host + '%s?server=' + encodeURIComponent(server.replace(/S/g, ''))
          + '&account=' + encodeURIComponent(account);
  location.href = 'app://loadgame|' + encodeURIComponent(part) + '|' + url;
  return false;
}
</script>
""" % GAME_PATH


def login_page(host):
    options = lambda items: "".join(
        "<option value=\"%s\">%s</option>" % (html.escape(v), html.escape(t)) for v, t in items)
    quick = [
        ("S1服-2-abc", "1", "abc", "1服 二区 abc"),
        ("%E5%8F%8C%E7%BA%BF1%E6%9C%8D-2-abc", "双线1", "abc", "双线1服 二区 abc（已编码）"),
        ("S2服-一区《龙腾四海》-player", "2", "player", "2服 龙腾四海 player"),
    ]
    links = "".join(
        "<li><a id=\"quick%d\" href=\"%s\">%s</a></li>\n" % (
            i, html.escape(_loadgame_href(part, game_url(host, server, account))), html.escape(label))
        for i, (part, server, account, label) in enumerate(quick, 1))
    body = """<div id="frame">
<div id="sys"><a id="min" href="app://minimize" title="最小化">_</a><a id="exit" href="app://exitgame" title="关闭">×</a></div>
<div id="panel">
<h2>Mirelund 账号登录</h2>
<form onsubmit="return enterGame();">
<label for="server">服务器</label><select id="server">%s</select>
<label for="zone">区</label><select id="zone">%s</select>
<label for="account">账号</label><input id="account" name="account" value="abc">
<button id="go" type="submit">进入游戏</button>
<div id="hint"></div>
</form>
<p>快速登录：</p>
<ul id="quick">
%s</ul>
<p><a href="app://exitgame">退出</a> · <a href="app://minimize">最小化</a></p>
</div>
</div>
%s""" % (options(SERVERS), options(ZONES), links, _LOGIN_SCRIPT)
    return _page("Mirelund 登录", body, _LOGIN_STYLE)


def game_page(params):
    server = params.get("server", [""])[0]
    account = params.get("account", [""])[0]
    body = """<h1>Mirelund</h1>
<div id="game" style="width:960px;height:560px;background:#203040;color:#fff;">
<p>游戏区域</p>
<p>服务器：<span id="server">%s</span>服</p>
<p>账号：<span id="account">%s</span></p>
</div>
""" % (html.escape(server), html.escape(account))
    return _page("Mirelund - %s服 %s" % (server, account), body, "body{margin:0;}\n")


def hall_page(host):
    rows = []
    for name, label, note, with_page in HALL_GAMES:
        arg = "%s/" % name
        if with_page:
            arg += "|http://%s%s%s.htm" % (host, DOWNLOAD_PREFIX, name)
        rows.append("<li><b>%s</b> %s <a class=\"enter\" href=\"%s\">进入游戏</a></li>" % (
            html.escape(label), html.escape(note), html.escape("app://entergame|" + arg)))
    body = "<h1>VornTessaly游戏大厅</h1>\n<ul id=\"games\">\n%s\n</ul>\n" % "\n".join(rows)
    return _page("VornTessaly游戏大厅", body)


def download_page(name):
    body = ("<h1>%s 登录器下载</h1>\n<p>下载%s登录器，玩游戏更加方便快捷。</p>\n"
            % (html.escape(name), html.escape(name)))
    return _page("%s 登录器下载" % name, body)


def index_page(host):
    items = [(LOGIN_PATH, "登录页"), (HALL_PATH, "游戏大厅"),
             (game_url(host, "1", "abc"), "游戏页")]
    body = "<h1>平台替身服务</h1>\n<ul>\n%s</ul>\n" % "".join(
        "<li><a href=\"%s\">%s</a></li>\n" % (html.escape(u), t) for u, t in items)
    return _page("平台替身服务", body)


def builtin_reply(path, params, host):
    """The built-in content for a path, or None when the path has none."""
    if path == LOGIN_PATH:
        return Reply(200, login_page(host), HTML_TYPE)
    if path == HALL_PATH:
        return Reply(200, hall_page(host), HTML_TYPE)
    if path == GAME_PATH:
        return Reply(200, game_page(params), HTML_TYPE)
    if path in PING_PATHS:
        return Reply(200, b"ok", "text/plain; charset=utf-8")
    if path.startswith(DOWNLOAD_PREFIX) and path.endswith(".htm"):
        name = path[len(DOWNLOAD_PREFIX):-len(".htm")]
        if _NAME.match(name):
            return Reply(200, download_page(name), HTML_TYPE)
    if path == "/":
        return Reply(200, index_page(host), HTML_TYPE)
    return None
