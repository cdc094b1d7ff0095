#include "osc/OSCSendFunction.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>

#include "lua/LuaIncludes.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCReplyPacket.h"
#include "osc/OSCSender.h"

namespace HC {

namespace {
constexpr char kFunctionName[] = "sendOSC";
constexpr char kFormatMismatch[] = "format string length mismatch in sendOSC";
constexpr char kUnhandledType[] = "unhandled argument type return from call";

// Round to nearest, ties to even, into int32 (saturating; NaN gives 0).
int32_t roundToInt32(double value) {
  if (std::isnan(value)) return 0;
  double r = std::nearbyint(value);
  if (r <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  if (r >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(r);
}
}  // namespace

// Everything the C++ side needs, and the error text it leaves for the script error.
struct OSCSendFunction::Job {
  const char* url = nullptr;
  const char* address = nullptr;
  const char* format = nullptr;
  size_t formatLength = 0;
  int valuesAt = 0;  // stack position of the values table, 0 when none
  char error[256] = {};
};

int OSCSendFunction::sendOSC(lua_State* state) {
  // Argument checks first: they raise Lua errors, and nothing with a destructor may be
  // alive when a Lua error unwinds this frame.
  Job job;
  job.url = luaL_checkstring(state, 1);
  job.address = luaL_checkstring(state, 2);
  int count = lua_gettop(state);
  if (count == 3) {
    job.valuesAt = 3;
  } else if (count == 4) {
    job.format = luaL_checklstring(state, 3, &job.formatLength);
    job.valuesAt = 4;
  }
  if (job.valuesAt) luaL_checktype(state, job.valuesAt, LUA_TTABLE);
  if (!build(state, job)) return luaL_error(state, "%s", job.error);
  return 0;
}

bool OSCSendFunction::build(lua_State* state, Job& job) {
  auto fail = [&job](const char* text) {
    std::strncpy(job.error, text, sizeof job.error - 1);
    // The socket layer ends its texts with a line end, which a script's message (and an
    // OSC reply carrying it) must not.
    size_t length = std::strlen(job.error);
    while (length > 0 && (job.error[length - 1] == '\n' || job.error[length - 1] == '\r'))
      job.error[--length] = '\0';
    return false;
  };
  try {
    OSCEndpoint endpoint = OSCEndpoint::fromURL(job.url);
    OSCReplyPacket packet(job.address);
    if (job.valuesAt) {
      size_t n = lua_objlen(state, job.valuesAt);
      if (job.format && job.formatLength != n) return fail(kFormatMismatch);
      for (size_t k = 1; k <= n; ++k) {
        // Reading an element raw needs no memory and runs no script code; each element
        // leaves the stack once appended, so any length fits.
        lua_rawgeti(state, job.valuesAt, static_cast<int>(k));
        int type = lua_type(state, -1);
        if (type == LUA_TNIL) {
          packet.stream() << osc::OscNil;
        } else if (type == LUA_TNUMBER || (type == LUA_TSTRING && lua_isnumber(state, -1))) {
          double value = lua_tonumber(state, -1);
          if (job.format && job.format[k - 1] == 'i')
            packet.stream() << static_cast<osc::int32>(roundToInt32(value));
          else
            packet.stream() << static_cast<float>(value);
        } else if (type == LUA_TSTRING) {
          packet.stream() << lua_tostring(state, -1);
        } else {
          lua_pop(state, 1);
          return fail(kUnhandledType);
        }
        lua_pop(state, 1);
      }
    }
    packet.finish();
    OSCSender sender(endpoint);
    sender.send(packet.data(), packet.size());
  } catch (const std::exception& error) {
    return fail(error.what());
  }
  return true;
}

}  // namespace HC
