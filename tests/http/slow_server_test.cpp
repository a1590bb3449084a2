// A server that answers one byte at a time: each byte counts as progress for the
// per-phase time-out, so only the bound on the whole exchange ends the call.
#include <gtest/gtest.h>

#include <chrono>

#include "http/code_page.h"
#include "http/http_request.h"
#include "tests/fixtures/fixture_server_test.h"
#include "tests/fixtures/wine.h"

namespace quarvel {
namespace {

using Clock = std::chrono::steady_clock;

class SlowServerTest : public testing::FixtureServerTest {
 protected:
  // Runs params and answers how long the call took, in seconds.
  static double Timed(HttpRequestParams& params, Text& result) {
    const auto start = Clock::now();
    result = HttpRequest(params);
    return std::chrono::duration<double>(Clock::now() - start).count();
  }
};

TEST_F(SlowServerTest, BodyTrickledForeverEndsAtTheOverallBoundAsAFailedRead) {
  struct Case {
    int timeoutSeconds;
    int overallTimeoutSeconds;
    double bound;  // when the call ends at the latest: the overall bound plus one phase
  };
  // Left out, the overall bound is four phases: the dashboard's 30 s make 120 s.
  for (const Case c : {Case{1, 0, 4 + 1}, Case{1, 2, 2 + 1}}) {
    HttpRequestParams params;
    params.url = server_->HttpsUrl("/trickle?every=0.5");
    params.timeoutSeconds = c.timeoutSeconds;
    params.overallTimeoutSeconds = c.overallTimeoutSeconds;
    params.responseHeaders = "before";
    Text result = "before";
    const double seconds = Timed(params, result);
    RecordProperty("seconds_overall_" + std::to_string(c.overallTimeoutSeconds),
                   std::to_string(seconds));
    // The bytes that came are no reply: nothing of them is handed out.
    EXPECT_EQ(result, "");
    EXPECT_EQ(params.statusText, Utf16ToAnsi(u"713 读取数据失败!"));
    EXPECT_EQ(params.responseHeaders, "before");
    EXPECT_TRUE(params.responseBody.empty());
    EXPECT_LT(seconds, c.bound + 5) << c.overallTimeoutSeconds;  // slack for a loaded machine
    EXPECT_GE(seconds, c.bound - 1.5) << c.overallTimeoutSeconds;
  }
}

TEST_F(SlowServerTest, HeadTrickledInShortLinesEndsAtTheReceiveTimeout) {
  // Windows bounds the whole head by the receive time-out; Wine bounds each read only.
  if (testing::RunningUnderWine()) {
    GTEST_SKIP() << "Wine's WinHTTP waits for a trickled head for ever";
  }
  // Every line comes well within the time-out, but the head never ends.
  HttpRequestParams params;
  params.url = server_->HttpsUrl("/trickle?every=0.05&head=1");
  params.timeoutSeconds = 2;
  Text result = "before";
  const double seconds = Timed(params, result);
  EXPECT_EQ(result, "");
  EXPECT_EQ(params.statusText, Utf16ToAnsi(u"712 服务器未响应!"));
  EXPECT_LT(seconds, 2 + 5);
}

}  // namespace
}  // namespace quarvel
