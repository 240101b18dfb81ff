#include "base/file_digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>

#include "base/image_error.h"
#include "base/posix_file.h"

namespace lumatrix {

namespace {

struct DigestFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

class Sha256 {
 public:
  explicit Sha256(const std::string& subject) : context_(EVP_MD_CTX_new()) {
    if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1)
      throw ImageError(subject + ": cannot start a SHA-256 digest");
  }
  void add(const void* data, size_t size) { EVP_DigestUpdate(context_.get(), data, size); }
  std::string hex() {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest;
    unsigned int size = 0;
    EVP_DigestFinal_ex(context_.get(), digest.data(), &size);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
      out += kHex[digest[i] >> 4];
      out += kHex[digest[i] & 15];
    }
    return out;
  }

 private:
  std::unique_ptr<EVP_MD_CTX, DigestFree> context_;
};

}  // namespace

std::string text_sha256(std::string_view text) {
  Sha256 digest("text");
  digest.add(text.data(), text.size());
  return digest.hex();
}

std::string file_sha256(const std::filesystem::path& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) throw ImageError(path, system_reason());
  Sha256 digest(path.string());
  std::array<unsigned char, 1 << 16> buffer;
  while (true) {
    const ssize_t got = ::read(file.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw ImageError(path, system_reason());
    if (got == 0) break;
    digest.add(buffer.data(), static_cast<size_t>(got));
  }
  return digest.hex();
}

}  // namespace lumatrix
