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

// Code messages by the codes they list.
inline constexpr const char* kCode01 = "[{}] should be one of [-1,0] in [code] parameter.";
inline constexpr const char* kCode012 = "[{}] should be one of [-1,0,1] in [code] parameter.";
inline constexpr const char* kCode12Poly = "[{}] should be one of [-1,1,2] in [code] parameter.";
inline constexpr const char* kCode1 = "[{}] should be one of [-1,1] in [code] parameter.";
inline constexpr const char* kCode2 = "[{}] should be one of [-1,2] in [code] parameter.";
inline constexpr const char* kCodeText = "[{}] should be one of [-1,0,1,2] in [code] parameter.";

}  // namespace orb::geom::msg
