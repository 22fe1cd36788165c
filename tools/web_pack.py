#!/usr/bin/env python3
"""The browser build's own files, made by tools/build_web.sh:

    web_pack.py data OUT FILE...    the data package
    web_pack.py finish DIR SW_TEMPLATE

`data` packs the game's files as a tar, under the names the game opens and in
name order, compressed with LZMA in the .lzma layout with its unpacked size
written in (platform/web/lzma.cpp reads it; so does
`xz -dc --format=lzma OUT | tar -t`).

`finish` writes into DIR/loading.js the size of each file the page downloads
after itself, for its progress bar, and makes DIR/sw.js from the template
with the SHA-256 of each file it keeps, its cache named by all of them.

The same input gives the same bytes: fixed tar fields and time, and
liblzma's single-threaded encoder.
"""
import base64
import hashlib
import io
import json
import lzma
import os
import re
import struct
import sys
import tarfile

# Literal contexts of 4 bits pack the 24-bit pictures best; the window holds
# the whole tar, so a picture can match one packed long before it.
LC, LP, PB = 4, 0, 0

# What the page fetches after index.html and page.js, counted by its bar.
DOWNLOADS = ["tabletumble.js", "tabletumble.wasm", "unpack.wasm", "tabletumble.data"]
# What the service worker keeps: everything the page needs to start.
KEPT = ["index.html", "input.js", "loading.js", "page.js", "unpack_worker.js",
        "manifest.webmanifest"] + DOWNLOADS


def pack_data(out, paths):
    paths = sorted(paths, key=lambda p: os.path.basename(p).encode())
    plain = io.BytesIO()
    with tarfile.open(fileobj=plain, mode="w", format=tarfile.USTAR_FORMAT) as tar:
        for path in paths:
            with open(path, "rb") as f:
                body = f.read()
            info = tarfile.TarInfo(os.path.basename(path))
            info.size, info.mode, info.mtime = len(body), 0o644, 0
            tar.addfile(info, io.BytesIO(body))
    plain = plain.getvalue()
    window = max(1, -(-len(plain) // (1 << 20))) << 20  # whole MiB
    stream = lzma.compress(plain, format=lzma.FORMAT_RAW, filters=[{
        "id": lzma.FILTER_LZMA1, "preset": 9 | lzma.PRESET_EXTREME,
        "lc": LC, "lp": LP, "pb": PB, "dict_size": window}])
    header = bytes([(PB * 5 + LP) * 9 + LC]) + struct.pack("<IQ", window, len(plain))
    with open(out, "wb") as f:
        f.write(header + stream)


def replace_once(text, pattern, replacement, what):
    text, count = re.subn(pattern, lambda _: replacement, text, count=1)
    if count != 1:
        sys.exit(f"{what}: no place for the build's values")
    return text


def finish(folder, template):
    path = os.path.join(folder, "loading.js")
    sizes = {name: os.path.getsize(os.path.join(folder, name)) for name in DOWNLOADS}
    with open(path, encoding="utf-8") as f:
        page = f.read()
    page = replace_once(page, r"const kSizes = \{\};", f"const kSizes = {json.dumps(sizes)};", path)
    with open(path, "w", encoding="utf-8") as f:
        f.write(page)

    files, build = {}, hashlib.sha256()
    for name in KEPT:
        with open(os.path.join(folder, name), "rb") as f:
            digest = hashlib.sha256(f.read()).digest()
        files[name] = "sha256-" + base64.b64encode(digest).decode()
        build.update(f"{name} {digest.hex()}\n".encode())
    with open(template, encoding="utf-8") as f:
        worker = f.read()
    worker = replace_once(worker, "@BUILD@", build.hexdigest()[:16], template)
    worker = replace_once(worker, "@FILES@", json.dumps(files, indent=2), template)
    with open(os.path.join(folder, "sw.js"), "w", encoding="utf-8") as f:
        f.write(worker)


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "data":
        pack_data(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 4 and sys.argv[1] == "finish":
        finish(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
