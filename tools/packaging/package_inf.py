"""The package INF of a release: the sections the program runs, in the order it
expects, with the release's files, names, Start-menu items and settings key;
CR LF line ends, padded with comment lines to the exact length that the program
cuts out of the package."""
from collections import namedtuple

INF_SIZE = 2518
LINE_WIDTH = 78          # a padding line, CR LF included
SHORTEST_PADDING = 3     # ";" CR LF
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmor32"
GROUP_LINE = 'setup.ini, progman.groups,,"group42=Velmora"'
# Characters with a meaning of their own in an unquoted INF field.
INF_SPECIAL = ';,="%'

# files: the payload's names in list order; shortcuts: (title, file) pairs in menu
# order; settings_key: the key below HKEY_CURRENT_USER that removal deletes, or None.
Release = namedtuple("Release", "files display_name shortcuts settings_key")


class InfTooLong(ValueError):
    def __init__(self, size, over, name_length, names_that_fit):
        super().__init__(f"the package INF would be {size} bytes, {over} over its {INF_SIZE}; "
                         f"about {names_that_fit} names of {name_length} characters fit")
        self.names_that_fit = names_that_fit


def escaped(text):
    """text for the inside of a quoted INF string: a quote is written twice, and
    %% keeps a percent sign from being read as the start of a substitution."""
    return text.replace('"', '""').replace("%", "%%")


def quoted(text):
    return '"' + escaped(text) + '"'


def field(text):
    """text as an INF field: bare where the INF would read it back unchanged."""
    bare = text == text.strip(" \t") and not text.startswith("[") and \
        not any(char in text for char in INF_SPECIAL)
    return text if bare else quoted(text)


def menu_item(title, name):
    """The setup.ini entry that adds one Start-menu item for the installed file
    name: "title", "command",,, Velmor32, quoted for the INF."""
    return f'"""{escaped(title)}"", ""%32769%\\{escaped(name)}"",,, Velmor32"'


def menu_removal(title):
    """The setup.ini entry that removes the item: its title alone."""
    return f'"""{escaped(title)}"""'


def sections(release):
    """The INF's lines, without line ends; an empty string is an empty line."""
    names = [field(name) for name in release.files]
    # A group without items would be made empty and never removed.
    group = [GROUP_LINE] if release.shortcuts else []
    del_reg = ["HKLM," + UNINSTALL_KEY]
    if release.settings_key is not None:
        del_reg.append("HKCU," + field(release.settings_key))
    return [
        "; DO NOT DELETE THIS FILE",
        "; IT IS NEEDED FOR UNINSTALL",
        "",
        "[Version]",
        'Signature="$CHICAGO$"',
        "",
        "[DefaultInstall]",
        "CopyFiles=Velmor32.CopyFiles",
        "UpdateInis=Velmor32.Links",
        "AddReg=Velmor32.AddRegEntries",
        "",
        "[DefaultUninstall]",
        "DelFiles=Velmor32.CopyFiles",
        "UpdateInis=Velmor32.Links.Remove",
        "DelReg=Velmor32.DelRegEntries",
        "",
        "[Velmor32.CopyFiles]",
        *names,
        "Install.inf",
        "uninst.exe",
        "",
        "[SourceDisksNames]",
        f"42={quoted(release.display_name)},data.cab,,",
        "",
        "[SourceDisksFiles]",
        *[f"{name}=42" for name in names],
        "Install.inf=42",
        "",
        "[DestinationDirs]",
        "Velmor32.CopyFiles=32769,",
        "",
        "[Velmor32.AddRegEntries]",
        f'HKLM,{UNINSTALL_KEY},"DisplayName",,{quoted(release.display_name)}',
        f'HKLM,{UNINSTALL_KEY},"UninstallString",,"%32769%\\uninst.exe"',
        "",
        "[Velmor32.DelRegEntries]",
        *del_reg,
        "",
        "[Velmor32.Links]",
        *group,
        *[f"setup.ini, group42,,{menu_item(title, name)}" for title, name in release.shortcuts],
        "",
        "[Velmor32.Links.Remove]",
        *group,
        *[f"setup.ini, group42,,{menu_removal(title)}" for title, _ in release.shortcuts],
    ]


def padding_lines(count):
    """Comment lines of exactly count bytes in all; each is ';', blanks, CR LF."""
    lines = []
    while count:
        width = min(count, LINE_WIDTH)
        if 0 < count - width < SHORTEST_PADDING:  # leave room for a last line of ';' CR LF
            width -= SHORTEST_PADDING
        lines.append(b";" + b" " * (width - SHORTEST_PADDING) + b"\r\n")
        count -= width
    return b"".join(lines)


def encode(lines):
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def fill(lines, size):
    """The lines made exactly size bytes long. One or two bytes short are too few
    for a comment line of their own: the last empty lines become ";" instead."""
    room = size - len(encode(lines))
    if room < SHORTEST_PADDING:
        empty = [index for index, line in enumerate(lines) if line == ""]
        lines = list(lines)
        for index in empty[len(empty) - room:]:
            lines[index] = ";"
        return encode(lines)
    return encode(lines) + padding_lines(room)


def names_that_fit(release, name_length):
    """About how many payload names of name_length characters the INF has room
    for beside the rest of this release: each takes a line in two sections."""
    free = INF_SIZE - len(encode(sections(release._replace(files=[]))))
    return max(0, free // (2 * (name_length + len("\r\n")) + len("=42")))


def package_inf(release, size=INF_SIZE):
    """The INF bytes, exactly size long; InfTooLong when the release needs more."""
    lines = sections(release)
    length = len(encode(lines))
    if length > size:
        average = round(sum(map(len, release.files)) / max(1, len(release.files)))
        raise InfTooLong(length, length - size, average, names_that_fit(release, average))
    return fill(lines, size)
