"""Whether a sampled QeltService.log is well formed and within its size cap."""

import datetime
import re

CAP_BYTES = 2048
LINE = re.compile(
    rb"\[(\d{4})\.(\d{2})\.(\d{2}) (\d{2}):(\d{2}):(\d{2}) "
    rb"(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday)\]\t\[QeltService\]: (.*)"
)

# What the service writes when it is installed by hand and its companion ends at once, with
# the soak's hotfix offered and refused. Anything else in this run is a fault.
EXPECTED_MESSAGES = {
    b"QltWatch install success!",
    b"QeltWatch already installed!",
    b"StartServiceCtrlDispatcher failed!",
    b"QeltWatch start!",
    b"StartService success!",
    b"getHotfixVersion failed!",
    b"qelt-monitor start success!",
    b"qelt-monitor  exit!",
    b"hotfix not trusted: C:\\Program Files\\Qelt Soak\\hotfix\\hotfixs.exe writable by Everyone",
}


class LogFault(Exception):
    pass


def split_lines(data):
    """The file's complete lines (each with its CR LF) and the bytes after the last CR LF."""
    lines = []
    start = 0
    while True:
        end = data.find(b"\r\n", start)
        if end < 0:
            return lines, data[start:]
        lines.append(data[start:end + 2])
        start = end + 2


def check_line(line, earliest, latest):
    """Raises LogFault unless the line is stamp, TAB, tag, blank, an expected message, CR LF,
    with a real date whose weekday is right and a time within [earliest, latest] (UTC)."""
    match = LINE.fullmatch(line[:-2])
    if match is None or b"\r" in line[:-2] or b"\n" in line[:-2]:
        raise LogFault(f"malformed line {line!r}")
    year, month, day, hour, minute, second = (int(g) for g in match.groups()[:6])
    try:
        moment = datetime.datetime(year, month, day, hour, minute, second)
    except ValueError:
        raise LogFault(f"impossible time stamp in {line!r}") from None
    if moment.strftime("%A").encode() != match.group(7):
        raise LogFault(f"weekday does not match the date in {line!r}")
    if not earliest <= moment <= latest:
        raise LogFault(f"time stamp outside the run ({earliest} to {latest}) in {line!r}")
    if match.group(8) not in EXPECTED_MESSAGES:
        raise LogFault(f"unexpected message in {line!r}")


def check_log(data, earliest, latest):
    """Checks one complete sample of the file; returns (size, length of its last line)."""
    lines, rest = split_lines(data)
    if rest:
        raise LogFault(f"the file ends inside a line: {rest!r}")
    for line in lines:
        check_line(line, earliest, latest)
    last = len(lines[-1]) if lines else 0
    if len(data) - last > CAP_BYTES:
        raise LogFault(f"{len(data)} bytes: more than {CAP_BYTES} bytes before the last line")
    return len(data), last
