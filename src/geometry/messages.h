// The fixed messages of the geometry methods, kept together.  All are
// raised with the base Exception class; those with braces are filled by
// the text's format method (raise_format, loads.h).
#pragma once

namespace orb::geom::msg {

inline constexpr const char* kDimension =
    "Invalid [coordinates] parameter. Dimension should be greater than 1.";
inline constexpr const char* kLineVertices =
    "Invalid [coordinates] parameter. The number of vertices should be greater than 1.";
inline constexpr const char* kRingVertices =
    "Invalid [coordinates] parameter. The number of vertices should be greater than 2.";
inline constexpr const char* kInvalidCoordinates = "Invalid [coordinates] parameter.";
inline constexpr const char* kNotFound =
    "Invalid [coordinates] parameter. [\"coordinates/geometries\" not found]";
inline constexpr const char* kShouldBeList = "Invalid type in [coordinates] parameter. Should be [list]";
inline constexpr const char* kShouldBeDict = "Invalid type in [coordinates] parameter. Should be [dict]";
inline constexpr const char* kInvalidType = "Invalid type in [coordinates] parameter.";
inline constexpr const char* kInvalidParameter = "Invalid parameter.";
inline constexpr const char* kInvalidCode = "Invalid [code] parameter.";
inline constexpr const char* kNotValidType = "[{}] is not a valid type in [coordinates] parameter.";
inline constexpr const char* kNotValidGeometry = "[{}] is not a valid type in [geometry] parameter.";
inline constexpr const char* kNotValidFormat = "[{}] is not a valid type in [format] parameter.";
inline constexpr const char* kNotSupported = "The [geometry] parameter type not supported.";

// The writers and vertex operations, for a dict whose type and keys do not
// fit together.
inline constexpr const char* kInvalidGeometryType = "Invalid geometry type.";
// The bound on nested collections (geometry_input.h): the converters name
// their [geometry] parameter, the text readers of loads its [coordinates].
inline constexpr const char* kNestedTooDeep =
    "Invalid [geometry] parameter. Collections are nested more than {} deep.";
inline constexpr const char* kCoordinatesNestedTooDeep =
    "Invalid [coordinates] parameter. Collections are nested more than {} deep.";

// Geometry.fromGml's refusals of position text that cannot be read whole,
// raised as ValueError (the type of pygml's own position errors) with the
// interpreter's format codes of PyUnicode_FromFormat.
inline constexpr const char* kGmlNumber =
    "Invalid [geometry] parameter. [%U] is not a number in GML coordinates.";
inline constexpr const char* kGmlDimension =
    "Invalid [geometry] parameter. srsDimension [%S] should be an integer greater than 1.";
inline constexpr const char* kGmlVertex =
    "Invalid [geometry] parameter. GML vertex of [%zd] ordinates where [%lld] are expected.";
inline constexpr const char* kGmlShortVertex =
    "Invalid [geometry] parameter. GML vertex of [%zd] ordinates, fewer than 2.";
inline constexpr const char* kGmlPosList =
    "Invalid [geometry] parameter. GML posList of [%zd] numbers does not divide into "
    "vertices of [%lld] ordinates.";
inline constexpr const char* kGmlPointVertices =
    "Invalid [geometry] parameter. GML point of [%zd] vertices.";
inline constexpr const char* kGmlNoVertex =
    "Invalid [geometry] parameter. GML coordinates hold no vertex.";
inline constexpr const char* kGmlSeparators =
    "Invalid [geometry] parameter. The cs [%U], ts [%U] and decimal [%U] of GML coordinates "
    "should be distinct and not empty.";

// Code messages by the codes they list.
inline constexpr const char* kCode01 = "[{}] should be one of [-1,0] in [code] parameter.";
inline constexpr const char* kCode012 = "[{}] should be one of [-1,0,1] in [code] parameter.";
inline constexpr const char* kCode12Poly = "[{}] should be one of [-1,1,2] in [code] parameter.";
inline constexpr const char* kCode1 = "[{}] should be one of [-1,1] in [code] parameter.";
inline constexpr const char* kCode2 = "[{}] should be one of [-1,2] in [code] parameter.";
inline constexpr const char* kCodeText = "[{}] should be one of [-1,0,1,2] in [code] parameter.";

}  // namespace orb::geom::msg
