// The script functions of the MIDI state: parameter access with the argument rule, the
// exact error texts, the request functions, the shared globals and print.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ScriptTestFixture.h"
#include "dsp/QuorvellaParameters.h"
#include "lua/LuaIncludes.h"
#include "midi/LuaMIDISession.h"
#include "midi/MIDIScriptFunctions.h"
#include "platform/PlatformInfo.h"

namespace miditest {
namespace {

using FunctionsTest = ScriptTest;

TEST_F(FunctionsTest, ParameterIndicesNamesAndNumericTexts) {
  fx().setPlainValue(kFilterQ, 0.25f);
  fx().setPlainValue(kPitchOffset, -12.0f);
  EXPECT_EQ(run("return getParameter(39)"), "0");
  EXPECT_EQ(run("return getParameter(40)"), "error: test:1: parameter out of range: 40");
  EXPECT_EQ(run("return getParameter(-1)"), "error: test:1: parameter out of range: -1");
  EXPECT_EQ(run("return getParameter('Filter Q')"), "0.25");
  EXPECT_EQ(run("return getParameter('filter q')"), "error: test:1: parameter not found: 'filter q'");
  EXPECT_EQ(run("return getParameter('5')"), "-12");
  EXPECT_EQ(run("return getParameter(' 0x5 ')"), "-12");
  EXPECT_EQ(run("return getParameter(nil)"),
            "error: test:1: bad argument #1 to 'getParameter' (string expected, got nil)");
  EXPECT_EQ(run("return getParameter({})"),
            "error: test:1: bad argument #1 to 'getParameter' (string expected, got table)");
  EXPECT_EQ(run("return getParameter(1e20)"), "error: test:1: parameter out of range: -2147483648");
  EXPECT_EQ(run("return getParameter(0/0)"), "error: test:1: parameter out of range: -2147483648");
}

TEST_F(FunctionsTest, NumericIndicesRoundHalfToEven) {
  for (int32_t i = 0; i < 6; ++i) fx().setPlainValue(kDryLevel + i, 0.1f * static_cast<float>(i));
  auto readAt = [this](const char* index) {
    return run(std::string("return getParameterName(") + index + ")");
  };
  EXPECT_EQ(readAt("2.5"), "Osc Level");          // 2
  EXPECT_EQ(readAt("3.5"), "Wet Ring Mod Level");  // 4
  EXPECT_EQ(readAt("2.4999"), "Osc Level");
  EXPECT_EQ(readAt("2.5001"), "Dry Ring Mod Level");
  EXPECT_EQ(readAt("-0.5"), "Dry Level");  // ties to the even 0
  EXPECT_EQ(readAt("'1.5'"), "Osc Level");  // numeric text, same rule
  EXPECT_EQ(readAt("39.5"), "error: test:1: parameter out of range: 40");
  EXPECT_EQ(HC::MIDIScriptFunctions::roundIndex(-2.5), -2);
  EXPECT_EQ(HC::MIDIScriptFunctions::roundIndex(-3.5), -4);
  EXPECT_EQ(HC::MIDIScriptFunctions::roundIndex(2147483647.4), 2147483647);
  EXPECT_EQ(HC::MIDIScriptFunctions::roundIndex(2147483647.5), INT32_MIN);
}

TEST_F(FunctionsTest, DescriptorQueries) {
  EXPECT_EQ(run("local lo, hi = getParameterMinMax(7) return lo .. ' ' .. hi"), "10 1000");
  EXPECT_EQ(run("return getParameterUnit(7)"), "8");
  EXPECT_EQ(run("return getParameterUnit('Sync Cycles')"), "1");
  EXPECT_EQ(run("return getParameterName(26)"), "Filter Q");
  EXPECT_EQ(run("return getParameterName(40)"), "error: test:1: parameter out of range: 40");
  EXPECT_EQ(run("return getNumParameters()"), "40");
  EXPECT_EQ(run("return isParameterUsed(39)"), "true");
  EXPECT_EQ(run("return isParameterUsed(-1)"), "error: test:1: parameter out of range: -1");
  EXPECT_EQ(run("return getParameterID('Filter Q')"), "26");
  EXPECT_EQ(run("return getParameterID('OSC Port Offset')"), "39");
  // The ID lookup is by name only: a number is taken as its text.
  EXPECT_EQ(run("return getParameterID(5)"), "error: test:1: parameter not found: '5'");
  EXPECT_EQ(run("return getParameterID()"),
            "error: test:1: bad argument #1 to 'getParameterID' (string expected, got no value)");
}

TEST_F(FunctionsTest, SetParameterStoresPlainValuesAndRefreshesTheHostDisplay) {
  fx();
  int before = displayUpdates();
  EXPECT_EQ(run("setParameter(0, 5)"), "nil");  // not clamped to 0..1
  EXPECT_EQ(plain(kDryLevel), 5.0f);
  EXPECT_EQ(displayUpdates(), before + 1);
  EXPECT_EQ(run("setParameter('Filter Cutoff', 440.5)"), "nil");
  EXPECT_EQ(plain(kFilterCutoff), 440.5f);
  EXPECT_EQ(run("setParameter(2, '0.75')"), "nil");  // a numeric text is a number
  EXPECT_EQ(plain(kOscLevel), 0.75f);
  EXPECT_EQ(run("setParameter(3, 1e300)"), "nil");
  EXPECT_TRUE(std::isinf(plain(kDryRingModLevel)));
  EXPECT_EQ(displayUpdates(), before + 4);

  float q = plain(kFilterQ);
  EXPECT_EQ(run("setParameter(40, 1)"), "error: test:1: parameter out of range: 40");
  EXPECT_EQ(run("setParameter('Filter Q', 'loud')"),
            "error: test:1: bad argument #2 to 'setParameter' (number expected, got string)");
  EXPECT_EQ(run("setParameter('Filter Q')"),
            "error: test:1: bad argument #2 to 'setParameter' (number expected, got no value)");
  EXPECT_EQ(plain(kFilterQ), q);
  EXPECT_EQ(displayUpdates(), before + 4);  // failures store and report nothing
}

TEST_F(FunctionsTest, OthersParameterFunctionsOnlyValidate) {
  fx().setPlainValue(kWetLevel, 0.5f);
  EXPECT_EQ(run("setOthersParameter('x', 1, 0.25)"), "nil");
  EXPECT_EQ(plain(kWetLevel), 0.5f);
  EXPECT_EQ(run("setOthersParameter(nil, 99, 1)"), "nil");  // no range check
  EXPECT_EQ(run("setOthersParameter(1, 'Nope', 1)"), "error: test:1: parameter not found: 'Nope'");
  EXPECT_EQ(run("setOthersParameter(1, 2)"),
            "error: test:1: bad argument #3 to 'setOthersParameter' (number expected, got no value)");
  EXPECT_EQ(run("return getOthersParameter(1, 'Wet Level')"), "0");
  EXPECT_EQ(run("return getOthersParameter(1, -7)"), "0");
  EXPECT_EQ(run("return getOthersParameter(1, 'wet level')"),
            "error: test:1: parameter not found: 'wet level'");
}

TEST_F(FunctionsTest, RequestFunctionsNeedFunctions) {
  const char* firsts[] = {"requestAllNoteOn",        "requestAllNoteOff", "requestAllCC",
                          "requestAllNRPN",          "requestAllProgramChange",
                          "requestAllPolyPressure",  "requestPitchWheel",
                          "requestChannelPressure"};
  for (const char* name : firsts) {
    EXPECT_EQ(run(std::string(name) + "(5)"),
              std::string("error: test:1: first argument to ") + name + "() is not a function");
    EXPECT_EQ(run(std::string(name) + "(function() end)"), "nil") << name;
  }
  const char* seconds[] = {"requestNoteOn", "requestNoteOff",       "requestCC",
                           "requestNRPN",   "requestProgramChange", "requestPolyPressure"};
  for (const char* name : seconds) {
    EXPECT_EQ(run(std::string(name) + "(74)"),
              std::string("error: test:1: second argument to ") + name + "() is not a function");
    EXPECT_EQ(run(std::string(name) + "(74, function() end)"), "nil") << name;
  }
  EXPECT_EQ(run("requestCC('volume', function() end)"),
            "error: test:1: bad argument #1 to 'requestCC' (number expected, got string)");
  EXPECT_EQ(run("requestCC(74, print)"), "nil");  // any function, C ones included
}

TEST_F(FunctionsTest, SharedGlobals) {
  EXPECT_EQ(run("return isMac"), "false");
  EXPECT_EQ(run("return isWin"), platform::kIsWindows ? "true" : "false");
  // isLinux is ours, set only on Linux: scripts written for Windows never see it.
  EXPECT_EQ(run("return isLinux"), platform::kIsWindows ? "nil" : "true");
  EXPECT_EQ(run("return isVST"), "true");
  EXPECT_EQ(run("return isAU"), "false");
  EXPECT_EQ(run("return majorVersion .. '.' .. minorVersion .. '.' .. dotVersion"), "1.0.0");
  EXPECT_EQ(run("return version"), "10000");
  // The eight standard libraries.
  EXPECT_EQ(run("return type(string) .. type(table) .. type(math) .. type(io) .. type(os) .."
                " type(debug) .. type(package) .. type(pairs)"),
            "tabletabletabletabletabletabletablefunction");
  EXPECT_EQ(run("return _VERSION"), "Lua 5.1");
  // Ending the process would take the host down with the plug-in.
  EXPECT_EQ(run("os.exit(0)"), "error: test:1: os.exit is not available inside a plug-in");
  EXPECT_EQ(run("return type(os.time())"), "number");
}

int sendOSCStub(lua_State* state) {
  lua_pushnumber(state, *static_cast<const int*>(lua_touserdata(state, lua_upvalueindex(1))));
  return 1;
}

// Runs code in a helper's state and returns the text of its first result.
std::string evaluate(HC::LuaMIDIHelper& helper, const char* code) {
  HC::LuaMIDISession session(helper);
  lua_State* state = session.state();
  if (luaL_loadstring(state, code) != 0 || helper.protectedCall(0, 1) != 0) return "error";
  std::string result = lua_isnil(state, -1) ? "nil" : lua_tostring(state, -1);
  lua_pop(state, 1);
  return result;
}

TEST_F(FunctionsTest, SendOSCIsTheFunctionTheOSCServerSupplies) {
  static const int context = 42;
  // The OSC server supplies sendOSC; a helper without one has no such global.
  HC::LuaMIDIHelper bare(&fx());
  EXPECT_EQ(evaluate(bare, "return type(sendOSC)"), "nil");
  // Supplied later: takes effect at once, as a closure over the context.
  {
    HC::LuaMIDISession session(bare);
    bare.supplySendOSC(sendOSCStub, const_cast<int*>(&context));
  }
  EXPECT_EQ(evaluate(bare, "return sendOSC()"), "42");
  // Supplied before the state exists: registered with the other functions.
  HC::LuaMIDIHelper early(&fx());
  early.supplySendOSC(sendOSCStub, const_cast<int*>(&context));
  EXPECT_EQ(evaluate(early, "return sendOSC()"), "42");
}

TEST_F(FunctionsTest, PrintWritesPiecesToTheDebugOutput) {
  fx();
  // Runs code that returns nothing; what it wrote to the debug output (standard error).
  auto printed = [this](const std::string& code) {
    StreamCapture err(2);
    EXPECT_EQ(run(code), "nil") << code;
    return err.stop();
  };
  EXPECT_EQ(printed("print('a', 1, nil, true, 2.5)"), "a\t1\tnil\ttrue\t2.5\n");
  EXPECT_EQ(printed("print()"), "\n");
  EXPECT_EQ(printed("print(string.rep('x', 400), string.rep('y', 299))"),
            std::string(299, 'x') + "\t" + std::string(299, 'y') + "\n");
  EXPECT_EQ(printed("print(setmetatable({}, {__tostring = function() return 'obj' end}))"),
            "obj\n");
  EXPECT_EQ(run("local t = tostring; tostring = function() return {} end; "
                "local ok, e = pcall(print, 1); tostring = t; return e"),
            "'tostring' must return a string to 'print'");
}

TEST_F(FunctionsTest, RegistryHoldsTheHelperAndTheNameMap) {
  HC::LuaMIDISession session(helper());
  lua_State* state = session.state();
  EXPECT_EQ(HC::LuaMIDIHelper::fromState(state), &helper());
  lua_pushlightuserdata(state, const_cast<char*>(HC::LuaMIDIHelper::kParamLookup));
  lua_rawget(state, LUA_REGISTRYINDEX);
  auto* lookup = static_cast<const HC::LuaMIDIHelper::ParameterLookup*>(lua_touserdata(state, -1));
  lua_pop(state, 1);
  ASSERT_NE(lookup, nullptr);
  EXPECT_EQ(lookup->size(), 40u);
  EXPECT_EQ(lookup->at("Filter Q"), 26);
  EXPECT_EQ(std::string(HC::LuaMIDIHelper::kRefcon), "HC::LuaMIDIHelper::kRefcon");
}

}  // namespace
}  // namespace miditest
