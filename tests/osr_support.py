"""GDAL spatial references as the projection tests build them: from an EPSG
code or any text GDAL reads, in the traditional GIS axis order."""
from osgeo import osr


def reference(value):
    srs = osr.SpatialReference()
    if isinstance(value, int):
        srs.ImportFromEPSG(value)
    else:
        srs.SetFromUserInput(value)
    srs.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
    return srs
