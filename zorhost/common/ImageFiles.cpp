#include "zorhost/common/ImageFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "zor/ZORFileReplacement.h"

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

}  // namespace

std::string ZOREncodePng(int width, int height, const std::vector<std::uint8_t>& rgba) {
  std::string encoded;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &encoded, &AppendBytes, &NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int row = 0; row < height; ++row) {
    png_write_row(png, rgba.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width) * 4);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return encoded;
}

std::string ZORBase64(const std::string& bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned a = static_cast<unsigned char>(bytes[i]);
    const unsigned b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const unsigned c = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
    const unsigned triple = (a << 16) | (b << 8) | c;
    text += kDigits[(triple >> 18) & 63];
    text += kDigits[(triple >> 12) & 63];
    text += i + 1 < bytes.size() ? kDigits[(triple >> 6) & 63] : '=';
    text += i + 2 < bytes.size() ? kDigits[triple & 63] : '=';
  }
  return text;
}

namespace {

// A file about to be replaced: its new contents under a temporary name, and a second name for
// its old contents until every file is in place.
struct Replacement {
  explicit Replacement(const std::string& path) : file(path), keep(path) {}
  ZORFileReplacement file;
  ZORFileReplacement keep;  // only its temporary name is used, as a hard link to the old file
  bool existed = false;
};

}  // namespace

bool ZORWriteFilesWhole(const std::vector<std::pair<std::string, std::string>>& files,
                        std::string& error) {
  // Nothing is touched until every destination is known to be replaceable.
  for (const auto& [path, contents] : files) {
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
      error = "cannot write '" + path + "': it is a directory";
      return false;
    }
  }
  std::vector<std::unique_ptr<Replacement>> replacements;
  std::string problem;
  for (const auto& [path, contents] : files) {
    ZORRemoveStaleTemporariesOf(path);
    auto& replacement = *replacements.emplace_back(std::make_unique<Replacement>(path));
    if (!replacement.file.Open(problem) || !replacement.file.Write(contents, problem) ||
        !replacement.file.Close(true, ZORDefaultFileMode(), problem)) {
      error = "cannot write '" + path + "': " + problem;
      return false;
    }
  }
  // The old files keep a second name, so that a rename that fails can undo those before it.
  for (auto& replacement : replacements) {
    const std::string& path = replacement->file.Path();
    struct stat status {};
    replacement->existed = lstat(path.c_str(), &status) == 0;
    if (!replacement->existed) continue;
    if (!replacement->keep.Open(problem) || !replacement->keep.Close(false, 0600, problem) ||
        unlink(replacement->keep.TemporaryPath().c_str()) != 0 ||
        link(path.c_str(), replacement->keep.TemporaryPath().c_str()) != 0) {
      error = "cannot write '" + path + "': cannot keep the old file until the new one is in " +
              "place: " + (problem.empty() ? std::strerror(errno) : problem);
      return false;
    }
  }
  for (std::size_t i = 0; i < replacements.size(); ++i) {
    if (replacements[i]->file.Rename(problem)) continue;
    error = "cannot write '" + replacements[i]->file.Path() + "': " + problem;
    for (std::size_t j = 0; j < i; ++j) {
      const Replacement& done = *replacements[j];
      if (done.existed) {
        rename(done.keep.TemporaryPath().c_str(), done.file.Path().c_str());
      } else {
        unlink(done.file.Path().c_str());
      }
    }
    return false;
  }
  return true;
}
