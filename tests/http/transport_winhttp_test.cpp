// The WinHTTP transport's own checks, besides those every transport is held to
// (transport_conformance_test.cpp): the errors it reports, and the public-key pins it takes.
#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/code_page.h"
#include "http/http_request.h"
#include "tests/fixtures/wine.h"
#include "tests/http/transport_test_fixture.h"

namespace quarvel {

const BackendTraits& TestedBackend() {
  static const BackendTraits traits = {
      // Wine's WinHTTP ends such a body quietly, as if it were complete.
      .shortBodyFails = !testing::RunningUnderWine(),
      .shortBodyMayFailWhileWaiting = true,
  };
  return traits;
}

namespace {

using testing::RunningUnderWine;
using WinHttpTransportTest = TransportTest;

TEST_F(WinHttpTransportTest, SelfSignedCertificateFailsTheSendWithASecureFailure) {
  Open(server_->HttpsPort(), u"/echo", true);
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  // Windows reports ERROR_WINHTTP_SECURE_FAILURE, Wine ERROR_WINHTTP_SECURE_CHANNEL_ERROR.
  const DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_WINHTTP_SECURE_FAILURE ||
              (RunningUnderWine() && error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR))
      << error;
}

// A well-formed pin that matches no key of the fixture.
constexpr char16_t kOtherKeyPin[] = u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=";

TEST_F(WinHttpTransportTest, PinsAreTakenOnlyWellFormedAndOnlyForTlsRequests) {
  const std::u16string good = AnsiToUtf16(server_->PublicKeyPin());
  struct Case {
    std::u16string pins;
    bool taken;
  };
  const std::vector<Case> cases = {
      {good, true},
      {std::u16string(kOtherKeyPin) + u";" + good, true},
      {u"", false},
      {u"sha256//", false},
      {u"sha256//AAAA", false},                                          // too short a digest
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNEA", false},  // 33 bytes
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80f*NE=", false},  // not Base64
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80f NE=", false},  // white space
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE ", false},  // no padding
      {u"SHA256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=", false},
      {u"sha1//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=", false},
      {good + u";", false},  // an empty piece is not a pin either
      {good + u";sha256//AAAA", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToAnsi(c.pins));
    Open(server_->HttpsPort(), u"/status/200", true);
    EXPECT_EQ(transport_.SetPinnedPublicKey(request_, c.pins.c_str()), c.taken);
    Close();
  }
  Open(server_->HttpPort(), u"/status/200", false);
  EXPECT_FALSE(transport_.SetPinnedPublicKey(request_, good.c_str()));
}

TEST_F(WinHttpTransportTest, WrongKeyFailsTheSendStepAndEveryStepAfter) {
  Open(server_->HttpsPort(), u"/status/200?wrong-key", true);
  ASSERT_TRUE(transport_.SetOption(request_, kOptionSecurityFlags, kSecurityFlagsIgnoreCertErrors));
  ASSERT_TRUE(transport_.SetPinnedPublicKey(request_, kOtherKeyPin));
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_WINHTTP_SECURE_FAILURE));
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_TRUE(transport_.CloseHandle(request_));
  request_ = kNullHandle;
  // Windows aborts the request before it is written; Wine 8 writes it before it fails.
  if (!RunningUnderWine()) {
    const std::string served = HttpRequest(server_->HttpUrl("/__requests"), 0, "");
    EXPECT_EQ(served.find("wrong-key"), std::string::npos) << served;
  }
}

}  // namespace
}  // namespace quarvel
