#include "zorhost/surface/PlyFiles.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "zor/ZORText.h"
#include "zorhost/common/Numbers.h"

namespace {

enum class Type { Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64 };

struct TypeName {
  const char* name;
  Type type;
  int size;
};
constexpr TypeName kTypes[] = {
    {"char", Type::Int8, 1},     {"int8", Type::Int8, 1},       {"uchar", Type::Uint8, 1},
    {"uint8", Type::Uint8, 1},   {"short", Type::Int16, 2},     {"int16", Type::Int16, 2},
    {"ushort", Type::Uint16, 2}, {"uint16", Type::Uint16, 2},   {"int", Type::Int32, 4},
    {"int32", Type::Int32, 4},   {"uint", Type::Uint32, 4},     {"uint32", Type::Uint32, 4},
    {"float", Type::Float32, 4}, {"float32", Type::Float32, 4}, {"double", Type::Float64, 8},
    {"float64", Type::Float64, 8}};

const TypeName* FindType(const std::string& name) {
  for (const TypeName& type : kTypes) {
    if (name == type.name) return &type;
  }
  return nullptr;
}

struct Property {
  std::string name;
  const TypeName* type;       // of the value, or of a list's items
  const TypeName* countType;  // a list's count; null for a single value
};

struct Element {
  std::string name;
  std::uint64_t count;
  std::vector<Property> properties;
};

enum class Format { Ascii, LittleEndian, BigEndian };

// Reads values of the body, ascii or binary, and says where it went wrong.
class Body {
 public:
  Body(std::istream& in, Format format) : in_(in), format_(format) {}

  bool Read(const TypeName& type, double& value) {
    if (format_ == Format::Ascii) return ReadText(value);
    unsigned char bytes[8];
    if (!in_.read(reinterpret_cast<char*>(bytes), type.size)) return false;
    const bool swap = (format_ == Format::BigEndian) == (std::endian::native == std::endian::little);
    if (swap) std::reverse(bytes, bytes + type.size);
    switch (type.type) {
      case Type::Int8: value = static_cast<std::int8_t>(bytes[0]); break;
      case Type::Uint8: value = bytes[0]; break;
      case Type::Int16: value = Load<std::int16_t>(bytes); break;
      case Type::Uint16: value = Load<std::uint16_t>(bytes); break;
      case Type::Int32: value = Load<std::int32_t>(bytes); break;
      case Type::Uint32: value = Load<std::uint32_t>(bytes); break;
      case Type::Float32: value = static_cast<double>(Load<float>(bytes)); break;
      case Type::Float64: value = Load<double>(bytes); break;
    }
    return true;
  }

 private:
  template <class T>
  static T Load(const unsigned char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

  bool ReadText(double& value) {
    std::string word;
    if (!(in_ >> word) || word.size() > 64) return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
  }

  std::istream& in_;
  Format format_;
};

bool ReadHeader(std::istream& in, Format& format, std::vector<Element>& elements,
                std::string& error) {
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& what) {
    error = "header line " + std::to_string(number) + ": " + what;
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    if (line.size() > 1000) return fail("the line is too long");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (number == 1) {
      if (keyword != "ply") return fail("a PLY file starts with 'ply'");
      continue;
    }
    if (keyword == "format") {
      std::string name, version;
      words >> name >> version;
      if (name == "ascii") {
        format = Format::Ascii;
      } else if (name == "binary_little_endian") {
        format = Format::LittleEndian;
      } else if (name == "binary_big_endian") {
        format = Format::BigEndian;
      } else {
        return fail("unknown format");
      }
    } else if (keyword == "element") {
      Element element;
      if (!(words >> element.name >> element.count)) return fail("an element needs a name and a count");
      elements.push_back(element);
    } else if (keyword == "property") {
      if (elements.empty()) return fail("a property before any element");
      std::string type;
      words >> type;
      Property property{};
      if (type == "list") {
        std::string countType, itemType;
        words >> countType >> itemType >> property.name;
        property.countType = FindType(countType);
        property.type = FindType(itemType);
        if (property.countType == nullptr || property.type == nullptr) return fail("unknown list type");
      } else {
        property.type = FindType(type);
        words >> property.name;
        if (property.type == nullptr) return fail("unknown type '" + type + "'");
      }
      elements.back().properties.push_back(property);
    } else if (keyword == "end_header") {
      return true;
    } else if (keyword != "comment" && keyword != "obj_info" && !keyword.empty()) {
      return fail("unknown keyword");
    }
  }
  error = "the header has no end_header";
  return false;
}

int IndexOf(const Element& element, std::initializer_list<const char*> names) {
  for (std::size_t p = 0; p < element.properties.size(); ++p) {
    for (const char* name : names) {
      if (element.properties[p].name == name) return static_cast<int>(p);
    }
  }
  return -1;
}

// The fewest bytes (binary) or characters (ascii) that one record of the element takes: the
// element's count must fit in what is left of the file.
std::uint64_t SmallestRecord(const Element& element, Format format) {
  std::uint64_t bytes = 0;
  for (const Property& property : element.properties) {
    if (format == Format::Ascii) {
      bytes += 2;  // a digit and a separator
    } else {
      bytes += static_cast<std::uint64_t>(property.countType != nullptr ? property.countType->size
                                                                        : property.type->size);
    }
  }
  return std::max<std::uint64_t>(bytes, 1);
}

}  // namespace

