#!/usr/bin/env python3
"""Writes the release zip and SHA256SUMS (for the exe and the zip) beside Glimra3.exe.

The same commit gives the same bytes wherever and whenever it is built: the entries go in name
order with fixed modes and no owner, and every date in the zip is the commit's date, or
SOURCE_DATE_EPOCH when that is set.
Arguments: Glimra3.exe, readme.txt, the zip's file name, the source folder.
"""
import hashlib
import os
import subprocess
import sys
import time
import zipfile

# 1980-01-01 00:00:00 UTC, the earliest date a zip entry can hold.
ZIP_EPOCH = 315532800


def release_epoch(source_dir):
    if os.environ.get('SOURCE_DATE_EPOCH'):
        return int(os.environ['SOURCE_DATE_EPOCH'])
    try:
        out = subprocess.run(['git', '-C', source_dir, 'log', '-1', '--format=%ct'],
                             capture_output=True, text=True, check=True).stdout
        return int(out.strip())
    except (OSError, subprocess.CalledProcessError, ValueError):
        # A source tarball has no history (or no git); a fixed date keeps the zip reproducible.
        print('make_release.py: no commit date in %s and no SOURCE_DATE_EPOCH; '
              'the zip is dated 1980-01-01' % source_dir, file=sys.stderr)
        return ZIP_EPOCH


def sha256(path):
    with open(path, 'rb') as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    exe, readme, zip_name, source_dir = sys.argv[1:5]
    out_dir = os.path.dirname(os.path.abspath(exe))
    zip_path = os.path.join(out_dir, zip_name)
    # Zip dates have no time zone; UTC keeps them independent of the builder's.
    date = time.gmtime(max(release_epoch(source_dir), ZIP_EPOCH))[:6]
    entries = sorted([(os.path.basename(exe), exe, 0o755), ('readme.txt', readme, 0o644)])

    partial = zip_path + '.partial'
    with zipfile.ZipFile(partial, 'w') as z:
        for name, path, mode in entries:
            info = zipfile.ZipInfo(name, date)
            info.create_system = 3  # Unix, so unzip applies the mode below
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, 'rb') as f:
                z.writestr(info, f.read())
    os.replace(partial, zip_path)

    # "hash  name" lines, as sha256sum writes them: `sha256sum -c SHA256SUMS` checks both files
    # in this folder, or in a download folder where the zip was unpacked.
    with open(os.path.join(out_dir, 'SHA256SUMS'), 'w', newline='\n') as f:
        for path in sorted([exe, zip_path], key=os.path.basename):
            f.write('%s  %s\n' % (sha256(path), os.path.basename(path)))


if __name__ == '__main__':
    main()
