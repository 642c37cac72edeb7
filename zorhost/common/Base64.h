// Bytes as base64 (RFC 4648, padded), for data embedded in text: pictures in SVG and HTML, arrays
// in VTK's XML.
#pragma once

#include <string>
#include <string_view>

std::string ZORBase64(std::string_view bytes);
