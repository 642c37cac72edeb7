#include "zorhost/surface/PlyFiles.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>

#include "zor/ZORText.h"
#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/common/Parallel.h"

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

template <class T>
T Load(const unsigned char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// The value of `type` at `bytes`, in the byte order of `format`.
double Decode(const TypeName& type, const unsigned char* at, Format format) {
  unsigned char bytes[8];
  std::memcpy(bytes, at, static_cast<std::size_t>(type.size));
  if ((format == Format::BigEndian) == (std::endian::native == std::endian::little)) std::reverse(bytes, bytes + type.size);
  switch (type.type) {
    case Type::Int8: return static_cast<std::int8_t>(bytes[0]);
    case Type::Uint8: return bytes[0];
    case Type::Int16: return Load<std::int16_t>(bytes);
    case Type::Uint16: return Load<std::uint16_t>(bytes);
    case Type::Int32: return Load<std::int32_t>(bytes);
    case Type::Uint32: return Load<std::uint32_t>(bytes);
    case Type::Float32: return static_cast<double>(Load<float>(bytes));
    case Type::Float64: return Load<double>(bytes);
  }
  return 0.0;
}

// The body's values read in turn, ascii words or binary values, from the file's bytes.
class Body {
 public:
  Body(std::string_view bytes, Format format) : at_(bytes.data()), end_(bytes.data() + bytes.size()), format_(format) {}

  bool Read(const TypeName& type, double& value) {
    if (format_ == Format::Ascii) return ReadText(value);
    if (end_ - at_ < type.size) return false;
    value = Decode(type, reinterpret_cast<const unsigned char*>(at_), format_);
    at_ += type.size;
    return true;
  }

  Format Encoding() const { return format_; }
  // The binary records ahead, left for a reader that decodes them in place.
  std::string_view Ahead() const { return {at_, static_cast<std::size_t>(end_ - at_)}; }
  void Skip(std::size_t bytes) { at_ += bytes; }

 private:
  // A word as `istream >> word` takes it: after white space, up to white space.
  bool ReadText(double& value) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    while (at_ != end_ && space(*at_)) ++at_;
    const char* word = at_;
    while (at_ != end_ && !space(*at_)) ++at_;
    if (at_ == word || at_ - word > 64) return false;
    const auto [end, error] = std::from_chars(word, at_, value);
    return error == std::errc() && end == at_;
  }

  const char* at_;
  const char* end_;
  Format format_;
};

// The header's lines up to end_header; `headerEnd` is where the body starts.
ZOROutcome ReadHeader(std::string_view bytes, Format& format, std::vector<Element>& elements, std::size_t& headerEnd) {
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& what) { return ZORBadInput("header line " + std::to_string(number) + ": " + what); };
  std::size_t at = 0;
  auto nextLine = [&]() {
    if (at >= bytes.size()) return false;
    const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
    line.assign(bytes.substr(at, std::min<std::size_t>(end - at, 1001)));
    at = end + 1;
    return true;
  };
  while (nextLine()) {
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
      headerEnd = std::min(at, bytes.size());
      return std::nullopt;
    } else if (keyword != "comment" && keyword != "obj_info" && !keyword.empty()) {
      return fail("unknown keyword");
    }
  }
  return ZORBadInput("the header has no end_header");
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
ZOROutcome RecordsFit(const std::vector<Element>& elements, Format format, std::uint64_t size,
                      std::uint64_t headerEnd) {
  const std::uint64_t body = size - std::min(size, headerEnd);
  std::uint64_t needed = 0;
  for (const Element& element : elements) {
    const std::uint64_t record = SmallestRecord(element, format);
    if (element.count > body / record || needed > size) {
      return ZORBadInput("the header's " + std::to_string(element.count) + " " + element.name +
                         " records cannot fit in the file");
    }
    needed += element.count * record;
  }
  if (needed > body) {
    return ZORBadInput("the header's records cannot fit in the file");
  }
  return std::nullopt;
}

// The vertex property `field` names, a single value: its index, or a problem naming the
// properties there are.
ZOROutcome FieldIndex(const Element& vertices, const std::string& field, int& index) {
  std::string names;
  for (std::size_t p = 0; p < vertices.properties.size(); ++p) {
    const Property& property = vertices.properties[p];
    if (property.name == field && property.countType == nullptr) {
      index = static_cast<int>(p);
      return std::nullopt;
    }
    if (property.countType == nullptr) names += (names.empty() ? "'" : ", '") + ZORPrintable(property.name) + "'";
  }
  return ZORBadInput("the vertices have no property '" + ZORPrintable(field) + "'; they have " + names);
}

