#include "zorhost/common/Base64.h"

#include <openssl/evp.h>

#include <algorithm>

std::string ZORBase64(std::string_view bytes) {
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4 + 1);
  // OpenSSL takes an int length: very large data in pieces of whole triples.
  constexpr std::size_t kPiece = std::size_t{3} << 28;
  for (std::size_t at = 0; at < bytes.size() || (at == 0 && bytes.empty()); at += kPiece) {
    const std::size_t length = std::min(kPiece, bytes.size() - at);
    std::string piece(4 * ((length + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(piece.data()),
                                        reinterpret_cast<const unsigned char*>(bytes.data() + at), static_cast<int>(length));
    encoded.append(piece.data(), static_cast<std::size_t>(written));
    if (bytes.empty()) break;
  }
  return encoded;
}
