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

bool isEmpty(const std::string& path) {
  HKEY key = nullptr;
  DWORD values = 1;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return values == 0;
}

struct RawValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

RawValue readRaw(const std::string& key, const std::string& name) {
  RawValue value;
  BYTE buffer[1024];
  DWORD size = sizeof buffer;
  value.present = RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                               &value.type, buffer, &size) == ERROR_SUCCESS;
  if (value.present) value.bytes.assign(buffer, buffer + size);
  return value;
}

void writeRaw(const std::string& key, const std::string& name, DWORD type, const void* data, size_t size) {
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), type, data, static_cast<DWORD>(size)),
            ERROR_SUCCESS);
}

// A maker key of its own under HKCU\Software for each test, named after the process and the
// moment, so test programs running side by side never meet; it goes at the end.
class RegistryStoreTest : public ::testing::Test {
protected:
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, makerKey.c_str()); }
  void putText(const std::string& name, const std::string& text) {
    writeRaw(productKey, name, REG_SZ, text.c_str(), text.size() + 1);
  }

  std::string maker = "QuorvellaTest-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount64()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::string makerKey = "Software\\" + maker;
  std::string productKey = makerKey + "\\com.example.Product";
  platform::SettingsStore store{{"Software", maker, "com.example.Product"}};
};

TEST_F(RegistryStoreTest, AReadCreatesTheKeysAboveTheProductKeyOnly) {
  ASSERT_FALSE(keyExists(makerKey));
  int32_t number = 5;
  EXPECT_FALSE(store.readNumber("OSC Base Port", number));
  EXPECT_EQ(number, 5);
  EXPECT_TRUE(keyExists(makerKey));
  EXPECT_FALSE(keyExists(productKey));
  EXPECT_EQ(store.location(), "HKEY_CURRENT_USER\\" + productKey);
}

TEST_F(RegistryStoreTest, NumbersAreDwordsAndOtherValuesCountWhenTheyFitFourBytes) {
  EXPECT_TRUE(store.writeNumber("OSC Base Port", -2147483647 - 1));
  RawValue raw = readRaw(productKey, "OSC Base Port");
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(raw.bytes, (std::vector<BYTE>{0, 0, 0, 0x80}));
  const BYTE two[] = {0x34, 0x12};
  const unsigned long long eight = 42;
  writeRaw(productKey, "Two bytes", REG_BINARY, two, sizeof two);
  writeRaw(productKey, "Eight bytes", REG_QWORD, &eight, sizeof eight);
  int32_t number = 0;
  EXPECT_TRUE(store.readNumber("OSC Base Port", number));
  EXPECT_EQ(number, -2147483647 - 1);
  EXPECT_TRUE(store.readNumber("Two bytes", number));
  EXPECT_EQ(number, 0x1234);
  number = 7000;
  EXPECT_FALSE(store.readNumber("Eight bytes", number));
  EXPECT_EQ(number, 7000);
}

TEST_F(RegistryStoreTest, TextsOfUpTo255CharactersAndNoLonger) {
  std::string longest(255, 's');
  putText("Longest", longest);
  putText("Too long", longest + "x");
  // Stored without a closing zero and filling the whole buffer: cut at 255.
  std::string unterminated(256, 'b');
  writeRaw(productKey, "Unterminated", REG_BINARY, unterminated.data(), unterminated.size());
  std::string text = "before";
  EXPECT_TRUE(store.readText("Longest", text));
  EXPECT_EQ(text, longest);
  EXPECT_TRUE(store.readText("Unterminated", text));
  EXPECT_EQ(text, std::string(255, 'b'));
  text = "before";
  EXPECT_FALSE(store.readText("Too long", text));
  EXPECT_FALSE(store.readText("Absent", text));
  EXPECT_EQ(text, "before");
}

// The product's own key, through the product's Settings, left as it was found.
TEST(ProductSettings, LiveUnderTheProductKeyOfTheCurrentUser) {
  const std::string maker = "Software\\Halvercast";
  const std::string product = maker + "\\com.halvercastlabs.Quorvella";
  bool makerExisted = keyExists(maker), productExisted = keyExists(product);
  RawValue saved = readRaw(product, kPreferenceOSCBasePort);

  const CFString* basePort = CFString::constant(kPreferenceOSCBasePort);
  Settings::writeNumber(basePort, 9123);
  RawValue raw = readRaw(product, kPreferenceOSCBasePort);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(raw.bytes, (std::vector<BYTE>{0xa3, 0x23, 0, 0}));
  EXPECT_EQ(Settings::readNumber(basePort, kDefaultOSCBasePort), 9123);
  EXPECT_EQ(Settings::location(), "HKEY_CURRENT_USER\\" + product);

  if (saved.present)
    writeRaw(product, kPreferenceOSCBasePort, saved.type, saved.bytes.data(), saved.bytes.size());
  else
    RegDeleteKeyValueA(HKEY_CURRENT_USER, product.c_str(), kPreferenceOSCBasePort);
  // Keys made here go again, unless another program has put values into them meanwhile
  // (RegDeleteKey refuses keys with subkeys by itself).
  if (!productExisted && isEmpty(product)) RegDeleteKeyA(HKEY_CURRENT_USER, product.c_str());
  if (!makerExisted) RegDeleteKeyA(HKEY_CURRENT_USER, maker.c_str());
}

}  // namespace
