// The debug channel, message boxes and which addresses the shell may open.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Output.h"
#include "platform/win32/WebAddress.h"
#include "support/StreamCapture.h"

namespace {

// OutputDebugStringA raises a DBG_PRINTEXCEPTION_C with the text, which a vectored handler
// sees before the system's own.
std::vector<std::string>* debugPieces = nullptr;

LONG CALLBACK collectDebugString(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD* record = exception->ExceptionRecord;
  if (debugPieces && record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2)
    debugPieces->emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
  return EXCEPTION_CONTINUE_SEARCH;
}

TEST(Win32Output, DebugTextsOfAnyLengthArriveWholeInBoundedPieces) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += static_cast<char>('a' + i % 26);
  text[10] = '\0';  // a zero byte would end a piece early
  std::string expected = text.substr(0, 10) + text.substr(11);
  std::vector<std::string> pieces;
  debugPieces = &pieces;
  void* handler = AddVectoredExceptionHandler(1, collectDebugString);
  ASSERT_NE(handler, nullptr);
  {
    testsupport::StreamCapture quiet(2);  // the test main copies the debug output there
    platform::debugOutput(text.data(), text.size());
    platform::debugOutput("", 0);
    EXPECT_EQ(quiet.stop(), expected);
  }
  RemoveVectoredExceptionHandler(handler);
  debugPieces = nullptr;
  ASSERT_EQ(pieces.size(), 3u);
  std::string joined;
  for (const std::string& piece : pieces) {
    EXPECT_LE(piece.size(), 1023u);
    joined += piece;
  }
  EXPECT_EQ(joined, expected);
}

std::vector<std::string> boxes;
void recordBox(const char* text, const char* caption) { boxes.push_back(std::string(caption) + "|" + text); }

TEST(Win32MessageBox, AHookTakesTheBoxesWhileItIsSet) {
  boxes.clear();
  platform::MessageBoxHook previous = platform::messageBoxHook();
  platform::setMessageBoxHook(recordBox);
  platform::messageBox("Unable to load font", "Error");
  platform::messageBox(nullptr, nullptr);
  platform::setMessageBoxHook(previous);
  EXPECT_EQ(boxes, (std::vector<std::string>{"Error|Unable to load font", "|"}));
}

TEST(Win32URLOpener, OnlyWebAndMailAddressesGoToTheShell) {
  for (const char* address : {"http://www.example.com/", "HTTPS://example.com/a?b=c", "mailto:someone@example.com"})
    EXPECT_TRUE(platform::isWebAddress(address)) << address;
  for (const char* address : {"", "C:\\Windows\\notepad.exe", "file:///C:/Windows/notepad.exe",
                              "\\\\server\\share\\run.bat", "http:", "https://a\nb"})
    EXPECT_FALSE(platform::isWebAddress(address)) << address;
}

}  // namespace
