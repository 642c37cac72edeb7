// zorscale.Part: parts read, analysed, pictured and measured from Python, with zorhost's numbers.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>

#include "python/PythonPart.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/picture/PaintOptions.h"
#include "zorhost/scale/ToleranceScale.h"

namespace py = pybind11;

namespace {

// What an analysis is asked with, read as zorhost render's options read it.
struct Asked {
  std::string analysis = "gaussian";
  std::optional<std::string> reference;
  std::optional<std::tuple<double, double, double>> pull;
  std::optional<std::tuple<double, double, double>> light;
  std::string thickness = "ray";
  std::optional<std::string> field;
  std::string deviationEdges = "undefined";
  std::optional<double> maxDistance;
  int threads = 0;
};

void Take(ZORPictureSetting setting, const char* name, const std::string& value, ZORPictureSettings& settings) {
  ZORThrowIfProblem(ZORTakePictureSetting(setting, name, value, settings));
}

ZORPictureSettings SettingsOf(const Asked& asked) {
  ZORPictureSettings settings;
  Take(ZORPictureSetting::Analysis, "analysis", asked.analysis, settings);
  if (asked.reference) settings.parameters.referencePath = *asked.reference;
  if (asked.pull) {
    const auto& [x, y, z] = *asked.pull;
    Take(ZORPictureSetting::Pull, "pull", ZORExactNumber(x) + "," + ZORExactNumber(y) + "," + ZORExactNumber(z), settings);
  }
  if (asked.light) {
    const auto& [x, y, z] = *asked.light;
    Take(ZORPictureSetting::Light, "light", ZORExactNumber(x) + "," + ZORExactNumber(y) + "," + ZORExactNumber(z), settings);
  }
  Take(ZORPictureSetting::Thickness, "thickness", asked.thickness, settings);
  if (asked.field) settings.parameters.field = *asked.field;
  if (asked.deviationEdges != "undefined" && asked.deviationEdges != "keep") {
    throw ZORPythonProblem({ZORProblem::Kind::Usage, "deviation_edges is keep or undefined, not '" + asked.deviationEdges + "'"});
  }
  settings.parameters.keepBeyondEdges = asked.deviationEdges == "keep";
  if (asked.maxDistance) {
    if (!(*asked.maxDistance > 0.0) || !std::isfinite(*asked.maxDistance)) {
      throw ZORPythonProblem({ZORProblem::Kind::Usage, "max_distance is a finite distance above 0"});
    }
    settings.parameters.maxDistance = asked.maxDistance;
  }
  if (settings.analysis == ZORAnalysis::Deviation && settings.parameters.referencePath.empty()) {
    throw ZORPythonProblem({ZORProblem::Kind::Usage, "the deviation needs reference=PATH, the part to measure against"});
  }
  if (asked.threads < 0) throw ZORPythonProblem({ZORProblem::Kind::Usage, "threads is 0 (one a core) or more"});
  settings.threads = asked.threads;
  return settings;
}

// The view of a picture, as --view, --size, --zoom and --pan read it.
void View(ZORPictureSettings& settings, const std::string& view, std::pair<int, int> size, double zoom,
          std::pair<double, double> pan) {
  Take(ZORPictureSetting::View, "view", view, settings);
  Take(ZORPictureSetting::Size, "size", std::to_string(size.first) + "x" + std::to_string(size.second), settings);
  Take(ZORPictureSetting::Zoom, "zoom", ZORExactNumber(zoom), settings);
  Take(ZORPictureSetting::Pan, "pan", ZORExactNumber(pan.first) + "," + ZORExactNumber(pan.second), settings);
}

// The analysis's keyword arguments, the same for every call that analyses.
#define ZOR_ANALYSIS_ARGS                                                                                     \
  py::arg("analysis") = "gaussian", py::kw_only(), py::arg("reference") = py::none(), py::arg("pull") = py::none(), \
      py::arg("light") = py::none(), py::arg("thickness") = "ray", py::arg("field") = py::none(), py::arg("deviation_edges") = "undefined", py::arg("max_distance") = py::none(),  \
      py::arg("threads") = 0

using Point3 = std::tuple<double, double, double>;
using OptionalPull = std::optional<Point3>;

struct AnalysedMesh {
  py::array_t<double> vertices;
  py::array_t<std::int32_t> triangles;
  py::array_t<double> values;
  std::string name, unit;
};

}  // namespace

