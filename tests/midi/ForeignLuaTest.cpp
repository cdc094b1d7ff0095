// A host with another Lua in its global symbol scope (as Ardour exports Lua 5.3): the
// plug-in must keep using its own Lua 5.1, and the host's Lua must keep working.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "MIDITestSupport.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace miditest {
namespace {

struct ForeignState;
using NewState = ForeignState* (*)();
using Close = void (*)(ForeignState*);
using DoString = int (*)(ForeignState*, const char*, size_t, const char*, const char*);
using ToInteger = long long (*)(ForeignState*, int, int*);

// Runs "return 6 * 7" in the host's Lua 5.3 through its global symbols.
long long hostLuaAnswer() {
  auto newState = reinterpret_cast<NewState>(dlsym(RTLD_DEFAULT, "luaL_newstate"));
  auto load = reinterpret_cast<DoString>(dlsym(RTLD_DEFAULT, "luaL_loadbufferx"));
  auto call = reinterpret_cast<int (*)(ForeignState*, int, int, int, intptr_t, void*)>(
      dlsym(RTLD_DEFAULT, "lua_pcallk"));
  auto toInteger = reinterpret_cast<ToInteger>(dlsym(RTLD_DEFAULT, "lua_tointegerx"));
  auto close = reinterpret_cast<Close>(dlsym(RTLD_DEFAULT, "lua_close"));
  if (!newState || !load || !call || !toInteger || !close) return -1;
  ForeignState* state = newState();
  const char code[] = "return 6 * 7";
  long long answer = -2;
  if (load(state, code, sizeof(code) - 1, "host", nullptr) == 0 &&
      call(state, 0, 1, 0, 0, nullptr) == 0)
    answer = toInteger(state, -1, nullptr);
  close(state);
  return answer;
}

TEST(ForeignLua, PluginKeepsItsOwnLuaBesideTheHostsGlobalLua) {
  void* hostLua = dlopen("liblua5.3.so.0", RTLD_NOW | RTLD_GLOBAL);
  ASSERT_NE(hostLua, nullptr) << dlerror();
  ASSERT_EQ(hostLuaAnswer(), 42);

  UserEnvironment user;
  user.addScript("version.lua", R"(
    print(_VERSION, type(setfenv), type(unpack))
    requestCC(90, function(c, n, v) setParameter("Wet Level", v / 127) end)
  )");
  vsthost::PluginLibrary library;
  ASSERT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
  {
    StreamCapture err(2);
    vsthost::HostedEffect fx(library);
    ASSERT_TRUE(fx.valid()) << fx.error();
    EXPECT_EQ(err.stop(), "Lua 5.1\tfunction\tfunction\n");
    fx.sendMidi({{0xB0, 11, 127}, {0xB0, 90, 0}});  // built-in and user handlers
    EXPECT_NEAR(fx.getParameter(7), 1.0f, 1e-6f);
    EXPECT_EQ(fx.getParameter(1), 0.0f);
  }
  // The plug-in exports none of its Lua.
  void* self = dlopen(QUORVELLA_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(self, nullptr);
  for (const char* symbol : {"lua_newstate", "luaL_newstate", "lua_pcall", "luaL_openlibs"})
    EXPECT_EQ(dlsym(self, symbol), nullptr) << symbol;
  dlclose(self);
  EXPECT_EQ(hostLuaAnswer(), 42);
  dlclose(hostLua);
}

}  // namespace
}  // namespace miditest