// Binary records that all take the same bytes: every property a single value, but for one list
// whose records all hold `listLength` items (which the reader checks).
struct RecordLayout {
  std::size_t stride = 0;
  std::vector<std::size_t> offsets;  // of each property in a record; a list's is its count's
};

std::optional<RecordLayout> FixedLayout(const Element& element, int list, std::size_t listLength) {
  RecordLayout layout;
  for (std::size_t p = 0; p < element.properties.size(); ++p) {
    const Property& property = element.properties[p];
    if (property.countType != nullptr && static_cast<int>(p) != list) return std::nullopt;
    layout.offsets.push_back(layout.stride);
    layout.stride += static_cast<std::size_t>(property.countType != nullptr
                                                  ? property.countType->size + static_cast<int>(listLength) * property.type->size
                                                  : property.type->size);
  }
  return layout;
}

// What a piece of records found first; the earliest piece's is what reading one record at a
// time would have told.
class FirstFailures {
 public:
  FirstFailures(std::size_t count, std::size_t piece) : piece_(piece), failures_((count + piece - 1) / piece) {}
  void Tell(std::uint64_t record, std::string what) { failures_[record / piece_] = {record, std::move(what)}; }
  ZOROutcome Told(const Element& element) const {
    for (const auto& failure : failures_) {
      if (failure) return ZORBadInput(element.name + " " + std::to_string(failure->first) + ": " + failure->second);
    }
    return std::nullopt;
  }

 private:
  std::size_t piece_;
  std::vector<std::optional<std::pair<std::uint64_t, std::string>>> failures_;
};


constexpr std::size_t kRecordsAPiece = std::size_t{1} << 15;

// The vertices decoded where they lie, in pieces on `threads` threads.
ZOROutcome ReadVerticesInPlace(Body& body, const Element& element, const RecordLayout& layout, const int (&xyz)[3],
                               int fieldAt, ZORSurfaceMesh& mesh, int threads) {
  const std::size_t count = static_cast<std::size_t>(element.count), before = mesh.positions.size();
  mesh.positions.resize(before + count);
  if (fieldAt >= 0) mesh.field.resize(mesh.field.size() + count);
  double* field = fieldAt >= 0 ? mesh.field.data() + mesh.field.size() - count : nullptr;
  const auto* records = reinterpret_cast<const unsigned char*>(body.Ahead().data());
  const Format format = body.Encoding();
  auto value = [&](const unsigned char* record, int property) {
    const std::size_t p = static_cast<std::size_t>(property);
    return Decode(*element.properties[p].type, record + layout.offsets[p], format);
  };
  FirstFailures failures(count, kRecordsAPiece);
  ZORInParallel(count, kRecordsAPiece, ZORThreadCount(threads), [&](int, std::size_t first, std::size_t last) {
    for (std::size_t r = first; r < last; ++r) {
      const unsigned char* record = records + r * layout.stride;
      const ZORVec3 point{value(record, xyz[0]), value(record, xyz[1]), value(record, xyz[2])};
      if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z)) {
        return failures.Tell(r, "a coordinate is not finite");
      }
      mesh.positions[before + r] = point;
      if (field != nullptr) field[r] = value(record, fieldAt);
    }
  });
  if (ZOROutcome problem = failures.Told(element)) return problem;
  body.Skip(count * layout.stride);
  return std::nullopt;
}

// Faces that are all triangles decoded where they lie, in pieces on `threads` threads; a face of
// another count is left to the reader that takes a record at a time (`read` false).
ZOROutcome ReadTrianglesInPlace(Body& body, const Element& element, const RecordLayout& layout, int indices,
                                ZORSurfaceMesh& mesh, int threads, bool& read) {
  const std::size_t count = static_cast<std::size_t>(element.count), before = mesh.triangles.size();
  const Property& list = element.properties[static_cast<std::size_t>(indices)];
  const std::size_t listAt = layout.offsets[static_cast<std::size_t>(indices)];
  const double vertices = static_cast<double>(mesh.positions.size());
  mesh.triangles.resize(before + count);
  const auto* records = reinterpret_cast<const unsigned char*>(body.Ahead().data());
  const Format format = body.Encoding();
  std::atomic<bool> otherPolygons = false;
  FirstFailures failures(count, kRecordsAPiece);
  ZORInParallel(count, kRecordsAPiece, ZORThreadCount(threads), [&](int, std::size_t first, std::size_t last) {
    for (std::size_t r = first; r < last; ++r) {
      const unsigned char* at = records + r * layout.stride + listAt;
      if (Decode(*list.countType, at, format) != 3.0) return otherPolygons.store(true);
      ZORTriangle& triangle = mesh.triangles[before + r];
      for (int k = 0; k < 3; ++k) {
        const double item = Decode(*list.type, at + list.countType->size + k * list.type->size, format);
        if (!(item >= 0.0) || item >= vertices || item != std::floor(item)) {
          return failures.Tell(r, "the index " + ZORExactNumber(item) + " names no vertex");
        }
        triangle[static_cast<std::size_t>(k)] = static_cast<int>(item);
      }
    }
  });
  if (otherPolygons) {
    mesh.triangles.resize(before);
    return std::nullopt;
  }
  if (ZOROutcome problem = failures.Told(element)) return problem;
  body.Skip(count * layout.stride);
  read = true;
  return std::nullopt;
}

