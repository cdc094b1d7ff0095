// Scripts that go after the plug-in's own state or Lua's internals: through the debug
// library, through precompiled chunks, or through Lua's integer edge cases. Each gets a
// script error (or a defined result), the instance survives, and the built-in controller
// mapping still works afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ScriptTestFixture.h"
#include "lua/LuaIncludes.h"
#include "midi/LuaMIDISession.h"
#include "midi/MIDIHandlerTables.h"

namespace miditest {
namespace {

class HostileScriptTest : public ScriptTest {
protected:
  // Controller 0 still drives parameter 0 (Dry Level) through the built-in script.
  void expectBuiltInMappingWorks() {
    ASSERT_EQ(run("setParameter(0, -123)"), "nil");
    EventBlock block;
    block.midi(0xB0, 0, 127);
    send(block);
    EXPECT_FLOAT_EQ(plain(0), std::stof(run("return select(2, getParameterMinMax(0))")));
    EXPECT_EQ(stackHeight(), 0);
  }

  // A precompiled chunk of `return 42`, made by a separate plain Lua state.
  static std::string precompiled() {
    lua_State* state = luaL_newstate();
    luaL_openlibs(state);
    std::string bytes;
    if (luaL_dostring(state, "return string.dump(function() answer = 42 return 42 end)") == 0) {
      size_t length = 0;
      const char* data = lua_tolstring(state, -1, &length);
      bytes.assign(data, length);
    }
    lua_close(state);
    return bytes;
  }
};

const char kRefused[] = "precompiled chunks are not accepted";

TEST_F(HostileScriptTest, TheRegistryAndBuiltInFramesAreOutOfReach) {
  EXPECT_EQ(run("return debug.getregistry()"),
            "error: test:1: debug.getregistry is not available inside a plug-in");

  // table.sort trusts its first slot to stay the table it sorts: replacing it from the
  // comparator made it read a number as a table pointer.
  const std::string cFrameLocals =
      "debug.setlocal is not available for built-in functions inside a plug-in";
  EXPECT_EQ(run("table.sort({3, 2, 1}, function(a, b) debug.setlocal(2, 1, 5) return a < b end)"),
            "error: test:1: " + cFrameLocals);
  EXPECT_EQ(
      run("local r table.sort({3, 2, 1}, function(a, b) r = debug.getlocal(2, 1) return a < b "
          "end)"),
      "error: test:1: debug.getlocal is not available for built-in functions inside a plug-in");
  // The same through another thread: level 0 of a suspended coroutine is coroutine.yield.
  EXPECT_EQ(run("local co = coroutine.create(function() coroutine.yield() end) coroutine.resume(co)"
                " debug.setlocal(co, 0, 1, {})"),
            "error: test:1: " + cFrameLocals);
  // A level beyond the stack keeps Lua's own argument error.
  EXPECT_EQ(run("return debug.setlocal(50, 1, 1)"),
            "error: test:1: bad argument #1 to 'setlocal' (level out of range)");

  // The locals of script functions stay open to the debug library.
  EXPECT_EQ(run("local x = 1 debug.setlocal(1, 1, 7) return x"), "7");
  EXPECT_EQ(run("local x = 'a' return (debug.getlocal(1, 1))"), "x");
  expectBuiltInMappingWorks();
}

// A function entered by a tail call has no caller frame left; for that level Lua would
// read and write the slots at the base of the stack, which belong to no script.
TEST_F(HostileScriptTest, TailCallLevelsAreOutOfReach) {
  // g's frame is replaced by f's: level 1 is f, level 2 the tail call.
  const std::string tailCall = "local function g(f) return f() end ";
  EXPECT_EQ(
      run(tailCall + "local r = g(function() local a = debug.getlocal(2, 1) return a end) "
                     "return r"),
      "error: test:1: debug.getlocal is not available for built-in functions inside a plug-in");
  EXPECT_EQ(
      run(tailCall + "g(function() debug.setlocal(2, 1, {}) end)"),
      "error: test:1: debug.setlocal is not available for built-in functions inside a plug-in");
  // f's own locals stay open.
  EXPECT_EQ(run(tailCall + "local r = g(function() local x = 1 return (debug.getlocal(1, 1)) end) "
                           "return r"),
            "x");
  expectBuiltInMappingWorks();
}

TEST_F(HostileScriptTest, UpvaluesOfBuiltInFunctionsCannotBeReadOrReplaced) {
  fx();
  const std::string get =
      "error: test:1: debug.getupvalue is not available for built-in functions inside a plug-in";
  const std::string set =
      "error: test:1: debug.setupvalue is not available for built-in functions inside a plug-in";
  // string.find's upvalue is the unguarded matcher; a gmatch iterator keeps its position,
  // which it adds to a string pointer.
  EXPECT_EQ(run("return debug.getupvalue(string.find, 1)"), get);
  EXPECT_EQ(run("local it = string.gmatch('abc', '.') debug.setupvalue(it, 3, -1e9) return it()"),
            set);
  EXPECT_EQ(run("debug.setupvalue(sendOSC, 1, 'x')"), set);
  EXPECT_EQ(run("return string.find('abc', 'b')"), "2");

  // Upvalues of script functions behave as in Lua.
  EXPECT_EQ(run("local a = 1 local function f() return a end return debug.getupvalue(f, 1)"), "a");
  EXPECT_EQ(run("local a = 1 local function f() return a end debug.setupvalue(f, 1, 5) return f()"),
            "5");
  EXPECT_EQ(stackHeight(), 0);
}

TEST_F(HostileScriptTest, EnvironmentsAndMetatablesOfBuiltInObjectsAreGuarded) {
  fx();
  // io.write takes its file from its environment without a type check; a file handle's
  // environment holds the C function that closes it.
  EXPECT_EQ(
      run("debug.setfenv(io.write, {}) io.write('x')"),
      "error: test:1: debug.setfenv is not available for built-in functions inside a plug-in");
  EXPECT_EQ(
      run("debug.getfenv(io.write)[2] = {} io.write('x')"),
      "error: test:1: debug.getfenv is not available for built-in functions inside a plug-in");
  EXPECT_EQ(run("debug.getfenv(io.stdout).__close = function() end io.stdout:close()"),
            "error: test:1: debug.getfenv is not available for userdata inside a plug-in");
  // An empty userdata dressed as a file would be read as a FILE pointer.
  EXPECT_EQ(run("local p = debug.setmetatable(newproxy(), getmetatable(io.stdout)) io.close(p)"),
            "error: test:1: debug.setmetatable is not available for userdata inside a plug-in");
  EXPECT_EQ(run("return io.write('')"), "true");

  // Everything else works as in Lua.
  EXPECT_EQ(run("return debug.getmetatable(io.stdout) == getmetatable(io.stdout)"), "true");
  EXPECT_EQ(run("return debug.getfenv(function() end) == _G"), "true");
  EXPECT_EQ(run("local f = function() return x end debug.setfenv(f, {x = 3}) return f()"), "3");
  EXPECT_EQ(run("local t = {} debug.setmetatable(t, {__index = function() return 9 end}) return "
                "t.anything"),
            "9");
  expectBuiltInMappingWorks();
}

TEST_F(HostileScriptTest, TamperedRegistryEntriesAreNotTrusted) {
  fx();
  // The script functions must not rely on what the registry holds: should a script ever
  // reach it again, a swapped or missing entry would be a foreign pointer on the audio
  // thread.
  {
    HC::LuaMIDISession session(helper());
    lua_State* state = session.state();
    lua_pushlightuserdata(state, const_cast<char*>(HC::LuaMIDIHelper::kRefcon));
    lua_pushlightuserdata(state, const_cast<char*>(HC::LuaMIDIHelper::kParamLookup));
    lua_rawset(state, LUA_REGISTRYINDEX);
    lua_pushlightuserdata(state, const_cast<char*>(HC::LuaMIDIHelper::kParamLookup));
    lua_pushstring(state, "not a map");
    lua_rawset(state, LUA_REGISTRYINDEX);
    // The built-in script's controller handler becomes a number.
    ASSERT_EQ(helper().handlerTables().allCount(HC::MIDIHandlerTables::kControlChange), 1u);
    lua_pushnumber(state, 42);
    lua_rawseti(state, LUA_REGISTRYINDEX,
                helper().handlerTables().allAt(HC::MIDIHandlerTables::kControlChange, 0));
  }
  EXPECT_EQ(run("setParameter('Filter Q', 2.5) return getParameter(26)"), "2.5");
  EXPECT_EQ(run("return getParameterID('Osc Pitch')"), "18");
  EXPECT_EQ(run("return getParameter('no such')"), "error: test:1: parameter not found: 'no such'");
  EXPECT_EQ(run("return getNumParameters()"), "40");
  // The package tables are the script's own to spoil: require reports it.
  EXPECT_EQ(run("package.loaded = nil package.loaders = 5 return type(require('string'))"),
            "table");
  EXPECT_EQ(run("return require('nowhere')"), "error: test:1: 'package.loaders' must be a table");

  // The replaced handler fails; one registered after it still runs.
  ASSERT_EQ(run("seen = 0 requestAllCC(function(c, cc, v) seen = seen + v end)"), "nil");
  ASSERT_EQ(run("setParameter(0, -123)"), "nil");
  EventBlock block;
  block.midi(0xB0, 0, 5).midi(0xB0, 0, 7);
  send(block);
  EXPECT_EQ(run("return seen"), "12");
  EXPECT_EQ(plain(0), -123.0f);
  EXPECT_EQ(stackHeight(), 0);
}

TEST_F(HostileScriptTest, PrecompiledChunksAreRefusedByEveryLoader) {
  fx();
  EXPECT_EQ(run("return select(2, loadstring(string.dump(function() end)))"),
            std::string("binary string: ") + kRefused);
  EXPECT_EQ(run("local s = string.dump(function() end)"
                " return select(2, load(function() local p = s s = nil return p end))"),
            std::string("(load): ") + kRefused);

  // From files, also behind a first line starting with '#', which Lua skips.
  const std::string folder = user.dataHome() + "/";
  writeFile(folder + "plain.luac", precompiled());
  writeFile(folder + "hashed.luac", "#!/usr/bin/lua\n" + precompiled());
  for (const char* name : {"plain", "hashed"}) {
    const std::string path = folder + name + ".luac";
    EXPECT_EQ(run("return select(2, loadfile('" + path + "'))"), path + ": " + kRefused);
    EXPECT_EQ(run("return dofile('" + path + "')"), "error: " + path + ": " + kRefused);
    std::string required =
        run("package.path = '" + folder + "?.luac' return require('" + name + "')");
    EXPECT_NE(required.find(path + ": " + kRefused), std::string::npos) << required;
  }
  EXPECT_EQ(run("return answer"), "nil");
  // Source text still loads everywhere.
  writeFile(folder + "source.luac", "return 7");
  EXPECT_EQ(run("return dofile('" + folder + "source.luac') + require('source')"), "14");
  EXPECT_EQ(run("return loadstring('return 1')()"), "1");
  expectBuiltInMappingWorks();
}

TEST_F(HostileScriptTest, APrecompiledUserScriptIsReportedAndNotRun) {
  user.addScript("binary.lua", precompiled());
  StreamCapture out(1);
  fx();
  std::string log = out.stop();
  EXPECT_EQ(log,
            "@@@ failed to run file: " + user.scriptsFolder() + "binary.lua: " + kRefused + "\n");
  EXPECT_EQ(run("return answer"), "nil");
  expectBuiltInMappingWorks();
}

TEST_F(HostileScriptTest, IntegerEdgeCasesInLuaItselfAreDefined) {
  // Each counted past INT_MIN or INT_MAX inside Lua's own C code.
  EXPECT_EQ(run("return string.rep('x', -2^31)"), "");
  EXPECT_EQ(run("return select('#', unpack({}, -2^31, 2^31 - 1))"),
            "error: test:1: too many results to unpack");
  double drawn = std::stod(run("return math.random(-2^31, 2^31 - 1)"));
  EXPECT_TRUE(drawn >= -2147483648.0 && drawn <= 2147483647.0 && std::floor(drawn) == drawn)
      << drawn;

  // The same from a handler on the event thread.
  ASSERT_EQ(run("requestAllNoteOn(function() edge = string.rep('x', -2^31) .. math.random(-2^31, "
                "2^31 - 1) end)"),
            "nil");
  EventBlock block;
  block.midi(0x90, 60, 100);
  send(block);
  EXPECT_EQ(run("return type(edge)"), "string");
  expectBuiltInMappingWorks();
}

}  // namespace
}  // namespace miditest
