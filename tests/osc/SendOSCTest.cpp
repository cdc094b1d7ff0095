// The script function sendOSC, called from MIDI-state scripts through /exec, with oscdump
// receiving what it sends. Script errors are caught in the script with pcall and sent on,
// so the test sees their exact texts.
#include <gtest/gtest.h>

#include <string>

#include "OSCServerTest.h"

namespace {

using namespace osctest;

const char kScript[] = R"LUA(
function send(url, ...) sendOSC(url, ...) end
function sendFormatted(url) sendOSC(url, "/x", "if", {3.7, 2}) end
function sendWithNil(url) sendOSC(url, "/x", {1, nil, 3}) end
function sendTexts(url) sendOSC(url, "/x", {"abc", "2.5", -4}) end
function sendBare(url) sendOSC(url, "/bare") end
function sendFive(url) sendOSC(url, "/five", "", {}, 5) end
function sendTies(url) sendOSC(url, "/ties", "iiii", {2.5, 3.5, -2.5, 1e12}) end
function sendMany(url, n)
  local t = {}
  for i = 1, n do t[i] = i end
  sendOSC(url, "/many", t)
end
-- Calls sendOSC in protected mode and reports the error text (or "ok") to report.
function try(report, ...)
  local args = {n = select('#', ...), ...}
  local ok, err = pcall(function() sendOSC(unpack(args, 1, args.n)) end)
  -- Lua puts the calling line in front of the text: "<chunk>:<line>: <text>".
  sendOSC(report, "/err", {ok and "ok" or (err:gsub("^.-osctest%.lua:%d+: ", ""))})
end
function tryBoolean(report, url) try(report, url, "/x", {1, true}) end
function tryMismatch(report, url) try(report, url, "/x", "i", {1, 2}) end
function tryNotTable(report, url) try(report, url, "/x", "if") end
function tryNilTable(report, url) try(report, url, "/x", "i", nil) end
function tryFunction(report, url) try(report, url, "/x", {print}) end
function tryNoPort(report) try(report, "127.0.0.1", "/x", {1}) end
function tryTooLong(report, url)
  local t = {}
  for i = 1, 300 do t[i] = i end
  try(report, url, "/x", t)
end
function tryBadURL(report) try(report, {}, "/x") end
)LUA";

class SendOSC : public OSCServerTest {
protected:
  std::string script() const override { return kScript; }
  void exec(const std::string& function, const std::string& types = "s",
            const std::vector<std::string>& values = {}) {
    std::vector<std::string> all = {function};
    all.insert(all.end(), values.begin(), values.end());
    ASSERT_EQ(send("/exec", "s" + types, all), 0);
  }
};

TEST_F(SendOSC, ConvertsTheTableByTheFormat) {
  exec("sendFormatted", "s", {dump.url()});
  EXPECT_EQ(dump.next(), "/x if 4 2.000000");
  exec("sendWithNil", "s", {dump.url()});
  EXPECT_EQ(dump.next(), "/x fNf 1.000000 Nil 3.000000");
  exec("sendTexts", "s", {dump.url()});
  EXPECT_EQ(dump.next(), "/x sff \"abc\" 2.500000 -4.000000");
  // Rounding to the nearest integer, ties to even; beyond 32 bits the largest int32.
  exec("sendTies", "s", {dump.url()});
  EXPECT_EQ(dump.next(), "/ties iiii 2 4 -2 2147483647");
}

TEST_F(SendOSC, ArgumentCountsOtherThanThreeOrFourSendNoValues) {
  exec("sendBare", "s", {dump.url()});
  EXPECT_EQ(dump.next(), "/bare");
  exec("sendFive", "s", {dump.url()});
  EXPECT_EQ(dump.next(), "/five");
}

TEST_F(SendOSC, BothURLFormsReachTheSameEndpoint) {
  exec("send", "ss", {dump.oscURL(), "/prefixed"});
  EXPECT_EQ(dump.next(), "/prefixed");
  exec("send", "ss", {dump.url(), "/plain"});
  EXPECT_EQ(dump.next(), "/plain");
}

TEST_F(SendOSC, LongTablesWithinThePacketSizeWork) {
  exec("sendMany", "si", {dump.url(), "100"});
  std::string line = dump.next();
  EXPECT_EQ(line.substr(0, 6 + 100), "/many " + std::string(100, 'f'));
}

TEST_F(SendOSC, ScriptErrorsHaveTheirTextsAndNothingIsSent) {
  const std::string report = dump.url();
  exec("tryBoolean", "ss", {report, report});
  EXPECT_EQ(dump.next(), "/err s \"unhandled argument type return from call\"");
  exec("tryFunction", "ss", {report, report});
  EXPECT_EQ(dump.next(), "/err s \"unhandled argument type return from call\"");
  exec("tryMismatch", "ss", {report, report});
  EXPECT_EQ(dump.next(), "/err s \"format string length mismatch in sendOSC\"");
  exec("tryNotTable", "ss", {report, report});
  EXPECT_EQ(dump.next(), "/err s \"bad argument #3 to 'sendOSC' (table expected, got string)\"");
  exec("tryNilTable", "ss", {report, report});
  EXPECT_EQ(dump.next(), "/err s \"bad argument #4 to 'sendOSC' (table expected, got nil)\"");
  exec("tryNoPort", "s", {report});
  // The socket layer's line end is not part of the script's message.
  EXPECT_EQ(dump.next(), "/err s \"unable to connect udp socket\"");
  exec("tryTooLong", "ss", {report, report});
  EXPECT_EQ(dump.next(), "/err s \"out of buffer memory\"");
  exec("tryBadURL", "s", {report});
  EXPECT_EQ(dump.next(), "/err s \"bad argument #1 to 'sendOSC' (string expected, got table)\"");
  // None of the failed calls sent anything of its own.
  EXPECT_TRUE(dump.rest().empty());
}

}  // namespace
