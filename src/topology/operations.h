// Bodies of the spatial operations of Topology: each converts its geometry
// arguments through the class, makes one shapely call (or reads one
// attribute), and applies a small rule to the result.
#pragma once

#include "frame/method.h"

namespace orb::topology {

Ref buffer(Args a);            // buffer(cls, geometry, distance, quad_segs, cap_style,
                               //        join_style, mitre_limit, single_sided)
Ref clearance(Args a);         // clearance(cls, geometry)
Ref clip(Args a);              // clip(cls, geometry, west, south, east, north)
Ref convex_hull(Args a);       // convexHull(cls, geometry)
Ref difference(Args a);        // difference(cls, a, b)
Ref distance_on_line(Args a);  // distanceOnLine(cls, line, point)
Ref intersection(Args a);      // intersection(cls, a, b)
Ref intersections(Args a);     // intersections(cls, geometries)
Ref point_on_line(Args a);     // pointOnLine(cls, line, distance)
Ref rectangle(Args a);         // rectangle(cls, geometry)
Ref repair(Args a);            // repair(cls, geometry)
Ref shortest(Args a);          // shortest(cls, a, b)
Ref similarity(Args a);        // similarity(cls, a, b, densify)
Ref simplify(Args a);          // simplify(cls, geometry, tolerance, preserveTopology)
Ref snap(Args a);              // snap(cls, geometry, reference, tolerance)
Ref triangulate(Args a);       // triangulate(cls, geometry, tolerance, edges)
Ref unions(Args a);            // unions(cls, geometries, gridSize, axis, srid)
Ref union_(Args a);            // union(cls, a, b)
Ref voronoi_diagram(Args a);   // voronoiDiagram(cls, geometry, envelope, tolerance, edges)

}  // namespace orb::topology
