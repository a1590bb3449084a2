// A generated /api/proxy/tcp reply in the shape frps v0.31 sends, for the JSON benchmarks.
#pragma once

#include <string>

namespace quarvel::bench {

// count proxies; every 50th is offline with "conf":null, the rest listen on 10000 + i.
inline std::string FrpsProxyReply(int count) {
  std::string reply = R"({"proxies":[)";
  for (int i = 0; i < count; ++i) {
    if (i > 0) reply += ',';
    const std::string index = std::to_string(i);
    reply += R"({"name":"proxy_)" + index + R"(","conf":)";
    if (i % 50 == 49) {
      reply += "null";
    } else {
      reply += R"({"proxy_name":"proxy_)" + index +
               R"(","proxy_type":"tcp","use_encryption":false,"use_compression":true,)"
               R"("group":"","group_key":"","proxy_protocol_version":"","bandwidth_limit":"",)"
               R"("local_ip":"192.168.1.)" +
               std::to_string(i % 250) + R"(","local_port":)" + std::to_string(20 + i % 60000) +
               R"(,"plugin":"","plugin_params":null,"health_check_type":"",)"
               R"("health_check_timeout_s":3,"health_check_max_failed":1,)"
               R"("health_check_interval_s":10,"health_check_url":"","health_check_addr":"",)"
               R"("remote_port":)" +
               std::to_string(10000 + i % 50000) + "}";
    }
    reply += R"(,"today_traffic_in":)" + std::to_string(i * 7919L % 100000000) +
             R"(,"today_traffic_out":)" + std::to_string(i * 104729L % 100000000) +
             R"(,"cur_conns":)" + std::to_string(i % 17) +
             R"(,"last_start_time":"12-11 15:45:58","last_close_time":"",)" +
             (i % 50 == 49 ? R"("status":"offline"})" : R"("status":"online"})");
  }
  reply += "]}";
  return reply;
}

}  // namespace quarvel::bench