void ZORBindParts(py::module_& module) {
  py::class_<AnalysedMesh>(module, "AnalysedMesh", "A part's analysed mesh, as zorhost render --mesh-out writes it.")
      .def_readonly("vertices", &AnalysedMesh::vertices, "The vertices, float64 (N, 3).")
      .def_readonly("triangles", &AnalysedMesh::triangles, "The triangles, int32 (M, 3), vertices counted from 0.")
      .def_readonly("values", &AnalysedMesh::values, "The analysis at each vertex, float64 (N,), NaN where undefined.")
      .def_readonly("name", &AnalysedMesh::name, "What was measured: \"mean curvature\".")
      .def_readonly("unit", &AnalysedMesh::unit, "The unit of the values: \"1/mm\".")
      .def("__repr__", [](const AnalysedMesh& mesh) {
        return "<zorscale.AnalysedMesh: " + mesh.name + " (" + mesh.unit + "), " + std::to_string(mesh.vertices.shape(0)) +
               " vertices, " + std::to_string(mesh.triangles.shape(0)) + " triangles>";
      });

  py::class_<ZORPythonPart>(module, "Part",
                            "A part read from a CAD or mesh file, analysed, pictured and measured as zorhost render does it.")
      .def_static(
          "read",
          [](const std::string& path, std::optional<double> timeLimit, std::optional<std::string> unit,
             std::optional<std::string> field) {
            py::gil_scoped_release unlocked;
            return ZORPythonPart::Read(path, timeLimit, unit.value_or(""), field.value_or(""));
          },
          py::arg("path"), py::kw_only(), py::arg("time_limit") = py::none(), py::arg("unit") = py::none(),
          py::arg("field") = py::none(),
          "The part in the file at `path`: STEP (.step, .stp), IGES (.iges, .igs), STL, OBJ or PLY. `unit` names the "
          "length unit of a mesh whose file states none; `field` a PLY vertex property to analyse as \"field\". With "
          "`time_limit` (seconds) the file is tried first in a child process and a TimeoutError raised past it.")
      .def("__repr__", [](const ZORPythonPart& part) { return "<zorscale.Part: " + part.Description() + ">"; })
      .def(
          "analyse",
          [](ZORPythonPart& part, const std::string& analysis, std::optional<std::string> reference, OptionalPull pull,
             OptionalPull light, const std::string& thickness, std::optional<std::string> field, const std::string& edges, std::optional<double> maxDistance, int threads,
             std::optional<double> deflection) {
            const ZORPictureSettings settings = SettingsOf({analysis, reference, pull, light, thickness, field, edges, maxDistance, threads});
            ZORPythonPart::Analysed analysed;
            {
              py::gil_scoped_release unlocked;
              analysed = part.Analyse(settings, deflection);
            }
            AnalysedMesh mesh;
            mesh.vertices = py::array_t<double>({static_cast<py::ssize_t>(analysed.vertices.size()), py::ssize_t{3}});
            auto v = mesh.vertices.mutable_unchecked<2>();
            for (std::size_t i = 0; i < analysed.vertices.size(); ++i) {
              const auto row = static_cast<py::ssize_t>(i);
              v(row, 0) = analysed.vertices[i].x;
              v(row, 1) = analysed.vertices[i].y;
              v(row, 2) = analysed.vertices[i].z;
            }
            mesh.triangles = py::array_t<std::int32_t>({static_cast<py::ssize_t>(analysed.triangles.size()), py::ssize_t{3}});
            auto t = mesh.triangles.mutable_unchecked<2>();
            for (std::size_t i = 0; i < analysed.triangles.size(); ++i) {
              for (int k = 0; k < 3; ++k) t(static_cast<py::ssize_t>(i), k) = analysed.triangles[i][static_cast<std::size_t>(k)];
            }
            mesh.values = py::array_t<double>(static_cast<py::ssize_t>(analysed.values.size()), analysed.values.data());
            mesh.name = analysed.name;
            mesh.unit = analysed.unit;
            return mesh;
          },
          ZOR_ANALYSIS_ARGS, py::arg("deflection") = py::none(),
          "The analysis (gaussian, mean, min, max, deviation, draft, field, isophote, reflection, thickness) at the vertices of the part's analysed "
          "mesh, as zorhost render --mesh-out writes it: a CAD part meshed within `deflection` (else a thousandth of its "
          "size), its values exact at the vertices; a mesh part is its own mesh.")
      .def(
          "picture",
          [](ZORPythonPart& part, const std::string& analysis, std::optional<std::string> reference, OptionalPull pull,
             OptionalPull light, const std::string& thickness, std::optional<std::string> field, const std::string& edges, std::optional<double> maxDistance, int threads,
             const std::string& view, std::pair<int, int> size, double zoom, std::pair<double, double> pan) {
            ZORPictureSettings settings = SettingsOf({analysis, reference, pull, light, thickness, field, edges, maxDistance, threads});
            View(settings, view, size, zoom, pan);
            ZORPictureValues picture;
            {
              py::gil_scoped_release unlocked;
              picture = part.Picture(settings);
            }
            const ZORValueGrid& grid = picture.grid;
            py::array_t<double> values({static_cast<py::ssize_t>(grid.height), static_cast<py::ssize_t>(grid.width)});
            double* out = values.mutable_data();
            for (std::size_t i = 0; i < grid.values.size(); ++i) {
              out[i] = picture.Covered(i) ? grid.values[i] : std::numeric_limits<double>::quiet_NaN();
            }
            return values;
          },
          ZOR_ANALYSIS_ARGS, py::arg("view") = "iso", py::arg("size") = std::pair{1024, 768}, py::arg("zoom") = 1.0,
          py::arg("pan") = std::pair{0.0, 0.0},
          "The analysis at each pixel of the part seen from `view` (iso, front, ..., or \"AZ,EL\"), float64 (H, W), NaN "
          "where no surface is seen or the analysis is undefined: zorhost render --values-out's values, to the bit. "
          "scale.paint(values) paints them as zorhost does.")
      .def(
          "statistics",
          [](ZORPythonPart& part, const std::string& analysis, std::optional<std::string> reference, OptionalPull pull,
             OptionalPull light, const std::string& thickness, std::optional<std::string> field, const std::string& edges, std::optional<double> maxDistance, int threads,
             ZORPythonScale* scale, const py::object& tolerance, std::optional<double> minDraft,
             std::optional<double> minThickness, double passShare) {
            const ZORPictureSettings settings = SettingsOf({analysis, reference, pull, light, thickness, field, edges, maxDistance, threads});
            ZORScaleRecipe recipe;
            if (!tolerance.is_none()) {
              const std::string text = py::isinstance<py::tuple>(tolerance) || py::isinstance<py::list>(tolerance)
                                           ? ZORExactNumber(tolerance.cast<std::pair<double, double>>().first) + "," +
                                                 ZORExactNumber(tolerance.cast<std::pair<double, double>>().second)
                                           : ZORExactNumber(tolerance.cast<double>());
              recipe.tolerance = ZORReadTolerance(text);
              if (!recipe.tolerance) throw ZORPythonProblem({ZORProblem::Kind::Usage, std::string("tolerance is ") + kZORToleranceForm});
            }
            recipe.minDraft = minDraft;
            if (minThickness && !ZORIsMinimumWall(*minThickness)) {
              throw ZORPythonProblem({ZORProblem::Kind::Usage, std::string("min_thickness is ") + kZORMinimumWallForm});
            }
            recipe.minThickness = minThickness;
            if (!(passShare >= 0.0 && passShare <= 100.0)) throw ZORPythonProblem({ZORProblem::Kind::Usage, "pass_share is from 0 to 100"});
            recipe.passShare = passShare;
            recipe.diverging = settings.analysis == ZORAnalysis::Deviation && !recipe.tolerance;
            ZORChooseAnalysisScale(settings.analysis, recipe);
            std::string json;
            {
              py::gil_scoped_release unlocked;
              json = part.Statistics(settings, recipe, scale);
            }
            return py::module_::import("json").attr("loads")(json);
          },
          ZOR_ANALYSIS_ARGS, py::arg("scale") = py::none(), py::arg("tolerance") = py::none(),
          py::arg("min_draft") = py::none(), py::arg("min_thickness") = py::none(), py::arg("pass_share") = 100.0,
          "The statistics of the analysis over the whole part by area, as the record zorhost render --stats-out writes "
          "(docs/statistics.md): extremes and where, mean, spread, percentiles, each block's share of `scale` (else the "
          "scale zorhost render makes), and with `tolerance` (T or (LO, HI)), `min_draft` or `min_thickness` the shares and "
          "the verdict.")
      .def(
          "deviation_at",
          [](ZORPythonPart& part, const py::array_t<double, py::array::c_style | py::array::forcecast>& points,
             const std::string& reference, int threads) {
            if (points.ndim() != 2 || points.shape(1) != 3) throw py::value_error("points is an (N, 3) array");
            std::vector<ZORVec3> asked(static_cast<std::size_t>(points.shape(0)));
            auto p = points.unchecked<2>();
            for (py::ssize_t i = 0; i < points.shape(0); ++i) asked[static_cast<std::size_t>(i)] = {p(i, 0), p(i, 1), p(i, 2)};
            const ZORPictureSettings settings = SettingsOf({"deviation", reference, std::nullopt, std::nullopt, "ray", std::nullopt, "keep", std::nullopt, threads});
            std::vector<double> deviations;
            {
              py::gil_scoped_release unlocked;
              deviations = part.DeviationAt(settings, asked);
            }
            return py::array_t<double>(static_cast<py::ssize_t>(deviations.size()), deviations.data());
          },
          py::arg("points"), py::arg("reference"), py::kw_only(), py::arg("threads") = 0,
          "The signed distance of each of `points` (N, 3) from the part at `reference`, positive on the side its "
          "outward normals point to, as zorhost's deviation measures it (beyond an edge, to the edge).");
}
