#include "zorhost/ImageFiles.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

bool ZORWriteFilesWhole(const std::vector<std::pair<std::string, std::string>>& files,
                        std::string& error) {
  std::vector<std::string> temporaries;
  auto discard = [&temporaries] {
    for (const std::string& temporary : temporaries) unlink(temporary.c_str());
  };
  for (const auto& [path, contents] : files) {
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      error = "cannot write '" + path + "': " + std::strerror(errno);
      discard();
      return false;
    }
    temporaries.push_back(temporary);
    std::size_t written = 0;
    while (written < contents.size()) {
      ssize_t put = write(fd, contents.data() + written, contents.size() - written);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) break;
      written += static_cast<std::size_t>(put);
    }
    if (written != contents.size() || close(fd) != 0) {
      error = "cannot write '" + path + "': " + std::strerror(errno);
      discard();
      return false;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (rename(temporaries[i].c_str(), files[i].first.c_str()) != 0) {
      error = "cannot write '" + files[i].first + "': " + std::strerror(errno);
      discard();
      return false;
    }
  }
  return true;
}
