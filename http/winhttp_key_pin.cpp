#include "http/winhttp_key_pin.h"

#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <memory>
#include <string>

namespace quarvel {
namespace {

constexpr std::u16string_view kSha256Prefix = u"sha256//";
// Base64 of 32 bytes: 43 characters and one "=".
constexpr std::size_t kDigestBase64Length = 44;

struct CertificateRelease {
  void operator()(const CERT_CONTEXT* certificate) const {
    CertFreeCertificateContext(certificate);
  }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateRelease>;

struct AlgorithmClose {
  void operator()(void* algorithm) const { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
using Algorithm = std::unique_ptr<void, AlgorithmClose>;

struct HashDestroy {
  void operator()(void* hash) const { BCryptDestroyHash(hash); }
};
using Hash = std::unique_ptr<void, HashDestroy>;

std::optional<KeyDigest> DecodeDigest(std::u16string_view base64) {
  // CryptStringToBinary skips white space and tolerates missing padding; a pin has one exact
  // form, so that is checked first.
  const auto isBase64 = [](char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'+' || c == u'/';
  };
  if (base64.size() != kDigestBase64Length || base64.back() != u'=' ||
      !std::all_of(base64.begin(), base64.end() - 1, isBase64)) {
    return std::nullopt;
  }
  const std::wstring text(base64.begin(), base64.end());
  KeyDigest digest{};
  DWORD size = digest.size();
  if (!CryptStringToBinaryW(text.c_str(), text.size(), CRYPT_STRING_BASE64, digest.data(), &size,
                            nullptr, nullptr) ||
      size != digest.size()) {
    return std::nullopt;
  }
  return digest;
}

std::optional<KeyDigest> Sha256(const std::vector<unsigned char>& data) {
  BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
  if (!BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    return std::nullopt;
  }
  const Algorithm algorithm(rawAlgorithm);
  BCRYPT_HASH_HANDLE rawHash = nullptr;
  if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), &rawHash, nullptr, 0, nullptr, 0, 0))) {
    return std::nullopt;
  }
  const Hash hash(rawHash);
  KeyDigest digest{};
  if (!BCRYPT_SUCCESS(
          BCryptHashData(hash.get(), const_cast<unsigned char*>(data.data()), data.size(), 0)) ||
      !BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(), digest.size(), 0))) {
    return std::nullopt;
  }
  return digest;
}

}  // namespace

std::optional<std::vector<KeyDigest>> DecodeKeyPins(std::u16string_view pins) {
  std::vector<KeyDigest> digests;
  while (true) {
    const std::size_t end = pins.find(u';');
    const std::u16string_view pin = pins.substr(0, end);
    if (!pin.starts_with(kSha256Prefix)) return std::nullopt;
    const auto digest = DecodeDigest(pin.substr(kSha256Prefix.size()));
    if (!digest) return std::nullopt;
    digests.push_back(*digest);
    if (end == std::u16string_view::npos) return digests;
    pins.remove_prefix(end + 1);
  }
}

std::optional<KeyDigest> ServerKeyDigest(HINTERNET request) {
  const CERT_CONTEXT* rawCertificate = nullptr;
  DWORD size = sizeof rawCertificate;
  if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &rawCertificate, &size) ||
      !rawCertificate) {
    return std::nullopt;
  }
  const Certificate certificate(rawCertificate);
  CERT_PUBLIC_KEY_INFO* keyInfo = &certificate->pCertInfo->SubjectPublicKeyInfo;
  DWORD encodedSize = 0;
  if (!CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo, 0, nullptr, nullptr,
                           &encodedSize)) {
    return std::nullopt;
  }
  std::vector<unsigned char> encoded(encodedSize);
  if (!CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo, 0, nullptr,
                           encoded.data(), &encodedSize)) {
    return std::nullopt;
  }
  encoded.resize(encodedSize);
  return Sha256(encoded);
}

}  // namespace quarvel
