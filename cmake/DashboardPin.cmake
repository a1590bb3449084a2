# The dashboard's public-key pin, checked before it is baked into the build.
#   -DQUARVEL_DASHBOARD_PIN=sha256//BASE64=  only a server with that key is accepted
# Several pins (the current key and its successor) are joined by ";" in a quoted value.
# Empty keeps certificate errors ignored, as a self-signed dashboard needs.
if(NOT QUARVEL_DASHBOARD_PIN STREQUAL "")
  set(pin_pattern "sha256//[A-Za-z0-9+/]+=*")
  if(NOT QUARVEL_DASHBOARD_PIN MATCHES "^${pin_pattern}(;${pin_pattern})*$")
    message(FATAL_ERROR "QUARVEL_DASHBOARD_PIN is not a list of sha256// pins: "
                        "'${QUARVEL_DASHBOARD_PIN}'")
  endif()
endif()
