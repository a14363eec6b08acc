#!/usr/bin/python3
"""A user's day with the real program against the integration server.

    journeys.py --app LIRNA --server SERVER_JSON --out BUILD_TESTS_DIR JOURNEY

Run inside dbus-run-session. Each journey starts its own screen, keyring and
program (see journey_kit.py), leaves the server as it found it, saves a
screenshot at each main step under OUT/screenshots/journeys/ and fails on
anything the program prints.
"""

import argparse
import configparser
import hashlib
import os
import re
import sys
import time
import urllib.parse

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from journey_kit import (ROLE_PASSWORD_TEXT, STATE_CHECKED, STATE_ENABLED, STATE_FOCUSED, SCREEN, Desk,  # noqa: E402
                         JourneyFailure, check)

SIDEBAR_RIGHT = 200  # the sidebar is 210 wide; its rows lie left of this
BAR_TOP = 640        # the now-playing bar floats at the foot of the 720-high window
PLAYLIST = "Journey Mix"
OFFLINE_PLAYLIST = "Journey Offline"
OFFLINE_SONGS = ["Vespers", "Lantern Hymn", "Nocturne for Eight Voices", "Matins"]  # Night Psalms
COVER_GAP = 8        # between an album cell's cover and its title
ALBUMS = ["First Light", "Tidal Works", "Copper Hours", "Night Psalms", "Harbour Lights Sampler"]


# ----- small steps a user takes, shared by the journeys

def in_sidebar(node):
    return node.rect[0] < SIDEBAR_RIGHT


def in_content(node):
    return node.rect[0] >= SIDEBAR_RIGHT and node.rect[1] < BAR_TOP


def in_bar(node):
    return node.rect[1] >= BAR_TOP


def sidebar(desk, title):
    desk.click(desk.find(title, where=in_sidebar))


def fill(desk, field_name, text):
    field = desk.find(field_name, where=lambda n: "text" in n.role)
    desk.click(field)
    desk.key("ctrl+a", "BackSpace")
    if text:
        desk.type(text)


def form_keeps_the_password(desk, password):
    """The filled sign-in form as assistive technology reads it: the password
    field is named and marked as one, and gives out only bullets; the other
    fields read their text."""
    field = desk.find("Password", where=lambda n: "text" in n.role)
    check(desk.a11y.role_number(field) == ROLE_PASSWORD_TEXT, "the Password field is not a password field")
    readings = desk.a11y.readings(field)
    whole = [text for call, text in readings if call == "GetText"]
    check(whole == ["\u2022" * len(password)], "the password field reads %r" % whole)
    for call, text in readings:
        if call in ("Name", "Description", "GetAttributes"):
            check(password not in text, "%s of the password field gives the password" % call)
        else:
            check(set(text) <= {"\u2022"}, "%s of the password field gives %r" % (call, text))
    check(dict(readings).get("Name") == "Password", "the password field is named %r" % dict(readings).get("Name"))
    for name, typed in (("Username", desk.user), ("Server URL", desk.url)):
        other = desk.find(name, role="text")
        texts = [text for call, text in desk.a11y.readings(other) if call == "GetText"]
        check(texts == [typed], "the %s field reads %r" % (name, texts))


def bar_button(desk, name):
    return desk.find(name, where=lambda n: in_bar(n) and n.role.endswith("button"))


def bar_title_node(desk):
    """The song title the bar shows (its first link or label, top left of the song area)."""
    nodes = [n for n in desk.visible() if in_bar(n) and n.name and n.role in ("push button", "label")]
    titles = [n for n in nodes if n.rect[1] < SCREEN[1] and n.rect[2] > 0 and n.rect[3] <= 20
              and n.name not in ("Shuffle", "Previous", "Play", "Pause", "Next", "Repeat", "Like", "Unlike")]
    titles.sort(key=lambda n: (n.rect[1], n.rect[0]))
    return titles[0] if titles else None


def bar_title(desk):
    title = bar_title_node(desk)
    return title.name if title else None


def position_moves(desk):
    """Points at the bar's progress strip, which then shows the elapsed time, and waits for it to pass 0:00."""
    # The songs are three seconds long: whichever is playing now.
    title = desk.wait_until("the bar shows a song", lambda: bar_title_node(desk))
    desk.move(title.rect[0] + 20, bar_button(desk, "Shuffle").center[1] + 19)
    desk.wait_until("the elapsed time passes 0:00",
                    lambda: any(re.fullmatch(r"0?0:0[1-9]", n.name) for n in desk.visible(role="label") if in_bar(n)),
                    timeout=5)


