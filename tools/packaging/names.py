"""What the package can carry: file names, Start-menu titles, the display name and
the settings key, each checked as the Windows file system, the package INF and
setup.ini will see it (an ASCII name that Windows keeps, the cabinet stores too).
Every check returns the reason a text cannot be carried, or None; none of them
touches the file system."""
# The names the program itself gives to the package's three pieces.
OWN_NAMES = ("uninst.exe", "install.inf", "data.cab")
WINDOWS_FORBIDDEN = '\\/:*?"<>|'
DEVICE_NAMES = {"con", "prn", "aux", "nul"} | {f"{port}{n}" for port in ("com", "lpt") for n in range(1, 10)}
MAX_COMPONENT = 255       # a Windows file name or registry key name
MAX_SHORTCUT_TITLE = MAX_COMPONENT - len(".lnk")
MAX_DISPLAY_NAME = 255
CODE_PAGE_REASON = ("the package INF is 8-bit text that the installing machine reads in its own "
                    "code page, so it would arrive as another text there; use ASCII")


def text_problem(text):
    """Characters no part of the INF can carry faithfully."""
    for char in text:
        if ord(char) > 0x7E:
            return f"holds the non-ASCII character {char!r}: {CODE_PAGE_REASON}"
        if ord(char) < 0x20:
            return f"holds the control character 0x{ord(char):02X}, which an INF line cannot carry"
    return None


def windows_name_problem(name, limit=MAX_COMPONENT):
    """Why Windows cannot keep name as one file name, or None."""
    if not name:
        return "is empty"
    problem = text_problem(name)
    if problem:
        return problem
    for char in WINDOWS_FORBIDDEN:
        if char in name:
            return f"holds {char!r}, which Windows file names cannot hold"
    if name[-1] in " .":
        return "ends with a blank or a dot, which Windows drops from file names"
    if name.split(".")[0].rstrip(" ").lower() in DEVICE_NAMES:
        return f"is the Windows device name {name.split('.')[0].upper()}, never a file"
    if len(name) > limit:
        return f"is {len(name)} characters, over the {limit} of a Windows file name"
    return None


def file_name_problem(name):
    """Why a payload file's name cannot travel in the package, or None."""
    if name.lower() in OWN_NAMES:
        return f"is the name of the package's own {name.lower()}; rename the file"
    return windows_name_problem(name)


def setup_ini_problem(text):
    """setup.ini keeps a Start-menu item as one entry: "title", "command",,, name."""
    for char in ",=":
        if char in text:
            return f"holds {char!r}, at which setup.ini splits a Start-menu item's entry"
    return None


def shortcut_title_problem(title):
    if title != title.strip(" "):
        return "begins or ends with a blank, which setup.ini drops from a Start-menu title"
    return windows_name_problem(title, MAX_SHORTCUT_TITLE) or setup_ini_problem(title)


def display_name_problem(text):
    if not text.strip(" "):
        return "is empty"
    if len(text) > MAX_DISPLAY_NAME:
        return f"is {len(text)} characters, over the {MAX_DISPLAY_NAME} an INF field holds"
    return text_problem(text)


def settings_key_problem(key):
    """The key under HKEY_CURRENT_USER that removal deletes whole, with all below it."""
    if not key:
        return "is empty"
    if key.upper().startswith(("HKCU", "HKEY_")):
        return "names a root; give the path below HKEY_CURRENT_USER, such as Software\\Maker\\Product"
    problem = text_problem(key)
    if problem:
        return problem
    parts = key.split("\\")
    if "" in parts:
        return "has an empty level (a backslash at an end or two together)"
    if len(parts) < 2:
        return "is a top-level key, which removal would delete with every other program's settings in it"
    for part in parts:
        if len(part) > MAX_COMPONENT:
            return f"has a level of {len(part)} characters, over the {MAX_COMPONENT} of a registry key name"
    return None


def duplicate_names(names):
    """Pairs of names that Windows takes for one, as it compares without regard to case."""
    seen = {}
    pairs = []
    for name in names:
        if name.lower() in seen:
            pairs.append((seen[name.lower()], name))
        else:
            seen[name.lower()] = name
    return pairs