namespace {

// The header's counts fit the file's size: a count that cannot is refused before anything is
// allocated for it.
bool RecordsFit(const std::vector<Element>& elements, Format format, std::uint64_t size,
                std::uint64_t headerEnd, std::string& error) {
  const std::uint64_t body = size - std::min(size, headerEnd);
  std::uint64_t needed = 0;
  for (const Element& element : elements) {
    const std::uint64_t record = SmallestRecord(element, format);
    if (element.count > body / record || needed > size) {
      error = "the header's " + std::to_string(element.count) + " " + element.name +
              " records cannot fit in the file";
      return false;
    }
    needed += element.count * record;
  }
  if (needed > body) {
    error = "the header's records cannot fit in the file";
    return false;
  }
  return true;
}

// The vertex property `field` names, a single value: its index, or -1 with `error` naming the
// properties there are.
int FieldIndex(const Element& vertices, const std::string& field, std::string& error) {
  std::string names;
  for (std::size_t p = 0; p < vertices.properties.size(); ++p) {
    const Property& property = vertices.properties[p];
    if (property.name == field && property.countType == nullptr) return static_cast<int>(p);
    if (property.countType == nullptr) names += (names.empty() ? "'" : ", '") + ZORPrintable(property.name) + "'";
  }
  error = "the vertices have no property '" + ZORPrintable(field) + "'; they have " + names;
  return -1;
}

// The records of one element read into `mesh`: a vertex's position (and its `field`, when one
// is named), a face's polygon as a fan of triangles; the properties of other elements read past.
bool ReadElement(Body& body, const Element& element, const std::string& field, ZORSurfaceMesh& mesh,
                 std::string& error) {
  constexpr std::uint32_t kLongestPolygon = 256;
  const bool vertices = element.name == "vertex";
  const bool faces = element.name == "face";
  const int x = IndexOf(element, {"x"}), y = IndexOf(element, {"y"}), z = IndexOf(element, {"z"});
  const int indices = IndexOf(element, {"vertex_indices", "vertex_index"});
  if (vertices && (x < 0 || y < 0 || z < 0)) {
    error = "the vertex element has no x, y and z";
    return false;
  }
  if (faces && (indices < 0 || element.properties[static_cast<std::size_t>(indices)].countType == nullptr)) {
    error = "the face element has no list of vertex indices";
    return false;
  }
  const int fieldAt = vertices && !field.empty() ? FieldIndex(element, field, error) : -1;
  if (vertices && !field.empty() && fieldAt < 0) return false;
  std::vector<double> list;
  for (std::uint64_t record = 0; record < element.count; ++record) {
    auto fail = [&](const std::string& what) {
      error = element.name + " " + std::to_string(record) + ": " + what;
      return false;
    };
    ZORVec3 point;
    std::vector<int> polygon;
    for (std::size_t p = 0; p < element.properties.size(); ++p) {
      const Property& property = element.properties[p];
      double value = 0.0;
      if (property.countType != nullptr) {
        if (!body.Read(*property.countType, value)) return fail("the file ends early or a value is not a number");
        if (!(value >= 0.0) || value > kLongestPolygon) return fail("a list of " + ZORExactNumber(value) + " entries");
        list.assign(static_cast<std::size_t>(value), 0.0);
        for (double& item : list) {
          if (!body.Read(*property.type, item)) return fail("the file ends early or a value is not a number");
        }
        if (!faces || static_cast<int>(p) != indices) continue;
        for (double item : list) {
          if (!(item >= 0.0) || item >= static_cast<double>(mesh.positions.size()) || item != std::floor(item)) {
            return fail("the index " + ZORExactNumber(item) + " names no vertex");
          }
          polygon.push_back(static_cast<int>(item));
        }
        continue;
      }
      if (!body.Read(*property.type, value)) return fail("the file ends early or a value is not a number");
      if (vertices && static_cast<int>(p) == x) point.x = value;
      if (vertices && static_cast<int>(p) == y) point.y = value;
      if (vertices && static_cast<int>(p) == z) point.z = value;
      if (vertices && static_cast<int>(p) == fieldAt) mesh.field.push_back(value);
    }
    if (vertices) {
      if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z)) {
        return fail("a coordinate is not finite");
      }
      mesh.positions.push_back(point);
    }
    // A polygon as a fan of triangles; fewer than three vertices make none.
    for (std::size_t i = 2; i < polygon.size(); ++i) {
      mesh.triangles.push_back({polygon[0], polygon[i - 1], polygon[i]});
    }
  }
  return true;
}

}  // namespace