def wait_bar_title(desk, title, timeout=10):
    desk.wait_until("the bar shows %r" % title, lambda: bar_title(desk) == title, timeout)


def pause(desk):
    """Pauses and returns the title the bar settles on."""
    desk.click(bar_button(desk, "Pause"))
    bar_button(desk, "Play")
    # Settled: the same title twice, half a second apart, however slowly the
    # bar catches up with a song that ended just before the pause.
    seen = [None]

    def settled():
        time.sleep(0.5)
        title, seen[0] = seen[0], bar_title(desk)
        return seen[0] if seen[0] and seen[0] == title else None

    return desk.wait_until("the bar settles on a song", settled)


def open_album_from_grid(desk, album):
    """Albums in the sidebar, then a click on the album's cover above its title."""
    sidebar(desk, "Albums")
    title = desk.find(album, role="label", where=in_content, timeout=15)
    x, y, w, _ = title.rect
    desk.click((x + w // 2, y - w // 2))
    desk.find(album, role="heading", where=in_content)


HOME_ROWS = ["Recently Played", "Recently Added", "Most Played", "Random Albums"]


def home_row_headers(desk):
    """The headers of Home's album rows above the bar, top to bottom (a row without albums shows none)."""
    desk.find(role="push button", where=lambda n: in_content(n) and n.name in HOME_ROWS, timeout=15)
    rows = [n for n in desk.visible(role="push button") if in_content(n) and n.name in HOME_ROWS]
    return [n.name for n in sorted(rows, key=lambda n: n.rect[1])]


def scroll_home_to(desk, row):
    """Wheels Home down until the row's covers and titles are above the bar; returns its header."""
    desk.find(role="push button", where=lambda n: in_content(n) and n.name in HOME_ROWS, timeout=15)
    for _ in range(12):
        header = next((n for n in desk.visible(row, role="push button") if in_content(n)), None)
        if header and header.rect[1] < BAR_TOP - 260:
            return header
        desk.wheel((SCREEN[0] // 2, BAR_TOP - 100), 1)
    raise JourneyFailure("Home does not scroll to %r" % row)


def open_album_from_home_row(desk, row, album):
    """Home in the sidebar, the row wheeled into view, then a click on the album's cover in it."""
    sidebar(desk, "Home")
    header = scroll_home_to(desk, row)
    right = desk.find("Lirna", role="frame").rect
    in_row = lambda n: (in_content(n) and header.rect[1] < n.rect[1] < header.rect[1] + 260
                        and n.rect[0] + n.rect[2] <= right[0] + right[2])
    for _ in range(3):
        titles = desk.visible(album, role="label")
        title = next((n for n in titles if in_row(n)), None)
        if title:
            break
        # Further along the strip: its arrow shows while the pointer is over it.
        desk.move(SCREEN[0] // 2, header.rect[1] + 120)
        desk.click(desk.find("Scroll right", where=lambda n: header.rect[1] < n.rect[1] < header.rect[1] + 260))
        desk.wait_steady("the %r row" % row,
                         lambda: sorted((n.name, n.rect) for n in desk.visible(role="label") if in_row(n)))
    else:
        raise JourneyFailure("the %r row does not show %r" % (row, album))
    desk.click((title.rect[0] + 20, title.rect[1] - 60))
    desk.find(album, role="heading", where=in_content)


def sign_in_screen_shows(desk):
    desk.find("Connect to Your Server", timeout=15)
    desk.find("Connect", role="push button")


# ----- the journeys

def no_password_in_text_events(desk, heard, field_path, passwords):
    """Nothing the bus said of a text change gives a password away: the password
    field's events were heard and carry bullets only, and no event carries a
    password."""
    desk.a11y.pump()
    of_field = 0
    for path, change, text in heard:
        if path == field_path:
            of_field += 1
            check(set(text) <= {"\u2022"}, "the password field's text-changed (%s) says %r" % (change, text))
        for password in passwords:
            check(password not in text, "a text-changed event (%s) carries a password" % change)
    check(of_field > 0, "no text-changed event of the password field was heard")


def typed(keys):
    """The characters the key presses a keystroke listener heard carry, in order."""
    return "".join(k["text"] for k in keys if k["type"] == 0 and k["is_text"] and len(k["text"]) == 1)


def key_symbol_character(key_id):
    """The character an X key symbol stands for, or None (Tab, Return, ...)."""
    if 0x20 <= key_id <= 0xFF:
        return chr(key_id)
    if key_id >= 0x1000000:
        return chr(key_id - 0x1000000)
    return None


def key_heard(desk, keys, start, kind, text):
    """Waits for the first key event of `kind` (0 press, 1 release) with
    `text` a keystroke listener hears from `start` on; its index."""
    def found():
        return next((i for i in range(start, len(keys)) if keys[i]["type"] == kind and keys[i]["text"] == text),
                    None)
    # An index past the other fields' keys: never 0, which would read as not yet.
    return desk.wait_until("a keystroke listener hears %r (%d)" % (text, kind), found)


def no_keys_of_password_field(keys, passwords):
    """Nothing a keystroke listener heard while the password field had the
    focus: no key event at all, so none with a password's character as its
    text or key symbol (told without the characters)."""
    secret = set("".join(passwords))
    with_secret = [k for k in keys if k["text"] in secret or key_symbol_character(k["id"]) in secret]
    check(not keys, "a keystroke listener heard %d key events of the password field, %d with a character of a "
          "password" % (len(keys), len(with_secret)))


# A password manager's auto-type into the sign-in form (the user name, Tab, the
# password, Return) as fast as it comes: (ms between keys, whether a listener
# answering 50 ms late hears too, whether the last character of the user name
# is held over the Tab into the password field and the password's last over a
# Tab out of it, where Return then signs in, the field clicked while keys may
# still wait: the Password field in the Tab's place, the Server URL field
# after the password).
AUTO_TYPE = [(0, False, False, None), (12, False, False, None), (0, True, False, None), (12, True, False, None),
             (12, True, True, None), (12, True, False, "Server URL"), (0, True, False, "Password")]
# None of the test user's characters, so that any of these heard is the password's.
AUTO_TYPED_PASSWORD = "S3c#et-pQss"


def auto_type_signs_in_as_typed(desk, listeners, delay, held, click):
    """One row of AUTO_TYPE: each field reads what was typed into it, the
    listeners hear the user name and nothing of the password (press or
    release), and the password that reaches the server is the one typed,
    checked the way the server does."""
    user, secret = desk.user, AUTO_TYPED_PASSWORD
    row = "delay %d, held %s, click %s" % (delay, held, click)
    check(not set(user) & set(secret) and user[-1].isalnum(), "pick another password for user %r" % user)
    for name in ("Password", "Username"):
        fill(desk, name, "")
    fields = {name: desk.find(name, where=lambda n: "text" in n.role)
              for name in ("Server URL", "Username", "Password")}
    marks = [len(heard) for heard in listeners]
    sent = len(desk.relay.requests)
    if held:
        desk.type(user[:-1], delay)
        desk.hold_over(user[-1], "Tab", delay)
        desk.type(secret[:-1], delay)
        desk.hold_over(secret[-1], "Tab", delay)
    elif click == "Password":
        desk.type(user, delay)
        desk.click(fields[click])
        desk.type(secret, delay)
    else:
        desk.type("%s\t%s" % (user, secret), delay)
    if click == "Server URL":
        desk.click(fields[click])
    desk.key("Return")
    pings = lambda: [urllib.parse.parse_qs(urllib.parse.urlsplit(r).query) for r in desk.relay.requests[sent:]
                     if urllib.parse.urlsplit(r).path.startswith("/rest/ping")]
    ping = desk.wait_until("the sign-in reaches the server (%s)" % row, lambda: pings())[0]
    check(ping["u"] == [user] and ping["t"] == [hashlib.md5((secret + ping["s"][0]).encode()).hexdigest()],
          "the server did not get the user name and password typed (%s): user %r" % (row, ping["u"]))
    desk.wait_until("the form is back", lambda: desk.find("Username", role="text").has(STATE_ENABLED))
    for name, text in (("Server URL", desk.url), ("Username", user), ("Password", "\u2022" * len(secret))):
        texts = [t for call, t in desk.a11y.readings(fields[name]) if call == "GetText"]
        check(texts == [text], "the %s field reads %r (%s)" % (name, texts, row))
    # End in the Username field: once a listener hears it, it has heard all
    # it was told of before.
    desk.click(desk.find("Username", role="text"))
    desk.key("End")
    for heard, mark in zip(listeners, marks):
        heard = heard[mark:key_heard(desk, heard, mark, 1, "End")]
        check(typed(heard) == user, "a listener heard %r typed" % typed(heard))
        of_password = [k for k in heard if {k["text"], key_symbol_character(k["id"])} & set(secret)]
        check(not of_password, "a listener heard %d key events with a character of the password (%s)"
              % (len(of_password), row))


def clear_button_of_search(desk):
    """The search field's Clear button is on the tree below the field, and a
    screen reader's press on it empties the field."""
    field = desk.find("Search", role="text")
    clear = desk.find("Clear", role="push button", where=lambda n: n.rect[1] < field.rect[1] + field.rect[3])
    check(desk.a11y.parent(clear) == field.ref[1], "the Clear button names another parent")
    check(clear.ref[1] in desk.a11y.children(field), "the search field does not list its Clear button")
    desk.press(clear)
    desk.wait_until("the search field is empty",
                    lambda: [t for c, t in desk.a11y.readings(field) if c == "GetText"] == [""])
    desk.wait_gone("Clear", role="push button")


def first_run(desk):
    desk.start_relay()
    desk.launch()
    heard = desk.a11y.listen_text_changes()
    keys = desk.listen_keys()
    sign_in_screen_shows(desk)
    desk.shot("connect")
    # A screen reader hears the keys typed into the other fields (it echoes
    # them), and none of those typed into the password field.
    fill(desk, "Server URL", desk.url)
    desk.wait_until("a keystroke listener hears the address typed", lambda: typed(keys).endswith(desk.url))
    fill(desk, "Username", desk.user)
    desk.wait_until("a keystroke listener hears the user name typed", lambda: typed(keys).endswith(desk.user))
    before_password = len(keys)
    fill(desk, "Password", "not-the-password")
    form_keeps_the_password(desk, "not-the-password")
    password_path = desk.find("Password", where=lambda n: "text" in n.role).ref[1]
    desk.click(desk.find("Connect", role="push button"))
    desk.find("Wrong username or password.", timeout=15)
    desk.shot("wrong-password")
    check(desk.keyring_password() is None, "a refused password reached the keyring")
    slow_keys = None
    for delay, slow, held, click in AUTO_TYPE:
        if slow and slow_keys is None:
            slow_keys = desk.listen_keys(late=0.05)
        auto_type_signs_in_as_typed(desk, [keys] + ([slow_keys] if slow else []), delay, held, click)
    desk.stop_listening(slow_keys)
    # The first row emptied the password field unheard, then the Username
    # field, whose Ctrl+A was the next key heard.
    emptied = key_heard(desk, keys, before_password, 0, "Control_L")
    no_keys_of_password_field(keys[before_password:emptied], ["not-the-password"])

    before_password = len(keys)
    fill(desk, "Password", desk.password)
    # Tab leaves the password field for the first field, whose keys are
    # heard again, from the Control of the Ctrl+A there on: the Tab goes
    # unheard, its release as its press did.
    desk.key("Tab")
    desk.wait_until("Tab moves on to the address", lambda: desk.find("Server URL", role="text").has(STATE_FOCUSED))
    # A paste lands in the password field, and Return there signs in. End
    # after the copy is the last key heard before the field's.
    desk.key("ctrl+a", "ctrl+c", "End")
    tab_left = key_heard(desk, keys, before_password, 0, "Control_L")
    no_keys_of_password_field(keys[before_password:tab_left], ["not-the-password", desk.password])
    before_paste = key_heard(desk, keys, tab_left, 1, "End") + 1
    password_field = desk.find("Password", where=lambda n: "text" in n.role)
    desk.click(password_field)
    desk.key("ctrl+a", "ctrl+v")
    desk.wait_until("the address is pasted into the password field", lambda: [
        t for c, t in desk.a11y.readings(password_field) if c == "GetText"] == ["\u2022" * len(desk.url)])
    fill(desk, "Password", desk.password)
    desk.key("Return")
    desk.find("Home", where=in_sidebar, timeout=15)
    desk.wait_gone("Connect to Your Server")
    desk.shot("signed-in")
    no_password_in_text_events(desk, heard, password_path, ["not-the-password", desk.password])
    del heard[:]
    desk.wait_until("the keyring holds the password", lambda: desk.keyring_password() == desk.password)
    # The main window: the sidebar, the search field, the empty bar, and
    # Home with the featured carousel over the album rows.
    desk.find("Search", role="text")
    desk.find("Not Playing", where=in_bar)
    desk.find("FEATURED", role="label", where=in_content, timeout=15)
    desk.find("Featured album 1 of 5", where=in_content)
    featured = desk.find(contains="Open album ", where=in_content)
    check(featured.name[len("Open album "):] in ALBUMS, "the carousel features %r" % featured.name)
    # The rows with albums, in their order; the recently added and random
    # ones always have some.
    seen = home_row_headers(desk)
    desk.shot("home")
    header = scroll_home_to(desk, "Random Albums")
    seen += [h for h in home_row_headers(desk) if h not in seen]
    check(seen == [h for h in HOME_ROWS if h in seen] and {"Recently Added", "Random Albums"} <= set(seen),
          "Home's rows: %s" % seen)
    # A row's strip moves with a sideways wheel.
    in_row = lambda n: in_content(n) and header.rect[1] < n.rect[1] < header.rect[1] + 260
    titles = lambda: {n.name: n.rect[0] for n in desk.visible(role="label") if in_row(n) and n.name in ALBUMS}
    before = titles()
    desk.wheel_sideways((SCREEN[0] // 2, header.rect[1] + 120), 2)
    desk.wait_until("the row moves sideways from %s" % before,
                    lambda: any(titles().get(name, x) < x for name, x in before.items()))

    # The search field's Clear button, as a screen reader finds and presses it.
    fill(desk, "Search", "Aster")
    # Its Ctrl+A is the first key heard since the password field's: the
    # Return there went unheard, its release as its press did.
    searched = key_heard(desk, keys, before_paste, 0, "Control_L")
    no_keys_of_password_field(keys[before_paste:searched], [desk.password])
    clear_button_of_search(desk)
    # Another sidebar row sets the field's text from the program: the bus
    # tells of it (so it would tell of a password's too).
    fill(desk, "Search", "Aster")
    sidebar(desk, "Albums")
    search_path = desk.find("Search", role="text").ref[1]
    desk.wait_until("the bus tells of the search text's reset",
                    lambda: desk.a11y.pump(0.2) or (search_path, "delete", "Aster") in heard)
    desk.quit()


def listen(desk):
    desk.seed_account()
    desk.launch()
    open_album_from_home_row(desk, "Recently Added", "First Light")
    desk.shot("album")
    song = desk.find_steady("Paper Boats", role="push button", where=in_content)
    desk.double_click(song)
    wait_bar_title(desk, "Paper Boats")
    # The songs are three seconds long: repeating one holds the album on the
    # song played (off, all, one), so a song follows it however slow the run.
    for _ in range(2):
        desk.click(bar_button(desk, "Repeat"))
    desk.wait_until("repeat turns on", lambda: bar_button(desk, "Repeat").has(STATE_CHECKED))
    desk.double_click(song)
    wait_bar_title(desk, "Paper Boats")

    position_moves(desk)
    desk.shot("playing")
    current = pause(desk)
    check(current == "Paper Boats", "the bar shows %r" % current)

    # Up Next names its rows: the song after this one is one more button
    # with its title while the popover is open.
    following = "Slow Orbit"
    named = lambda: len([n for n in desk.visible(following, role="push button") if in_content(n)])
    before = named()
    desk.click(bar_button(desk, "Up Next"))
    desk.wait_until("Up Next lists %r" % following, lambda: named() > before)
    desk.shot("up-next")
    desk.key("Escape")
    desk.wait_until("Up Next closes", lambda: named() == before)

    # Next, then back.
    for button, title in [("Next", following), ("Previous", current)]:
        desk.click(bar_button(desk, button))
        wait_bar_title(desk, title)
    # Moving on starts playing again: pause, so the song stays while the
    # journey likes it.
    current = pause(desk)
    check(current == "Paper Boats", "the bar shows %r" % current)

    # A screen reader plays a song from Up Next with its row's press action:
    # the song after next, whose row is the popover's, not the album page's
    # row of the same title.
    later = "Glass Harbour"
    page_rows = {n.rect for n in desk.visible(later, role="push button")}
    desk.click(bar_button(desk, "Up Next"))
    row = desk.wait_until("Up Next lists %r" % later,
                          lambda: next((n for n in desk.visible(later, role="push button")
                                        if in_content(n) and n.rect not in page_rows), None))
    desk.press(row)
    wait_bar_title(desk, later)
    desk.key("Escape")
    desk.wait_gone("Up Next", role="label")
    current = pause(desk)
    check(current == later, "the bar shows %r" % current)
    desk.click(bar_button(desk, "Repeat"))  # one → off
    desk.wait_until("repeat turns off", lambda: not bar_button(desk, "Repeat").has(STATE_CHECKED))

    for name in ("Shuffle", "Repeat"):
        desk.click(bar_button(desk, name))
        desk.wait_until(name + " turns on", lambda: bar_button(desk, name).has(STATE_CHECKED))
    desk.shot("shuffle-repeat")
    desk.click(bar_button(desk, "Shuffle"))
    desk.wait_until("shuffle turns off", lambda: not bar_button(desk, "Shuffle").has(STATE_CHECKED))
    for _ in range(2):  # repeat: all → one → off
        desk.click(bar_button(desk, "Repeat"))
    desk.wait_until("repeat turns off", lambda: not bar_button(desk, "Repeat").has(STATE_CHECKED))

    desk.click(bar_button(desk, "Like"))
    bar_button(desk, "Unlike")
    sidebar(desk, "Liked Songs")
    desk.find(current, where=in_content, timeout=10)
    desk.shot("liked-songs")
    # Leave the server as found.
    desk.click(bar_button(desk, "Unlike"))
    bar_button(desk, "Like")
    desk.find("No Liked Songs", role="heading", where=in_content)
    desk.quit()


def find(desk):
    desk.seed_account()
    desk.launch()
    fill(desk, "Search", "Aster")
    desk.find("Aster Vale", where=lambda n: n.rect[1] < 400, timeout=10)
    desk.shot("search-artist")
    desk.click(desk.find("Aster Vale", role="label", where=lambda n: n.rect[0] > SCREEN[0] // 2))
    desk.find("Back", role="push button", where=in_content, timeout=10)
    desk.find("Aster Vale", where=in_content)
    # The pane lists the artist's albums, newest first, once the page has
    # slid in and laid its tiles out, and it stays so.
    desk.find("Tidal Works", role="label", where=in_content, timeout=10)
    desk.find("First Light", role="label", where=in_content)

    def places():
        newest = desk.find("Tidal Works", role="label", where=in_content)
        oldest = desk.find("First Light", role="label", where=in_content)
        return (newest.rect[1], newest.rect[0]), (oldest.rect[1], oldest.rect[0])

    for _ in range(2):
        newest, oldest = desk.wait_steady("the artist's albums", places)
        check(newest < oldest, "the pane does not list Tidal Works (2021) before First Light (2019)")
    check(not [n for n in desk.visible("Copper Hours") if in_content(n)], "the pane lists another artist's album")
    desk.shot("artist")

    fill(desk, "Search", "Neap")
    desk.click(desk.find("Neap", role="label", where=lambda n: n.rect[0] > SCREEN[0] // 2, timeout=10))
    desk.find("Tidal Works", role="heading", where=in_content, timeout=10)
    desk.find("Neap", role="push button", where=in_content)
    desk.shot("album-of-song")
    desk.quit()


def playlist_titles(desk):
    """The playlist's song titles as the page lists them, top to bottom."""
    rows = [n for n in desk.visible(role="push button") if in_content(n) and n.rect[1] > 200]
    known = {"Dawn Chorus", "Paper Boats", "Slow Orbit", "Glass Harbour", "Last Ferry",
             "Verdigris", "Half Past Nine", "Low Brass Lullaby", "Patina"}
    return [n.name for n in sorted(rows, key=lambda n: n.rect[1]) if n.name in known]


def drag_album_to_playlist(desk, album):
    title = desk.find(album, role="label", where=in_content, timeout=15)
    x, y, w, _ = title.rect
    # The dragged cover's hot spot is 55 points into it: pressed there, the
    # hot spot stays under the pointer.
    desk.drag((x + 55, y - w - COVER_GAP + 55), desk.find(PLAYLIST, role="list item", where=in_sidebar))
    time.sleep(0.5)


def organise(desk):
    desk.seed_account()
    desk.launch()
    desk.click(desk.find("New Playlist", where=in_sidebar, timeout=15))
    desk.find("Create", role="push button")
    desk.type(PLAYLIST)
    desk.key("Return")
    desk.find(PLAYLIST, where=in_sidebar, timeout=10)
    desk.shot("created")

    # The first album from its tile's menu, the second dragged onto the row.
    sidebar(desk, "Albums")
    title = desk.find("First Light", role="label", where=in_content, timeout=15)
    desk.right_click((title.center[0], title.rect[1] - 60))
    desk.click(desk.find("Add to Playlist", role="menu item", timeout=5))
    entry = desk.find(PLAYLIST, role="menu item", where=lambda n: not in_sidebar(n), timeout=5)
    desk.shot("add-to-playlist")
    desk.click(entry)
    # The rows above the bar: the first album, then the second's first song.
    order = ["Dawn Chorus", "Paper Boats", "Slow Orbit", "Glass Harbour", "Last Ferry", "Verdigris"]
    sidebar(desk, PLAYLIST)
    desk.wait_until("the playlist lists the first album (it shows %s)" % playlist_titles(desk),
                    lambda: playlist_titles(desk) == order[:5], timeout=15)
    sidebar(desk, "Albums")
    drag_album_to_playlist(desk, "Copper Hours")
    sidebar(desk, PLAYLIST)
    desk.wait_until("the playlist lists both albums (it shows %s)" % playlist_titles(desk),
                    lambda: playlist_titles(desk)[:6] == order, timeout=15)
    desk.shot("filled")

    # What a screen reader reads of the page: the name as its heading, the
    # kind and the counts; a row's press action plays it.
    desk.find(PLAYLIST, role="heading", where=in_content)
    desk.find("PLAYLIST", role="label", where=in_content)
    desk.find(contains=" songs", role="label", where=in_content)
    desk.press(desk.find("Paper Boats", role="push button", where=in_content))
    desk.wait_until("the bar plays Paper Boats (it shows %s)" % bar_title(desk),
                    lambda: bar_title(desk) == "Paper Boats", timeout=15)
    desk.click(bar_button(desk, "Pause"))

    last = desk.find("Last Ferry", role="push button", where=in_content)
    first = desk.find("Dawn Chorus", role="push button", where=in_content)
    desk.drag(last, (first.center[0], first.rect[1] + 2))
    expected = ["Last Ferry"] + order[:4] + ["Verdigris"]
    desk.wait_until("Last Ferry moves to the top", lambda: playlist_titles(desk)[:6] == expected)
    desk.shot("reordered")
    desk.quit()

    desk.launch()
    sidebar(desk, PLAYLIST)
    desk.wait_until("the order after a restart (%s)" % playlist_titles(desk),
                    lambda: playlist_titles(desk)[:6] == expected, timeout=15)
    desk.shot("after-restart")

    # Leave the server as found.
    desk.right_click(desk.find(PLAYLIST, where=in_sidebar))
    desk.click(desk.find("Delete Playlist…", timeout=5))
    desk.wait_gone(PLAYLIST, timeout=10)
    desk.quit()


def data_file(desk, name):
    return os.path.join(desk.env["XDG_DATA_HOME"], "Lirna", name)


def downloaded_files(desk):
    """The songs kept on disk."""
    folder = data_file(desk, "Downloads")
    found = []
    for root, _, files in os.walk(folder):
        found += [os.path.relpath(os.path.join(root, f), folder) for f in files if f.endswith((".mp3", ".flac"))]
    return sorted(found)


def leave(desk):
    desk.seed_account()
    desk.launch()
    open_album_from_grid(desk, "Copper Hours")
    desk.double_click(desk.find_steady("Patina", role="push button", where=in_content))
    wait_bar_title(desk, "Patina")
    desk.click(bar_button(desk, "Pause"))
    # A download to keep: the album, from its tile's menu.
    desk.click(desk.find("Back", role="push button", where=in_content))
    title = desk.find("Copper Hours", role="label", where=in_content, timeout=15)
    desk.right_click((title.center[0], title.rect[1] - 60))
    desk.click(desk.find("Download", role="menu item", timeout=5))
    sidebar(desk, "Downloads")
    desk.find("Copper Hours", role="label", where=in_content, timeout=10)
    desk.find(contains="4 songs · ", role="label", where=in_content, timeout=20)
    desk.shot("downloaded")
    desk.quit()
    for name in ("session.json", "location.json"):
        check(os.path.exists(data_file(desk, name)), name + " was not written")
    kept = downloaded_files(desk)
    check(len(kept) == 4, "the download left %s on disk" % kept)

    desk.launch()
    desk.find("Home", where=in_sidebar, timeout=15)
    desk.key("ctrl+comma")
    desk.click(desk.find("Log Out", role="push button", timeout=10))
    sign_in_screen_shows(desk)
    desk.shot("logged-out")
    # The stop's own checkpoint comes a second later and must not write the
    # session again.
    time.sleep(1.5)
    check(desk.keyring_password() is None, "the keyring still holds the password")
    conf = configparser.ConfigParser()
    conf.read(os.path.join(desk.env["XDG_CONFIG_HOME"], "Lirna", "Lirna.conf"))
    for key in ("serverurl", "username"):
        check(not conf.has_option("General", key), "the preferences still hold " + key)
    for name in ("session.json", "location.json"):
        check(not os.path.exists(data_file(desk, name)), name + " is still there")
    check(downloaded_files(desk) == kept, "the downloads were removed: %s" % downloaded_files(desk))
    desk.quit()

    desk.launch()
    sign_in_screen_shows(desk)
    desk.shot("next-start")
    desk.quit()


def album_song_ids(desk, album):
    """The ids of an album's songs on the server, in track order."""
    listed = desk.rest("getAlbumList2", type="alphabeticalByName", size=50)["albumList2"]["album"]
    found = [a["id"] for a in listed if a["name"] == album]
    check(found, "the server has no album %r" % album)
    return [song["id"] for song in desk.rest("getAlbum", id=found[0])["album"]["song"]]


def offline(desk):
    # The program talks to the server through a relay the journey cuts later,
    # as if the server were stopped; the playlist is the journey's own, made
    # on the server as another device would.
    desk.start_relay()
    desk.rest("createPlaylist", name=OFFLINE_PLAYLIST, songId=album_song_ids(desk, "Night Psalms"))
    desk.seed_account()
    desk.launch()
    # An album opened before the cut keeps its page.
    open_album_from_grid(desk, "First Light")
    desk.find("Dawn Chorus", role="push button", where=in_content)

    desk.right_click(desk.find(OFFLINE_PLAYLIST, where=in_sidebar, timeout=15))
    desk.click(desk.find("Download", role="menu item", timeout=5))
    sidebar(desk, "Downloads")
    desk.find(OFFLINE_PLAYLIST, role="label", where=in_content, timeout=10)
    desk.find(contains="%d songs · " % len(OFFLINE_SONGS), role="label", where=in_content, timeout=20)
    desk.shot("downloaded")

    desk.relay.cut()
    # A page with nothing kept for it says the server cannot be reached in
    # its place; the pages that have something keep it under the banner.
    sidebar(desk, "Songs")
    desk.find("Can't reach your server", where=in_content, timeout=15)
    desk.shot("server-stopped")
    sidebar(desk, "Downloads")
    banner = desk.find("Can't reach your server", where=in_content)
    desk.find("Downloaded music still plays.", where=lambda n: in_content(n) and n.rect[1] < banner.rect[1] + 40)
    # The page is in place at once (the sidebar switches pages without a
    # slide): once its playlist stands still, the notice is already gone.
    desk.find_steady(OFFLINE_PLAYLIST, role="label", where=in_content)
    check(not desk.visible(contains="Check that your music server"), "the full-page notice is still showing")

    # The playlist plays from disk: there is nothing else to play it from.
    name = desk.find(OFFLINE_PLAYLIST, role="label", where=in_content)
    desk.move(name.rect[0] + 40, name.rect[1] - 60)
    desk.click(desk.find("Play " + OFFLINE_PLAYLIST, where=in_content, timeout=5))
    desk.wait_until("the bar shows a song of the playlist", lambda: bar_title(desk) in OFFLINE_SONGS)
    position_moves(desk)
    desk.shot("playing-offline")

    # What was loaded before the cut stays usable.
    sidebar(desk, "Albums")
    open_album_from_grid(desk, "First Light")
    desk.find("Last Ferry", role="push button", where=in_content)
    desk.find("Can't reach your server", where=in_content)
    desk.shot("cached-album")

    desk.relay.restore()
    desk.click(desk.find("Try Again", role="push button", where=in_content))
    desk.wait_gone("Can't reach your server", timeout=15)
    desk.find("First Light", role="heading", where=in_content)
    desk.shot("recovered")

    # Leave the server as found: the playlist goes, through its menu, which
    # now offers to remove its download.
    desk.right_click(desk.find(OFFLINE_PLAYLIST, where=in_sidebar))
    desk.find("Remove Download", role="menu item", timeout=5)
    desk.click(desk.find("Delete Playlist…", timeout=5))
    desk.wait_gone(OFFLINE_PLAYLIST, timeout=10)
    desk.quit()


def tidy_server(desk):
    """Puts back what a failed journey may have left on the shared server."""
    starred = desk.rest("getStarred2").get("starred2", {})
    songs = [song["id"] for song in starred.get("song", [])]
    if songs:
        desk.rest("unstar", id=songs)
    for playlist in desk.rest("getPlaylists").get("playlists", {}).get("playlist", []):
        if playlist["name"] in (PLAYLIST, OFFLINE_PLAYLIST):
            desk.rest("deletePlaylist", id=playlist["id"])


JOURNEYS = {"first_run": first_run, "listen": listen, "organise": organise, "offline": offline, "find": find,
            "leave": leave}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("journey", choices=sorted(JOURNEYS))
    args = parser.parse_args()

    desk = Desk(args.journey, args.app, args.server, args.out)
    started = time.monotonic()
    try:
        desk.start_screen()
        desk.isolate_bus_services()
        desk.start_keyring()
        desk.prepare_gstreamer()
        JOURNEYS[args.journey](desk)
    except JourneyFailure as failure:
        try:
            desk.shot("failure")
        except Exception:  # the screen may be the thing that failed
            pass
        print("journey %s failed: %s" % (args.journey, failure), flush=True)
        print("program output:\n" + desk.output(), flush=True)
        return 1
    finally:
        desk.close()
        try:
            tidy_server(desk)
        except OSError as error:
            print("could not tidy the server: %s" % error, flush=True)
    print("journey %s passed in %.1f s" % (args.journey, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
