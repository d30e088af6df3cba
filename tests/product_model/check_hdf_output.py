"""Checks an area-cut AMSR2 product against its source with h5py.

usage: check_hdf_output.py SOURCE OUTPUT LAT_DATASET LON_DATASET LON1 LAT1 LON2 LAT2

The corners are microdegrees. The scans expected in the output are worked out here from the
source's positions: every scan after the leading overlap scans with a position inside the box
(a first corner at a longitude >= 0 with a second corner at a longitude < 0 spans the date
line). Prints FIRST_ROW, LAST_ROW and COUNT (stored rows of the source) and OK, or FAIL lines.
"""

import os
import sys

import h5py
import numpy as np

LAYERED = {"Geophysical Data", "Geophysical Data for 89A", "Geophysical Data for 89B"}
UPDATED = {
    "ProductionDateTime", "NumberOfScans", "OverlapScans", "ObservationStartDateTime", "ObservationEndDateTime",
    "GringPointLatitude", "GringPointLongitude", "NumberOfGoodPackets", "NumberMissingPackets",
    "NumberOfMissingScans", "ProductSize_MByte",
}

failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def text_of(value):
    if isinstance(value, np.ndarray):
        value = value.reshape(-1)[0]
    if isinstance(value, bytes):
        value = value.decode("utf-8")
    return str(value)


def expected_rows(src, lat_name, lon_name, corners):
    lon1, lat1, lon2, lat2 = corners
    overlap = int(text_of(src.attrs["OverlapScans"])) if "OverlapScans" in src.attrs else 0
    lat = src[lat_name][overlap:].astype(np.float64) * 1e6
    lon = src[lon_name][overlap:].astype(np.float64) * 1e6
    valid = (lat >= -90e6) & (lat <= 90e6) & (lon >= -180e6) & (lon <= 180e6)
    inside = valid & (lat >= min(lat1, lat2)) & (lat <= max(lat1, lat2))
    if lon1 >= 0 and lon2 < 0:
        inside &= ((lon >= lon1) & (lon <= 180e6)) | ((lon >= -180e6) & (lon <= lon2))
    else:
        inside &= (lon >= min(lon1, lon2)) & (lon <= max(lon1, lon2))
    return overlap + np.nonzero(inside.any(axis=1))[0], src[lat_name].shape[0]


def scan_axis(name, data):
    return 1 if data.ndim == 3 and name not in LAYERED else 0


def check_datasets(src, out, rows, stored_rows):
    if sorted(src.keys()) != sorted(out.keys()):
        fail("datasets differ: %s" % sorted(set(src.keys()) ^ set(out.keys())))
    for name in src.keys():
        if name not in out:
            continue
        s = src[name][()]
        o = out[name][()]
        axis = scan_axis(name, s)
        expected = np.take(s, rows, axis=axis) if s.shape[axis] == stored_rows else s
        if o.dtype != s.dtype:
            fail("%s: type %s, source %s" % (name, o.dtype, s.dtype))
        if o.shape != expected.shape or not np.array_equal(o, expected):
            fail("%s: values differ from the source's scans" % name)
        scale = float(np.asarray(out[name].attrs["SCALE FACTOR"]).reshape(-1)[0])
        source_scale = float(np.asarray(src[name].attrs["SCALE FACTOR"]).reshape(-1)[0])
        if abs(scale - source_scale) > 1e-6 * abs(source_scale):
            fail("%s: SCALE FACTOR %g, source %g" % (name, scale, source_scale))
        if name not in LAYERED and text_of(out[name].attrs["UNIT"]) != text_of(src[name].attrs["UNIT"]):
            fail("%s: UNIT differs" % name)


def gring(out, lat_name, lon_name, n):
    lat = out[lat_name][()]
    lon = out[lon_name][()]
    marks = [1, max(1, n // 3), max(1, 2 * n // 3), n]
    ring = [(marks[0], 0), (marks[0], -1), (marks[1], -1), (marks[2], -1), (marks[3], -1), (marks[3], 0),
            (marks[2], 0), (marks[1], 0)]
    return (",".join("%.2f" % float(lat[m - 1, p]) for m, p in ring),
            ",".join("%.2f" % float(lon[m - 1, p]) for m, p in ring))


def counters(src, rows):
    if "Scan Data Quality" not in src:
        return ("-", "-", "-")
    q = src["Scan Data Quality"][()][rows]
    words = q[:, 8].astype(np.uint32) | q[:, 9].astype(np.uint32) << 8 | q[:, 10].astype(np.uint32) << 16 | \
        q[:, 11].astype(np.uint32) << 24
    missing_scans = int(np.count_nonzero(words & 1))
    missing = sum(bin(int(w) & 0xFFFF).count("1") for w in words)
    return (str(16 * len(words) - missing), str(missing), str(missing_scans))


def check_attributes(src, out, path, rows, lat_name, lon_name):
    for name in src.attrs:
        if name not in out.attrs:
            fail("attribute %s missing" % name)
        elif name not in UPDATED and text_of(out.attrs[name]) != text_of(src.attrs[name]):
            fail("attribute %s changed" % name)
    n = len(rows)
    expect = {"NumberOfScans": str(n), "OverlapScans": "0"}
    expect["GringPointLatitude"], expect["GringPointLongitude"] = gring(out, lat_name, lon_name, n)
    good, missing, missing_scans = counters(src, rows)
    expect["NumberOfGoodPackets"] = good
    expect["NumberMissingPackets"] = missing
    expect["NumberOfMissingScans"] = missing_scans
    for name, value in expect.items():
        got = text_of(out.attrs[name]) if name in out.attrs else None
        if got != value:
            fail("attribute %s is %r, expected %r" % (name, got, value))
    size = float(text_of(out.attrs["ProductSize_MByte"]))
    if abs(size - os.path.getsize(path) / 1048576.0) > 0.1:
        fail("ProductSize_MByte %s for %d bytes" % (size, os.path.getsize(path)))


def main():
    source, output, lat_name, lon_name = sys.argv[1:5]
    corners = [int(v) for v in sys.argv[5:9]]
    with h5py.File(source, "r") as src, h5py.File(output, "r") as out:
        rows, stored_rows = expected_rows(src, lat_name, lon_name, corners)
        if len(rows) == 0:
            fail("the box selects no scan")
            return 1
        print("FIRST_ROW %d" % rows[0])
        print("LAST_ROW %d" % rows[-1])
        print("COUNT %d" % len(rows))
        check_datasets(src, out, rows, stored_rows)
        check_attributes(src, out, output, rows, lat_name, lon_name)
    if failures:
        return 1
    print("OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
