// The STEP check that runs before the CAD kernel: what it refuses and, as much, what it must let
// through, since real files are full of strings, comments, enumerations and typed parameters.
#include <gtest/gtest.h>

#include <string>

#include "zorhost/surface/StepCheck.h"

namespace {

std::string Data(const std::string& records) {
  return "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('a (b'),'2;1');\nENDSEC;\nDATA;\n" + records +
         "ENDSEC;\nEND-ISO-10303-21;\n";
}

std::string Nested(int depth) {
  return "#7=CARTESIAN_POINT(''," + std::string(static_cast<std::size_t>(depth - 1), '(') + "0." +
         std::string(static_cast<std::size_t>(depth - 1), ')') + ");\n";
}

TEST(StepCheck, RefusesWhatWouldStopTheKernelNamingTheEntity) {
  const std::pair<std::string, std::string> refused[] = {
      {"#12=CARTESIAN_POINT('',(NAN,0.,0.));\n", "entity #12: NAN is not a finite number"},
      {"#12 = CARTESIAN_POINT ( '' , ( 0. , inf , 0. ) ) ;\n", "entity #12: inf is not a finite number"},
      {"#3=CARTESIAN_POINT('',(1.E400,0.,0.));\n", "entity #3: the number 1.E400 is beyond the range of a double"},
      {"#3=CIRCLE('',#2,-1.7976931348623159E+308);\n", "entity #3: the number -1.7976931348623159E+308 is beyond"},
      {"#4=CARTESIAN_POINT('',(0.,-2.E100,0.));\n", "entity #4: the coordinate -2.E100 is beyond 1e+100"},
      {Nested(65), "entity #7: parentheses nest deeper than 64 levels"},
  };
  for (const auto& [records, said] : refused) {
    const ZOROutcome refusal = ZORCheckStepText(Data(records));
    ASSERT_TRUE(refusal) << records;
    EXPECT_EQ(refusal->message.rfind(said, 0), 0u) << refusal->message;
  }
}

TEST(StepCheck, LetsThroughWhatRealFilesHold) {
  const std::string passed[] = {
      "#1=CARTESIAN_POINT('NAN (( ''quoted'' ))',(0.,1.E-400,-2.5E+3));\n",
      "/* NAN ((( 1.E400 */ #2=DIRECTION('',(0.,0.,1.));\n",
      "#3=(GEOMETRIC_REPRESENTATION_CONTEXT(3) GLOBAL_UNIT_ASSIGNED_CONTEXT((#4,#5)) "
      "REPRESENTATION_CONTEXT('',''));\n",
      "#6=MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-07),#4);\n",
      "#8=B_SPLINE_CURVE_WITH_KNOTS('',3,(#1,#2),.UNSPECIFIED.,.F.,.F.,(4,4),(0.,1.),.PIECEWISE_BEZIER_KNOTS.);\n",
      "#9=CIRCLE('',#2,2.E100);\n",  // not a point: a large radius is the kernel's to judge
      Nested(64),
  };
  for (const std::string& records : passed) {
    EXPECT_EQ(ZORCheckStepText(Data(records)), std::nullopt) << records;
  }
}

}  // namespace
