"""The program's resource ids (menu commands, dialog controls, icons), read
from resources/resource.h so that the tests name each id as the program's
source does: `from resource_ids import IDM_ZOOM_IN`, or IDS["IDM_ZOOM_IN"]."""

import os
import re

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "resource.h")

DEFINE = re.compile(r"\s*#define\s+(ID\w+)\s+(\d+)\b")


def read_ids(path=HEADER):
    """{name: number} for every `#define IDx_NAME number` line of the header."""
    with open(path) as f:
        return {m.group(1): int(m.group(2)) for m in map(DEFINE.match, f) if m}


IDS = read_ids()
globals().update(IDS)
