#include "ScriptTestFixture.h"

#include "lua/LuaIncludes.h"
#include "lua/ScriptLimits.h"
#include "midi/LuaMIDISession.h"

namespace miditest {

namespace {
std::atomic<int64_t> wallNow{0}, cpuNow{0}, wallStep{0}, cpuStep{0};
int64_t testWall() { return wallNow.fetch_add(wallStep.load()); }
int64_t testCpu() { return cpuNow.fetch_add(cpuStep.load()); }
}  // namespace

ScriptTest::ScriptTest() {
  tickClocks(0, 0);
  HC::ScriptLimits::setClocks({&testWall, &testCpu});
}

ScriptTest::~ScriptTest() {
  effect.reset();  // its finalizers run under the test's clocks too
  HC::ScriptLimits::setClocks({});
}

void ScriptTest::tickClocks(int64_t wallStepNs, int64_t cpuStepNs) {
  wallStep.store(wallStepNs);
  cpuStep.store(cpuStepNs);
}

HvcQuorvella& ScriptTest::fx() {
  if (!effect) effect.reset(new HvcQuorvella(&host));
  return *effect;
}

std::string ScriptTest::run(const std::string& code) {
  HC::LuaMIDISession session(helper());
  lua_State* state = session.state();
  if (!state) return "error: no state";
  int top = lua_gettop(state);
  std::string result;
  if (luaL_loadbuffer(state, code.data(), code.size(), "=test") != 0 ||
      helper().protectedCall(0, 1) != 0) {
    const char* message = lua_tostring(state, -1);
    result = std::string("error: ") + (message ? message : "?");
  } else if (lua_isnil(state, -1)) {
    result = "nil";
  } else if (lua_isboolean(state, -1)) {
    result = lua_toboolean(state, -1) ? "true" : "false";
  } else {
    const char* text = lua_tostring(state, -1);
    result = text ? text : "?";
  }
  lua_settop(state, top);
  return result;
}

int ScriptTest::stackHeight() {
  HC::LuaMIDISession session(helper());
  return lua_gettop(session.state());
}

}  // namespace miditest
