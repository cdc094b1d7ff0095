// The settings store in the registry of the running system (the Wine prefix's under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/CFString.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "platform/SettingsStore.h"

namespace {

bool keyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct RawValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

RawValue readRaw(const std::string& keyPath, const std::string& name) {
  RawValue value;
  BYTE buffer[1024];
  DWORD size = sizeof buffer;
  value.present = RegGetValueA(HKEY_CURRENT_USER, keyPath.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                               &value.type, buffer, &size) == ERROR_SUCCESS;
  if (value.present) value.bytes.assign(buffer, buffer + size);
  return value;
}

void writeRaw(const std::string& keyPath, const std::string& name, DWORD type, const void* data, size_t size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// Each test has a maker key of its own under HKCU\Software, named after the process and the
// moment, so test programs running side by side never meet; it goes at the end.
class RegistryStoreTest : public ::testing::Test {
protected:
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + maker).c_str()); }

  static std::string uniqueMaker() {
    static int count = 0;
    return "QuorvellaTest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) +
           "-" + std::to_string(++count);
  }
  std::string makerKey() const { return "Software\\" + maker; }
  std::string productKey() const { return makerKey() + "\\com.example.Product"; }
  void put(const std::string& name, DWORD type, const void* data, size_t size) {
    writeRaw(productKey(), name, type, data, size);
  }
  void putText(const std::string& name, const std::string& text) {
    put(name, REG_SZ, text.c_str(), text.size() + 1);
  }

  std::string maker = uniqueMaker();
  platform::SettingsStore store{{"Software", maker, "com.example.Product"}};
};

TEST_F(RegistryStoreTest, AReadCreatesTheKeysAboveTheProductKeyButNeverTheProductKey) {
  ASSERT_FALSE(keyExists(makerKey()));
  int32_t number = 5;
  EXPECT_FALSE(store.readNumber("OSC Base Port", number));
  EXPECT_EQ(number, 5);
  EXPECT_TRUE(keyExists(makerKey()));
  EXPECT_FALSE(keyExists(productKey()));
  std::string text = "unchanged";
  EXPECT_FALSE(store.readText("Skin", text));
  EXPECT_EQ(text, "unchanged");
  EXPECT_FALSE(keyExists(productKey()));
}

TEST_F(RegistryStoreTest, NumbersAreStoredAsDwordsAndReadBack) {
  EXPECT_TRUE(store.writeNumber("OSC Base Port", 9000));
  EXPECT_TRUE(store.writeNumber("Enable eye candy", -2147483647 - 1));
  RawValue raw = readRaw(productKey(), "OSC Base Port");
  ASSERT_TRUE(raw.present);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(raw.bytes, (std::vector<BYTE>{0x28, 0x23, 0, 0}));
  int32_t number = 0;
  EXPECT_TRUE(store.readNumber("OSC Base Port", number));
  EXPECT_EQ(number, 9000);
  EXPECT_TRUE(store.readNumber("Enable eye candy", number));
  EXPECT_EQ(number, -2147483647 - 1);
  EXPECT_TRUE(store.writeNumber("OSC Base Port", 7001));
  EXPECT_TRUE(store.readNumber("OSC Base Port", number));
  EXPECT_EQ(number, 7001);
}

TEST_F(RegistryStoreTest, ValuesOfOtherTypesCountAsNumbersWhenTheirBytesFitFourBytes) {
  const BYTE two[] = {0x34, 0x12};
  const BYTE five[] = {1, 2, 3, 4, 5};
  const unsigned long long eight = 42;
  put("Two bytes", REG_BINARY, two, sizeof two);
  put("Five bytes", REG_BINARY, five, sizeof five);
  put("Quad", REG_QWORD, &eight, sizeof eight);
  put("Empty", REG_BINARY, nullptr, 0);
  putText("Short text", "ab");
  int32_t number = -1;
  EXPECT_TRUE(store.readNumber("Two bytes", number));
  EXPECT_EQ(number, 0x1234);
  EXPECT_TRUE(store.readNumber("Short text", number));
  EXPECT_EQ(number, 0x6261);
  EXPECT_TRUE(store.readNumber("Empty", number));
  EXPECT_EQ(number, 0);
  number = 7000;
  EXPECT_FALSE(store.readNumber("Five bytes", number));
  EXPECT_FALSE(store.readNumber("Quad", number));
  EXPECT_EQ(number, 7000);
}

