#!/usr/bin/env python3
"""Generates the benchmark's trees natively, straight into the prefix's D:
drive folder, far faster than creating them through Wine. A tree whose shape
file matches what would be generated is kept as it is.

  make_trees.py DRIVE_FOLDER [CACHE_FOLDER]

creates DRIVE_FOLDER/.tarvo-bench/{wide,realistic,realistic4}. The leading
dot makes Wine show the folder as hidden, so a scan of My Computer (the
program itself, the end-to-end tests) never walks into the trees. With a
cache folder the trees are made there once and DRIVE_FOLDER/.tarvo-bench
links to it, so the prefixes of both builds share them.
"""

import os
import random
import shutil
import sys

GENERATOR = 4  # raise when the shapes below change
# Watched names spread over the trees, in the letter cases a disk would show.
WATCHED = ["VQ32W.DLL", "Pardex.exe", "hosken32.dll", "VARNOKE32.DLL", "Telmira32.Dll",
           "NOLVER.EXE"]
EXTENSIONS = ([".dll"] * 8 + [".exe"] * 4 + [".txt", ".h", ".cpp", ".png", ".ini", ".dat", ".xml",
              ".js", ".html", ".jpg", ".mp3", ".log", ".bmp", ".ico", ".chm", ".hlp", ".sys",
              ".inf", ".cfg", ".json", ".bin", ".tmp", ".cab", ".msi", ".pdf", ".doc", ".zip",
              ".ttf", ".wav", ".manifest"] * 3)
NAME_CHARS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789" * 4 + "_- ."
ACCENTED = "éüöäàçñøåÉÜÖ"
# Longest path below the drive that the trees use: the drive letter, the
# tree's folder and a name of 40 characters still stay under MAX_PATH.
MAX_RELATIVE = 180


def make_name(rng, length):
    chars = [rng.choice(NAME_CHARS) for _ in range(length)]
    # A few names carry an accented letter, as names on a user's disk do.
    if rng.random() < 0.03:
        chars[rng.randrange(length)] = rng.choice(ACCENTED)
    # Windows names neither start nor end with a space or a full stop.
    for i in (0, -1):
        if chars[i] in " .":
            chars[i] = "x"
    return "".join(chars)


def touch(path):
    os.close(os.open(path, os.O_CREAT | os.O_WRONLY, 0o644))


def write_files(rng, folder, count, relative, watched_every, counter):
    taken = set()
    for _ in range(count):
        counter[0] += 1
        if watched_every and counter[0] % watched_every == 0:
            name = WATCHED[(counter[0] // watched_every) % len(WATCHED)]
        else:
            ext = rng.choice(EXTENSIONS)
            room = max(8, min(40, MAX_RELATIVE + 40 - relative - 1))
            name = make_name(rng, max(4, rng.randint(8, room) - len(ext))) + ext
        if name.lower() in taken:
            continue
        taken.add(name.lower())
        touch(os.path.join(folder, name))


def wide(root):
    """500 folders of 100 files, file names of the same short form."""
    files = 0
    for top in range(20):
        for sub in range(25):
            folder = os.path.join(root, "top%d" % top, "folder%d" % sub)
            os.makedirs(folder)
            for i in range(100):
                name = "file%d%s" % (i, ".dll" if i % 3 else ".txt")
                if i == 0 and sub % 10 == 0:
                    name = ["VQ32W.DLL", "PARDEX.EXE", "HOSKEN32.DLL"][(top + sub) % 3]
                touch(os.path.join(folder, name))
                files += 1
    return 500, files


def realistic(root, scale):
    """20,000 folders (times scale) up to 8 levels deep with 5 to 10 files
    each, names of 8 to 40 characters, and one folder of 5,000 files per
    20,000 folders."""
    rng = random.Random(20261210 + scale)
    # Folders per level below the tree's root; 20,000 in all.
    levels = [12, 60, 250, 900, 2500, 5000, 6000, 5278]
    folders = [[(root, 0)]]
    count = 0
    for depth, size in enumerate(levels, start=1):
        level = []
        for _ in range(size * scale):
            # Folder names are mostly short, as on a user's disk; a parent
            # whose path leaves no room for one is passed over.
            for _ in range(20):
                parent, relative = rng.choice(folders[depth - 1])
                room = min(40, MAX_RELATIVE - relative - 1)
                if room >= 8:
                    break
            else:
                continue
            name = make_name(rng, min(room, int(rng.triangular(8, 40, 8))))
            path = os.path.join(parent, name)
            if os.path.exists(path):
                continue
            os.mkdir(path)
            level.append((path, relative + len(name) + 1))
            count += 1
        folders.append(level)
    every = [f for level in folders[1:] for f in level]
    big = set(rng.sample(range(len(every)), scale))
    counter = [0]
    files = 0
    for index, (folder, relative) in enumerate(every):
        n = 5000 if index in big else rng.randint(5, 10)
        before = counter[0]
        write_files(rng, folder, n, relative, 4999, counter)
        files += counter[0] - before
    return count, files


SHAPES = {
    "wide": lambda root: wide(root),
    "realistic": lambda root: realistic(root, 1),
    "realistic4": lambda root: realistic(root, 4),
}


def main():
    drive = sys.argv[1]
    base = os.path.join(drive, ".tarvo-bench")
    if len(sys.argv) > 2:
        cache = os.path.abspath(sys.argv[2])
        os.makedirs(cache, exist_ok=True)
        if os.path.islink(base):
            if os.path.realpath(base) != os.path.realpath(cache):
                os.remove(base)
        elif os.path.isdir(base):
            shutil.rmtree(base)
        os.makedirs(drive, exist_ok=True)
        if not os.path.islink(base):
            os.symlink(cache, base)
        base = cache
    os.makedirs(base, exist_ok=True)
    for name, make in SHAPES.items():
        root = os.path.join(base, name)
        shape = os.path.join(base, name + ".shape")
        want = "generator %d\n" % GENERATOR
        if os.path.exists(shape) and os.path.isdir(root):
            with open(shape) as f:
                if f.read().startswith(want):
                    print("%s: kept" % name, flush=True)
                    continue
        if os.path.exists(shape):
            os.remove(shape)
        shutil.rmtree(root, ignore_errors=True)
        os.makedirs(root)
        folders, files = make(root)
        with open(shape, "w") as f:
            f.write(want + "folders %d files %d\n" % (folders, files))
        print("%s: generated %d folders, %d files" % (name, folders, files), flush=True)


if __name__ == "__main__":
    main()
