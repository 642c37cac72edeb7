// Writes the example parts as STEP files into the folder given (default: the current one):
//   bracket.step  an L-shaped bracket, 80 x 50 x 60 mm, plates 12 mm thick, every edge rounded
//                 with a 3 mm fillet, a hole of 18 mm through each plate: planes, cylinders,
//                 tori and spheres, convex and concave;
//   torus.step    a torus of radii 5 and 1.5, whose Gaussian curvature is known in closed form,
//                 cos v / (r (R + r cos v)).
#include <APIHeaderSection_MakeHeader.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <Message.hxx>
#include <STEPControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TopoDS.hxx>
#include <gp_Ax2.hxx>

#include <cstdio>
#include <string>

namespace {

TopoDS_Shape Bracket() {
  const TopoDS_Shape base = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 80, 50, 12).Shape();
  const TopoDS_Shape upright = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 12, 50, 60).Shape();
  const TopoDS_Shape angle = BRepAlgoAPI_Fuse(base, upright).Shape();
  BRepFilletAPI_MakeFillet fillet(angle);
  for (TopExp_Explorer edges(angle, TopAbs_EDGE); edges.More(); edges.Next()) {
    fillet.Add(3.0, TopoDS::Edge(edges.Current()));
  }
  const TopoDS_Shape throughBase =
      BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(50, 25, -1), gp_Dir(0, 0, 1)), 9, 20).Shape();
  const TopoDS_Shape throughUpright =
      BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(-1, 25, 38), gp_Dir(1, 0, 0)), 9, 20).Shape();
  return BRepAlgoAPI_Cut(BRepAlgoAPI_Cut(fillet.Shape(), throughBase).Shape(), throughUpright).Shape();
}

bool Write(const TopoDS_Shape& shape, const std::string& path) {
  STEPControl_Writer writer;
  if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone) return false;
  // A fixed time stamp: the files change only when the parts do.
  APIHeaderSection_MakeHeader header(writer.Model());
  header.SetTimeStamp(new TCollection_HAsciiString("2026-12-07T00:00:00"));
  if (writer.Write(path.c_str()) != IFSelect_RetDone) {
    std::fprintf(stderr, "make-example-parts: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();
  Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_Printer));
  try {
    return Write(Bracket(), folder + "bracket.step") &&
                   Write(BRepPrimAPI_MakeTorus(5.0, 1.5).Shape(), folder + "torus.step")
               ? 0
               : 1;
  } catch (const Standard_Failure& failure) {
    std::fprintf(stderr, "make-example-parts: the CAD kernel failed: %s\n", failure.GetMessageString());
    return 1;
  }
}
