"""One geometry in each input form the topology methods take.

Every call builds new objects, since a list or a dict given to a method may
be normalised in place.
"""
import json

import shapely

# The forms a geometry argument can take: a geometry dict, a bare coordinate
# list (typed by its nesting depth), WKT text and a shapely geometry.
FORMS = ("dict", "list", "text", "shapely")


def make(wkt, form):
    geometry = shapely.from_wkt(wkt)
    if form == "shapely":
        return geometry
    if form == "text":
        return wkt
    as_dict = json.loads(shapely.to_geojson(geometry))
    if form == "dict":
        return as_dict
    if form == "list":
        return as_dict["coordinates"]
    raise ValueError(form)


def shape(wkt):
    return shapely.from_wkt(wkt)
