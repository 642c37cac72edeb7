// The Python module _zorscale: the module's color scales for numpy arrays. The package zorscale
// around it adds what is easier said in Python (matplotlib).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "python/PythonScale.h"
#include "zorhost/common/Numbers.h"

namespace py = pybind11;

// Part, its analyses and pictures (PartBindings.cpp).
void ZORBindParts(py::module_& module);

namespace {

// The bytes of a snapshot's colors as an (n, 4) array.
py::array_t<std::uint8_t> ColorArray(const std::vector<ZORRgba>& colors) {
  py::array_t<std::uint8_t> array({static_cast<py::ssize_t>(colors.size()), py::ssize_t{4}});
  auto out = array.mutable_unchecked<2>();
  for (std::size_t k = 0; k < colors.size(); ++k) {
    const auto row = static_cast<py::ssize_t>(k);
    out(row, 0) = static_cast<std::uint8_t>(colors[k].red);
    out(row, 1) = static_cast<std::uint8_t>(colors[k].green);
    out(row, 2) = static_cast<std::uint8_t>(colors[k].blue);
    out(row, 3) = static_cast<std::uint8_t>(colors[k].alpha);
  }
  return array;
}

py::tuple ColorTuple(const ZORRgba& color) { return py::make_tuple(color.red, color.green, color.blue, color.alpha); }

// Values as doubles: any array numpy can make one of.
using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

// The values as one C-ordered array of float32 (kept as they are) or float64 (anything else numpy
// makes numbers of). What numpy cannot hold in memory is a MemoryError, as numpy says it.
py::array ContiguousValues(const py::object& values, bool single) {
  try {
    return py::module_::import("numpy").attr("asarray")(values, single ? "float32" : "float64", "C");
  } catch (py::error_already_set& failed) {
    if (failed.matches(PyExc_MemoryError)) throw;
    throw py::type_error("values must be numbers: an array of float64 or float32, or what numpy makes one of");
  }
}

// A scale whose boundaries were never placed paints every value in its end blocks, which is
// rarely what was meant.
void WarnWhenUnfitted(const ZORPythonScale& scale) {
  if (!scale.Unfitted()) return;
  py::module_::import("warnings")
      .attr("warn")("the scale was never fitted to values: its boundaries are all 0, so every value is painted "
                    "in an end block (fit(values) or impose_range(lowest, highest) places them)",
                    py::module_::import("builtins").attr("UserWarning"), 3);
}

// Paints `values` (float32 read as they are, anything else as float64) into new arrays of their
// shape: colors (..., 4) when asked, blocks (...) when asked. The GIL is let go while painting,
// with the snapshot held: an edit on another thread cannot take it away.
void PaintValues(ZORPythonScale& scale, const py::object& values, int threads, py::array* colors,
                 py::array* blocks) {
  if (threads < 0) throw py::value_error("threads is 0 (one a core) or more, not " + std::to_string(threads));
  const std::shared_ptr<const ZORScaleSnapshot> snapshot = scale.Snapshot();
  WarnWhenUnfitted(scale);
  const bool single = py::isinstance<py::array>(values) &&
                      py::array(py::reinterpret_borrow<py::array>(values)).dtype().is(py::dtype::of<float>());
  const py::array source = ContiguousValues(values, single);
  std::vector<py::ssize_t> shape(source.shape(), source.shape() + source.ndim());
  std::uint8_t* colorData = nullptr;
  std::int32_t* blockData = nullptr;
  if (colors != nullptr) {
    std::vector<py::ssize_t> colorShape = shape;
    colorShape.push_back(4);
    *colors = py::array_t<std::uint8_t>(colorShape);
    colorData = static_cast<std::uint8_t*>(colors->mutable_data());
  }
  if (blocks != nullptr) {
    *blocks = py::array_t<std::int32_t>(shape);
    blockData = static_cast<std::int32_t*>(blocks->mutable_data());
  }
  const auto count = static_cast<std::size_t>(source.size());
  const void* data = source.data();
  py::gil_scoped_release unlocked;
  if (single) {
    ZORPaintArray(snapshot->Definition(), snapshot->Painter(), static_cast<const float*>(data), count, colorData, blockData, threads);
  } else {
    ZORPaintArray(snapshot->Definition(), snapshot->Painter(), static_cast<const double*>(data), count, colorData, blockData, threads);
  }
}

std::span<const double> SpanOf(const DoubleArray& values) {
  return {values.data(), static_cast<std::size_t>(values.size())};
}

}  // namespace

