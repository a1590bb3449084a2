// Public-key pins for the WinHTTP transport: decoding curl's "sha256//BASE64" pins and
// hashing the key of the certificate a request's server presented, the same way curl does
// (SHA-256 of the certificate's DER SubjectPublicKeyInfo). Windows only.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace quarvel {

using KeyDigest = std::array<unsigned char, 32>;

// Decodes pins joined by ";", each "sha256//" and the Base64 of a 32-byte digest. Answers
// nothing when the list is empty or any piece is malformed: a pin that cannot be read must
// not quietly narrow to the others.
std::optional<std::vector<KeyDigest>> DecodeKeyPins(std::u16string_view pins);

// The digest of the public key of the certificate request's server presented; nothing when
// there is none (no TLS connection yet, a plain connection) or it cannot be computed.
std::optional<KeyDigest> ServerKeyDigest(HINTERNET request);

}  // namespace quarvel
