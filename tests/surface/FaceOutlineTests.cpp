// A face's outline tells where points of its surface lie as the kernel's exact classifier does, or
// says it is unsure; it is unsure of few.
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepTools.hxx>
#include <Precision.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Pnt2d.hxx>
#include <gtest/gtest.h>

#include <random>

#include "zorhost/surface/FaceOutline.h"

namespace {

// Every face of `shape` asked at points spread over its parameters' box, widened by `past` of it
// on each side (past a periodic parameter's box, where the kernel's search never ends, the
// outline leaves it to the kernel): wherever the outline is sure, the kernel agrees. How many it
// was unsure of, of all asked.
double UnsureShare(const TopoDS_Shape& shape, double past) {
  std::mt19937 random(7);
  int asked = 0, unsure = 0;
  for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
    const TopoDS_Face& face = TopoDS::Face(faces.Current());
    const ZORFaceOutline outline(face);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    std::uniform_real_distribution<double> u(u0 - past * (u1 - u0), u1 + past * (u1 - u0));
    std::uniform_real_distribution<double> v(v0 - past * (v1 - v0), v1 + past * (v1 - v0));
    for (int i = 0; i < 2000; ++i) {
      const double pu = u(random), pv = v(random);
      ++asked;
      const ZORFaceOutline::Side side = outline.Classify(pu, pv);
      if (side == ZORFaceOutline::Side::Unsure) {
        ++unsure;
        continue;
      }
      BRepClass_FaceClassifier kernel;
      kernel.Perform(face, gp_Pnt2d(pu, pv), Precision::PConfusion());
      if (kernel.State() == TopAbs_ON) continue;
      EXPECT_EQ(side == ZORFaceOutline::Side::Inside, kernel.State() == TopAbs_IN) << pu << " " << pv;
    }
  }
  return static_cast<double>(unsure) / asked;
}

TEST(FaceOutline, AgreesWithTheKernelAndIsRarelyUnsure) {
  // A plate with a hole: a plane trimmed by a circle; a cylinder and a sphere, periodic with seams
  // and poles.
  const TopoDS_Shape plate = BRepAlgoAPI_Cut(BRepPrimAPI_MakeBox(40, 30, 5).Shape(),
                                             BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(20, 15, -1), gp_Dir(0, 0, 1)), 6, 10).Shape())
                                 .Shape();
  EXPECT_LT(UnsureShare(plate, 0.1), 0.05);
  EXPECT_LT(UnsureShare(BRepPrimAPI_MakeCylinder(3, 10).Shape(), 0.0), 0.05);
  EXPECT_LT(UnsureShare(BRepPrimAPI_MakeSphere(5).Shape(), 0.0), 0.05);
}

}  // namespace