ZOROutcome ZORReadPly(std::istream& in, std::uint64_t size, ZORSurfaceMesh& mesh, const std::string& field) {
  Format format = Format::Ascii;
  std::vector<Element> elements;
  std::string error;
  if (!ReadHeader(in, format, elements, error) ||
      !RecordsFit(elements, format, size, static_cast<std::uint64_t>(in.tellg()), error)) {
    return ZORBadInput(error);
  }
  Body body(in, format);
  for (const Element& element : elements) {
    if (!ReadElement(body, element, field, mesh, error)) return ZORBadInput(error);
  }
  if (mesh.triangles.empty()) return ZORBadInput("the file holds no triangle");
  return std::nullopt;
}

ZOROutcome ZORReadPlyFile(const std::string& path, ZORSurfaceMesh& mesh, const std::string& field) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return ZORBadInput(path + ": cannot be read: " + std::strerror(errno));
  const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
  in.seekg(0);
  ZOROutcome problem = ZORReadPly(in, size, mesh, field);
  if (problem) problem->message = path + ": " + problem->message;
  return problem;
}

std::string ZORFormatPly(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors) {
  std::ostringstream out;
  out << "ply\nformat binary_little_endian 1.0\ncomment made by zorhost: the analysed value and "
         "its color at each vertex\nelement vertex "
      << mesh.positions.size()
      << "\nproperty float x\nproperty float y\nproperty float z\nproperty double value\n"
         "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n"
         "element face "
      << mesh.triangles.size() << "\nproperty list uchar int vertex_indices\nend_header\n";
  auto put = [&out](auto value) {
    static_assert(std::endian::native == std::endian::little, "PLY is written little-endian");
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
  };
  auto channel = [](int component) { return static_cast<std::uint8_t>(std::clamp(component, 0, 255)); };
  for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
    const ZORVec3& p = mesh.positions[v];
    put(static_cast<float>(p.x));
    put(static_cast<float>(p.y));
    put(static_cast<float>(p.z));
    put(mesh.values[v]);
    put(channel(colors[v].red));
    put(channel(colors[v].green));
    put(channel(colors[v].blue));
    put(channel(colors[v].alpha));
  }
  for (const ZORTriangle& t : mesh.triangles) {
    put(std::uint8_t{3});
    for (int index : t) put(static_cast<std::int32_t>(index));
  }
  return out.str();
}
