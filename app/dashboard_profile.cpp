#include "app/dashboard_profile.h"

#include <string>

#include "app/dashboard_settings.h"

namespace quarvel {

namespace {

constexpr int kDashboardPort = 27500;

Text Authority(const DashboardProfile& profile) {
  return profile.host + ":" + std::to_string(profile.port);
}

}  // namespace

Text DashboardProfile::Url(std::string_view path) const {
  return "https://" + Authority(*this) + Text(path);
}

Text DashboardProfile::Headers() const {
  return "Accept: */*\r\n"
         "Accept-Encoding: gzip, deflate, br\r\n"
         "Accept-Language: zh-CN,zh;q=0.9\r\n"
         "Authorization: Basic " +
         token +
         "\r\n"
         "Connection: keep-alive\r\n"
         "Host: " +
         Authority(*this) +
         "\r\n"
         "Referer: https://" +
         Authority(*this) +
         "/static/\r\n"
         "User-Agent: Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like "
         "Gecko) Chrome/69.0.3497.100 Safari/537.36";
}

HttpRequestParams DashboardProfile::Request(std::string_view path) const {
  HttpRequestParams params;
  params.url = Url(path);
  params.method = 0;
  params.headers = Headers();
  params.pinnedPublicKey = pinnedPublicKey;
  return params;
}

Text FetchFromDashboard(const DashboardProfile& profile, std::string_view path) {
  HttpRequestParams request = profile.Request(path);
  return HttpRequest(request);
}

const DashboardProfile& CompiledDashboardProfile() {
  static const DashboardProfile profile{kConfiguredDashboardHost, kDashboardPort,
                                        kConfiguredDashboardToken, kConfiguredDashboardPin};
  return profile;
}

}  // namespace quarvel
