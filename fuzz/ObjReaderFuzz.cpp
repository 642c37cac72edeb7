// The OBJ reader: any text is read or refused with a reason that names its line; what is read
// is a mesh whose indices name its vertices, each face a fan of triangles.
#include <string>

#include "fuzz/FuzzSupport.h"
#include "zorhost/surface/ObjFiles.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ZORSurfaceMesh mesh;
  if (const ZOROutcome refused = ZORReadObj(text, mesh)) {
    if (refused->message.rfind("line ", 0) != 0 && refused->message != "holds no triangle") {
      ZORFuzzFinding("a refusal that names no line");
    }
    return 0;
  }
  if (mesh.triangles.empty()) ZORFuzzFinding("a mesh without a triangle was read");
  for (const ZORTriangle& t : mesh.triangles) {
    for (int v : t) {
      if (v < 0 || static_cast<std::size_t>(v) >= mesh.positions.size()) ZORFuzzFinding("an index names no vertex");
    }
  }
  return 0;
}