PYBIND11_MODULE(_zorscale, module) {
  module.doc() = "The color scales of ZORCarColorScale, loaded as zorhost loads them.";

  static py::exception<ZORPythonProblem> scaleError(module, "ScaleError", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const ZORPythonProblem& problem) {
      // The run's own failures (the host, the module, a file not written) are not the caller's.
      if (problem.Kind() == ZORProblem::Kind::Failure) {
        PyErr_SetString(PyExc_RuntimeError, problem.what());
      } else if (problem.Kind() == ZORProblem::Kind::TimedOut) {
        PyErr_SetString(PyExc_TimeoutError, problem.what());
      } else {
        scaleError(problem.what());
      }
    }
  });

  module.def("presets", &ZORPythonPresets, "The built-in presets: (name, what it is for).");
  ZORBindParts(module);
  module.def("_use_module", &ZORUseModule, py::arg("path"), "The module to load, when the package knows where it is.");
  module.def("shown_number", [](double value) { return ZORShownNumber(value); }, py::arg("value"),
             "A number as zorhost's legends show it: seven significant digits, the shortest text.");

  py::class_<ZORPythonScale>(module, "Scale")
      .def(py::init<int>(), py::arg("blocks") = 9,
           "zorhost's default scale of `blocks` blocks: blue to red, its extremes following the values "
           "it is fitted to at percentiles 1 and 99.")
      .def_static(
          "load",
          [](const std::string& name) {
            std::vector<std::string> warnings;
            std::unique_ptr<ZORPythonScale> scale;
            {
              py::gil_scoped_release unlocked;  // the repository's file is read without it
              scale = ZORPythonScale::Load(name, warnings);
            }
            py::object warn = py::module_::import("warnings").attr("warn");
            for (const std::string& warning : warnings) warn(warning);
            return scale;
          },
          py::arg("name"), "The scale of the settings repository `name`.")
      .def_static(
          "read",
          [](const std::string& path, std::optional<std::string> format, std::optional<std::string> name) {
            std::vector<std::string> notes;
            std::unique_ptr<ZORPythonScale> scale;
            {
              py::gil_scoped_release unlocked;  // the file is read without it
              scale = ZORPythonScale::Import(path, std::move(format), std::move(name), notes);
            }
            py::object warn = py::module_::import("warnings").attr("warn");
            for (const std::string& note : notes) warn(note);
            return scale;
          },
          py::arg("path"), py::arg("format") = py::none(), py::arg("name") = py::none(),
          "A scale read from a .cpt, .json or .csv file (`format` cpt, json or csv, else told by the extension); "
          "`name` chooses among the color maps of a .json that holds several.")
      .def("save", &ZORPythonScale::Save, py::call_guard<py::gil_scoped_release>(), py::arg("name"),
           "Saves the scale to the settings repository `name`.")
      .def("write", &ZORPythonScale::Export, py::call_guard<py::gil_scoped_release>(), py::arg("path"),
           py::arg("format") = py::none(),
           py::arg("name") = "zorscale", "Writes the scale to a file; returns what the format could not keep.")
      .def("impose_preset", &ZORPythonScale::ImposePreset, py::arg("name"),
           "Imposes a built-in preset's colors (zorscale.presets(); NAME_r reversed); the draft preset "
           "imposes its boundaries too.")
      .def("__repr__", [](ZORPythonScale& scale) { return "<zorscale.Scale: " + scale.Description() + ">"; })
      .def("__eq__", [](ZORPythonScale& scale, ZORPythonScale& other) { return scale.Whole() == other.Whole(); },
           py::is_operator(), "The same table, options and placing: the scales paint alike.")
      .def("__copy__", [](ZORPythonScale& scale) { return ZORPythonScale::Restore(scale.Whole()); })
      .def("__deepcopy__", [](ZORPythonScale& scale, py::dict) { return ZORPythonScale::Restore(scale.Whole()); },
           py::arg("memo"))
      .def(py::pickle(
          [](ZORPythonScale& scale) {
            const ZORPythonScale::State state = scale.Whole();
            const ZORScaleTable& t = state.table;
            py::list colors;
            for (const ZORRgba& c : t.colors) colors.append(py::make_tuple(c.red, c.green, c.blue, c.alpha));
            py::object undefined = t.undefinedColor ? py::object(ColorTuple(*t.undefinedColor)) : py::object(py::none());
            return py::make_tuple(colors, t.colorImposed, t.boundaries, t.boundaryImposed, undefined, t.tolerance,
                                  t.relative, state.options, state.relative, state.placed);
          },
          [](const py::tuple& saved) {
            if (saved.size() != 10) throw ZORPythonProblem({ZORProblem::Kind::BadInput, "not a pickled zorscale.Scale"});
            ZORPythonScale::State state;
            ZORScaleTable& t = state.table;
            for (const auto& c : saved[0].cast<std::vector<std::tuple<int, int, int, int>>>()) {
              t.colors.push_back({std::get<0>(c), std::get<1>(c), std::get<2>(c), std::get<3>(c)});
            }
            t.colorImposed = saved[1].cast<std::vector<bool>>();
            t.boundaries = saved[2].cast<std::vector<double>>();
            t.boundaryImposed = saved[3].cast<std::vector<bool>>();
            if (!saved[4].is_none()) {
              const auto u = saved[4].cast<std::tuple<int, int, int, int>>();
              t.undefinedColor = ZORRgba{std::get<0>(u), std::get<1>(u), std::get<2>(u), std::get<3>(u)};
            }
            t.tolerance = saved[5].cast<double>();
            t.relative = saved[6].cast<bool>();
            state.options = saved[7].cast<std::vector<std::pair<std::string, int>>>();
            state.relative = saved[8].cast<std::vector<double>>();
            state.placed = saved[9].cast<bool>();
            return ZORPythonScale::Restore(state);
          }))
      .def("_repr_png_", [](ZORPythonScale& scale) { return py::bytes(scale.LegendPng()); },
           "The legend, as notebooks show a scale.")
      // Drawn by matplotlib, which only Python holds: the methods hand the scale to the package's
      // own module, imported when first asked so that the package loads without matplotlib.
      .def(
          "to_matplotlib",
          [](py::object scale) { return py::module_::import("zorscale._matplotlib").attr("to_matplotlib")(scale); },
          "Returns (cmap, norm) for matplotlib drawing exactly the colors the scale paints; see "
          "zorscale.to_matplotlib.")
      .def(
          "colorbar",
          [](py::object scale, py::object where, py::kwargs options) {
            return py::module_::import("zorscale._matplotlib").attr("colorbar")(scale, where, **options);
          },
          py::arg("where") = py::none(),
          "Draws the scale's colorbar like zorhost's legend beside `where` (a mappable or Axes); see "
          "zorscale.colorbar.")
      .def("impose_range", &ZORPythonScale::ImposeRange, py::arg("lowest"), py::arg("highest"),
           "Imposes the extremes; they no longer follow the values.")
      .def(
          "impose_tolerance",
          [](ZORPythonScale& scale, const py::object& tolerance, std::pair<double, double> range) {
            double low = 0.0, high = 0.0;
            if (py::isinstance<py::tuple>(tolerance) || py::isinstance<py::list>(tolerance)) {
              const auto pair = tolerance.cast<std::pair<double, double>>();
              low = pair.first;
              high = pair.second;
            } else {
              high = tolerance.cast<double>();
              low = -high;
            }
            scale.ImposeTolerance(low, high, range.first, range.second);
          },
          py::arg("tolerance"), py::arg("range"),
          "The tolerance scale, as zorhost render --tolerance makes it: `tolerance` T (from -T to T) or "
          "(LO, HI) in one green block, warm blocks above and cool below at round steps out to `range` "
          "(lowest, highest).")
      .def("impose_draft_limit", &ZORPythonScale::ImposeDraftLimit, py::arg("angle"),
           "The draft scale with its pass limit at `angle` degrees, undercuts apart, as --min-draft makes it.")
      .def(
          "fit", [](ZORPythonScale& scale, const DoubleArray& values) { return scale.Fit(SpanOf(values)); },
          py::arg("values"), "Acts on the scale's options over `values`, as zorhost over a part; returns what was done.")
      .def(
          "classify",
          [](ZORPythonScale& scale, const DoubleArray& values, const std::string& method) {
            return scale.Classify(SpanOf(values), method);
          },
          py::arg("values"), py::arg("method") = "quantile",
          "Imposes boundaries by equal, quantile, jenks, stddev, symmetric or log classes of `values`.")
      .def_property_readonly("block_count", [](ZORPythonScale& scale) { return scale.Snapshot()->Blocks(); },
                             "The number of blocks.")
      .def_property_readonly("boundaries",
                             [](ZORPythonScale& scale) {
                               const std::shared_ptr<const ZORScaleSnapshot> snapshot = scale.Snapshot();
                               const std::vector<double>& boundaries = snapshot->Definition().boundaries;
                               return py::array_t<double>(static_cast<py::ssize_t>(boundaries.size()), boundaries.data());
                             },
                             "The boundaries, block 1 to 2 first: n - 1 values.")
      .def_property_readonly("colors",
                             [](ZORPythonScale& scale) { return ColorArray(scale.Snapshot()->Definition().colors); },
                             "The blocks' colors, uint8 (n, 4), red first.")
      .def_property_readonly("colors_imposed",
                             [](ZORPythonScale& scale) {
                               const std::shared_ptr<const ZORScaleSnapshot> snapshot = scale.Snapshot();
                               std::vector<bool> imposed;
                               for (int k = 1; k <= snapshot->Blocks(); ++k) imposed.push_back(snapshot->ColorImposed(k));
                               return imposed;
                             },
                             "Per block, whether its color is imposed (else interpolated, and a value inside the block is blended toward the next block's color).")
      .def_property_readonly("boundaries_imposed",
                             [](ZORPythonScale& scale) {
                               const std::shared_ptr<const ZORScaleSnapshot> snapshot = scale.Snapshot();
                               std::vector<bool> imposed;
                               for (int k = 1; k < snapshot->Blocks(); ++k) imposed.push_back(snapshot->BoundaryImposed(k));
                               return imposed;
                             },
                             "Per boundary, whether it is imposed (else interpolated between the imposed ones).")
      .def_property_readonly("undefined_color",
                             [](ZORPythonScale& scale) { return ColorTuple(scale.Snapshot()->Definition().undefinedColor); },
                             "The color of NaN and of values no block takes: (r, g, b, a).")
      .def_property_readonly(
          "spans",
          [](ZORPythonScale& scale) {
            py::list spans;
            const std::shared_ptr<const ZORScaleSnapshot> snapshot = scale.Snapshot();
            for (int k = 1; k <= snapshot->Blocks(); ++k) {
              const ZORScaleSnapshot::Span& span = snapshot->SpanOf(k);
              spans.append(span.placed ? py::object(py::make_tuple(span.first, span.last)) : py::object(py::none()));
            }
            return spans;
          },
          "Per block, the first and last value painted in it, or None when no value is.")
      .def(
          "paint",
          [](ZORPythonScale& scale, const py::object& values, int threads) {
            py::array colors;
            PaintValues(scale, values, threads, &colors, nullptr);
            return colors;
          },
          py::arg("values"), py::arg("threads") = 0,
          "The colors of `values` (any shape) as uint8 (..., 4), red first: what GetColorForValue gives, "
          "the undefined color for NaN and where no block takes a value, as zorhost paints pictures.")
      .def(
          "blocks",
          [](ZORPythonScale& scale, const py::object& values, int threads) {
            py::array blocks;
            PaintValues(scale, values, threads, nullptr, &blocks);
            return blocks;
          },
          py::arg("values"), py::arg("threads") = 0,
          "The block of each value (1 to n), as GetColorForValue returns it; 0 for NaN (undefined), -1 where "
          "no block takes a value.")
      .def(
          "color_for_value",
          [](ZORPythonScale& scale, double value) {
            ZORRgba color;
            const int block = scale.ColorForValue(value, color);
            return py::make_tuple(block, block < 0 ? py::object(py::none()) : py::object(ColorTuple(color)));
          },
          py::arg("value"), "GetColorForValue itself, through the module: (block, color), color None for -1.")
      .def(
          "color_steps",
          [](ZORPythonScale& scale) {
            const ZORColorSteps steps = scale.ColorSteps();
            return py::make_tuple(py::array_t<double>(static_cast<py::ssize_t>(steps.thresholds.size()), steps.thresholds.data()),
                                  ColorArray(steps.colors));
          },
          "(thresholds, colors): from thresholds[k-1] up to below thresholds[k] values are painted colors[k].");
}
