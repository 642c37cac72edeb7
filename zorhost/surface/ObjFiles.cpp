#include "zorhost/surface/ObjFiles.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

#include "zor/ZORText.h"
#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/Numbers.h"

namespace {

// The statements of an OBJ text, a logical line each (a line ending in a backslash joined to the
// next), without the comment that may end it; numbered by the line they start on.
class Statements {
 public:
  explicit Statements(std::string_view text) : text_(text) {}
  bool Next(std::string_view& statement) {
    if (at_ >= text_.size()) return false;
    number_ = next_;
    joined_.clear();
    std::string_view line = NextLine();
    while (!line.empty() && line.back() == '\\' && at_ < text_.size()) {
      joined_.append(line.substr(0, line.size() - 1)).push_back(' ');
      line = NextLine();
    }
    if (!joined_.empty()) line = joined_.append(line);
    statement = line.substr(0, line.find('#'));
    return true;
  }
  long long Number() const { return number_; }

 private:
  std::string_view NextLine() {
    const std::size_t end = std::min(text_.find('\n', at_), text_.size());
    std::string_view line = text_.substr(at_, end - at_);
    at_ = end + 1;
    ++next_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  long long next_ = 1, number_ = 0;
  std::string joined_;
};

// The next word of `line` from `at`, blanks skipped; empty at the end.
std::string_view NextWord(std::string_view line, std::size_t& at) {
  const std::size_t start = std::min(line.find_first_not_of(" \t", at), line.size());
  const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
  at = end;
  return line.substr(start, end - start);
}

ZOROutcome AtLine(long long line, const std::string& problem) {
  return ZORBadInput("line " + std::to_string(line) + ": " + problem);
}

ZOROutcome ReadVertex(std::string_view statement, std::size_t at, long long line, ZORSurfaceMesh& mesh) {
  double xyz[3];
  for (double& coordinate : xyz) {
    const std::optional<double> number = ZORReadPlainDouble(NextWord(statement, at));
    if (!number) return AtLine(line, "'" + ZORPrintable(statement) + "' is not a vertex of three numbers");
    coordinate = *number;
  }
  mesh.positions.push_back({xyz[0], xyz[1], xyz[2]});
  return std::nullopt;
}

// A face's corners, then the fan of its triangles.
ZOROutcome ReadFace(std::string_view statement, std::size_t at, long long line, std::vector<int>& corners,
                    ZORSurfaceMesh& mesh) {
  const auto vertices = static_cast<long long>(mesh.positions.size());
  corners.clear();
  for (std::string_view word = NextWord(statement, at); !word.empty(); word = NextWord(statement, at)) {
    const std::string_view index = word.substr(0, word.find('/'));
    long long value = 0;
    const auto [end, problem] = std::from_chars(index.data(), index.data() + index.size(), value);
    if (problem != std::errc() || end != index.data() + index.size() || value == 0 || value > vertices ||
        value < -vertices) {
      return AtLine(line, "the index '" + ZORPrintable(index) + "' names no vertex (" + std::to_string(vertices) +
                              " are defined before it)");
    }
    corners.push_back(static_cast<int>(value > 0 ? value - 1 : vertices + value));
  }
  if (corners.size() < 3) return AtLine(line, "a face of fewer than three corners");
  for (std::size_t i = 1; i + 1 < corners.size(); ++i) mesh.triangles.push_back({corners[0], corners[i], corners[i + 1]});
  return std::nullopt;
}

}  // namespace

ZOROutcome ZORReadObj(std::string_view text, ZORSurfaceMesh& mesh) {
  Statements statements(text);
  std::vector<int> corners;
  for (std::string_view statement; statements.Next(statement);) {
    std::size_t at = 0;
    const std::string_view keyword = NextWord(statement, at);
    if (keyword == "v") {
      if (ZOROutcome problem = ReadVertex(statement, at, statements.Number(), mesh)) return problem;
    } else if (keyword == "f") {
      if (ZOROutcome problem = ReadFace(statement, at, statements.Number(), corners, mesh)) return problem;
    }
  }
  if (mesh.triangles.empty()) return ZORBadInput("holds no triangle");
  return std::nullopt;
}

ZOROutcome ZORReadObjFile(const std::string& path, ZORSurfaceMesh& mesh) {
  std::string text;
  if (ZOROutcome problem = ZORReadWholeFile(path, kZORLargestMeshFile, "a mesh", text)) return problem;
  ZOROutcome problem = ZORReadObj(text, mesh);
  if (problem) problem->message = path + ": " + problem->message;
  return problem;
}