TEST_F(RegistryStoreTest, TextsOfUpTo255CharactersAndNoLonger) {
  std::string longest(255, 's');
  putText("Longest", longest);
  putText("Too long", longest + "x");
  putText("Skin", "Tideline");
  // Stored without a closing zero and filling the whole buffer: cut at 255.
  std::string unterminated(256, 'b');
  put("Unterminated", REG_BINARY, unterminated.data(), unterminated.size());
  DWORD port = 7001;
  put("Port", REG_DWORD, &port, sizeof port);

  std::string text = "before";
  EXPECT_TRUE(store.readText("Skin", text));
  EXPECT_EQ(text, "Tideline");
  EXPECT_TRUE(store.readText("Longest", text));
  EXPECT_EQ(text, longest);
  text = "before";
  EXPECT_FALSE(store.readText("Too long", text));
  EXPECT_EQ(text, "before");
  EXPECT_TRUE(store.readText("Unterminated", text));
  EXPECT_EQ(text, std::string(255, 'b'));
  // A number reads as its bytes up to the first zero: 7001 is 59 1B 00 00.
  EXPECT_TRUE(store.readText("Port", text));
  EXPECT_EQ(text, "Y\x1b");
}

TEST_F(RegistryStoreTest, LocationNamesTheKey) {
  EXPECT_EQ(store.location(), "HKEY_CURRENT_USER\\" + productKey());
  platform::SettingsStore nowhere{{}};
  EXPECT_EQ(nowhere.location(), "");
  EXPECT_FALSE(nowhere.writeNumber("x", 1));
  int32_t number = 3;
  EXPECT_FALSE(nowhere.readNumber("x", number));
  EXPECT_EQ(number, 3);
}

// The product's own key, left as it was found.
class ProductKeyTest : public ::testing::Test {
protected:
  static constexpr char kMakerKey[] = "Software\\Halvercast";
  static constexpr char kProductKey[] = "Software\\Halvercast\\com.halvercastlabs.Quorvella";

  void SetUp() override {
    makerExisted = keyExists(kMakerKey);
    productExisted = keyExists(kProductKey);
    saved = readRaw(kProductKey, kPreferenceOSCBasePort);
  }
  void TearDown() override {
    if (saved.present) {
      writeRaw(kProductKey, kPreferenceOSCBasePort, saved.type, saved.bytes.data(), saved.bytes.size());
    } else {
      RegDeleteKeyValueA(HKEY_CURRENT_USER, kProductKey, kPreferenceOSCBasePort);
    }
    // Keys this test made go again, unless something else has put values in them meanwhile.
    if (!productExisted && isEmpty(kProductKey)) RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
    if (!makerExisted && isEmpty(kMakerKey)) RegDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
  }
  static bool isEmpty(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(key);
    return subkeys == 0 && values == 0;
  }

  bool makerExisted = false;
  bool productExisted = false;
  RawValue saved;
};

TEST_F(ProductKeyTest, PreferencesLiveUnderTheProductKeyOfTheCurrentUser) {
  const CFString* basePort = CFString::constant(kPreferenceOSCBasePort);
  Settings::writeNumber(basePort, 9123);
  RawValue raw = readRaw(kProductKey, kPreferenceOSCBasePort);
  ASSERT_TRUE(raw.present);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(raw.bytes, (std::vector<BYTE>{0xa3, 0x23, 0, 0}));
  EXPECT_EQ(Settings::readNumber(basePort, kDefaultOSCBasePort), 9123);
  EXPECT_EQ(Settings::location(), "HKEY_CURRENT_USER\\Software\\Halvercast\\com.halvercastlabs.Quorvella");
}

}  // namespace