// A binary element whose records all take the same bytes, read where it lies: most files, whose
// faces are all triangles (`read` true). Others are left to be read a record at a time.
ZOROutcome ReadInPlace(Body& body, const Element& element, const int (&xyz)[3], int indices, int fieldAt,
                       ZORSurfaceMesh& mesh, int threads, bool& read) {
  read = false;
  const bool faces = element.name == "face";
  if (body.Encoding() == Format::Ascii) return std::nullopt;
  const std::optional<RecordLayout> layout = FixedLayout(element, faces ? indices : -1, 3);
  if (!layout || layout->stride == 0 || element.count > body.Ahead().size() / layout->stride) return std::nullopt;
  if (faces) return ReadTrianglesInPlace(body, element, *layout, indices, mesh, threads, read);
  read = true;
  if (element.name == "vertex") return ReadVerticesInPlace(body, element, *layout, xyz, fieldAt, mesh, threads);
  body.Skip(static_cast<std::size_t>(element.count) * layout->stride);
  return std::nullopt;
}

// The records of one element read into `mesh`: a vertex's position (and its `field`, when one
// is named), a face's polygon as a fan of triangles; the properties of other elements read past.
ZOROutcome ReadElement(Body& body, const Element& element, const std::string& field, ZORSurfaceMesh& mesh,
                       int threads) {
  constexpr std::uint32_t kLongestPolygon = 256;
  const bool vertices = element.name == "vertex";
  const bool faces = element.name == "face";
  const int x = IndexOf(element, {"x"}), y = IndexOf(element, {"y"}), z = IndexOf(element, {"z"});
  const int indices = IndexOf(element, {"vertex_indices", "vertex_index"});
  if (vertices && (x < 0 || y < 0 || z < 0)) {
    return ZORBadInput("the vertex element has no x, y and z");
  }
  if (faces && (indices < 0 || element.properties[static_cast<std::size_t>(indices)].countType == nullptr)) {
    return ZORBadInput("the face element has no list of vertex indices");
  }
  int fieldAt = -1;
  if (vertices && !field.empty()) {
    if (ZOROutcome problem = FieldIndex(element, field, fieldAt)) return problem;
  }
  bool read = false;
  if (ZOROutcome problem = ReadInPlace(body, element, {x, y, z}, indices, fieldAt, mesh, threads, read)) return problem;
  if (read) return std::nullopt;
  std::vector<double> list;
  for (std::uint64_t record = 0; record < element.count; ++record) {
    auto fail = [&](const std::string& what) {
      return ZORBadInput(element.name + " " + std::to_string(record) + ": " + what);
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
  return std::nullopt;
}

}  // namespace

ZOROutcome ZORReadPly(std::string_view bytes, ZORSurfaceMesh& mesh, const std::string& field, int threads) {
  Format format = Format::Ascii;
  std::vector<Element> elements;
  std::size_t headerEnd = 0;
  if (ZOROutcome problem = ReadHeader(bytes, format, elements, headerEnd)) return problem;
  if (ZOROutcome problem = RecordsFit(elements, format, bytes.size(), headerEnd)) return problem;
  Body body(bytes.substr(headerEnd), format);
  for (const Element& element : elements) {
    if (ZOROutcome problem = ReadElement(body, element, field, mesh, threads)) return problem;
  }
  if (mesh.triangles.empty()) return ZORBadInput("the file holds no triangle");
  return std::nullopt;
}

ZOROutcome ZORReadPlyFile(const std::string& path, ZORSurfaceMesh& mesh, const std::string& field, int threads) {
  std::string bytes;
  if (ZOROutcome problem = ZORReadWholeFile(path, kZORLargestMeshFile, "a mesh", bytes)) return problem;
  ZOROutcome problem = ZORReadPly(bytes, mesh, field, threads);
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
