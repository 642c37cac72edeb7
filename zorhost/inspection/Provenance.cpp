#include "zorhost/inspection/Provenance.h"

#include <openssl/evp.h>

#include <memory>

#include "zorhost/common/InputFiles.h"

ZOROutcome ZORDescribeInput(const std::string& role, const std::string& path, const std::string& lengthUnit,
                            ZORInputFile& input) {
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    return ZORFailure("the SHA-256 digest could not be started");
  }
  input = {role, path, 0, {}, lengthUnit};
  bool digested = true;
  if (ZOROutcome problem = ZORReadChunks(path, ZORInputKind::RegularFile, [&](std::string_view chunk) {
        input.bytes += chunk.size();
        digested = EVP_DigestUpdate(context.get(), chunk.data(), chunk.size()) == 1;
        return digested;
      })) {
    return problem;
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!digested || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
    return ZORFailure(path + ": its SHA-256 digest could not be made");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  for (unsigned int i = 0; i < length; ++i) {
    input.sha256 += kHex[digest[i] >> 4];
    input.sha256 += kHex[digest[i] & 15];
  }
  return std::nullopt;
}
