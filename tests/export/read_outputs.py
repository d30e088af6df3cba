"""Reads the files the value exports write with readers of our own choosing: Python's csv
module for CSV files and GDAL's Python bindings for GeoTIFF files. Prints JSON.

  read_outputs.py csv PATH                 -> the rows, each a list of fields
  read_outputs.py raster PATH COLUMN ROW   -> every band's value at the pixel, and the size
"""
import csv
import json
import struct
import sys


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.reader(f))


def read_raster(path, column, row):
    from osgeo import gdal
    gdal.UseExceptions()
    ds = gdal.Open(path)
    values = []
    for b in range(1, ds.RasterCount + 1):
        band = ds.GetRasterBand(b)
        raw = band.ReadRaster(column, row, 1, 1, buf_type=gdal.GDT_Float32)
        values.append(struct.unpack("=f", raw)[0])
    return {"width": ds.RasterXSize, "height": ds.RasterYSize, "values": values}


def main():
    if sys.argv[1] == "csv":
        result = read_csv(sys.argv[2])
    else:
        result = read_raster(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
