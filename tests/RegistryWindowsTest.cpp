// The association routine against the real Windows registry: the values it
// leaves under HKEY_CLASSES_ROOT, read back through the registry API.
#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "evaluator/Faults.h"
#include "files/Association.h"
#include "files/RegistryWindows.h"

namespace {

const std::wstring Program = L"C:\\Program Files\\Helixor\\Helixor.exe";
const std::string ProgramUtf8 = "C:\\Program Files\\Helixor\\Helixor.exe";

struct TKeyValue {
  DWORD Type = REG_NONE;
  std::wstring Data;    // without the terminating zero
  bool Terminated = false;
};

// The default value of a key below HKEY_CLASSES_ROOT, as stored.
std::optional<TKeyValue> DefaultValue(const std::wstring& Key) {
  HKEY Handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &Handle) != ERROR_SUCCESS) return std::nullopt;
  DWORD Type = 0, Bytes = 0;
  TKeyValue Value;
  if (RegQueryValueExW(Handle, nullptr, nullptr, &Type, nullptr, &Bytes) == ERROR_SUCCESS) {
    std::vector<BYTE> Data(Bytes + sizeof(wchar_t));
    RegQueryValueExW(Handle, nullptr, nullptr, &Type, Data.data(), &Bytes);
    Value.Type = Type;
    const wchar_t* Text = reinterpret_cast<const wchar_t*>(Data.data());
    std::size_t Length = Bytes / sizeof(wchar_t);
    Value.Terminated = Length > 0 && Text[Length - 1] == L'\0';
    if (Value.Terminated) --Length;
    Value.Data.assign(Text, Length);
  }
  RegCloseKey(Handle);
  return Value;
}

// Names of a key's subkeys and number of its values.
std::vector<std::wstring> SubKeys(const std::wstring& Key, DWORD& ValueCount) {
  std::vector<std::wstring> Names;
  ValueCount = 0;
  HKEY Handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &Handle) != ERROR_SUCCESS) return Names;
  RegQueryInfoKeyW(Handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &ValueCount, nullptr, nullptr,
                   nullptr, nullptr);
  wchar_t Name[256];
  for (DWORD I = 0;; ++I) {
    DWORD Length = 256;
    if (RegEnumKeyExW(Handle, I, Name, &Length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Names.emplace_back(Name, Length);
  }
  RegCloseKey(Handle);
  return Names;
}

void DeleteKey(const std::wstring& Key) { RegDeleteTreeW(HKEY_CLASSES_ROOT, Key.c_str()); }

struct TAsker {
  int Asked = 0;
  TAnsweredNo Yes() {
    return [this] {
      ++Asked;
      return false;
    };
  }
};

void ExpectString(const std::wstring& Key, const std::wstring& Data) {
  SCOPED_TRACE(std::string(Key.begin(), Key.end()));
  const std::optional<TKeyValue> Value = DefaultValue(Key);
  ASSERT_TRUE(Value.has_value());
  EXPECT_EQ(Value->Type, static_cast<DWORD>(REG_SZ));
  EXPECT_TRUE(Value->Terminated);
  EXPECT_EQ(Value->Data, Data);
}

// One test for the whole life of the .fnc key, so that nothing else touches
// it in between.
TEST(WindowsRegistry, RegistersFncOnceWithItsValuesAsStrings) {
  DeleteKey(L".fnc");
  ASSERT_FALSE(DefaultValue(L".fnc").has_value());

  TWinRegistry Registry;
  TAsker Asker;
  OfferFncAssociation(Registry, Asker.Yes(), ProgramUtf8);
  EXPECT_EQ(Asker.Asked, 1);

  ExpectString(L".fnc", L"Vector Function");
  ExpectString(L".fnc\\DefaultIcon", Program + L",0");
  ExpectString(L".fnc\\Shell\\Open", L"&Open");
  ExpectString(L".fnc\\Shell\\Open\\Command", L"\"" + Program + L"\" \"%1\"");
  // Nothing beyond the four keys and their default values.
  DWORD Values = 0;
  EXPECT_EQ(SubKeys(L".fnc", Values), (std::vector<std::wstring>{L"DefaultIcon", L"Shell"}));
  EXPECT_EQ(Values, 1u);
  EXPECT_EQ(SubKeys(L".fnc\\DefaultIcon", Values), std::vector<std::wstring>{});
  EXPECT_EQ(Values, 1u);
  EXPECT_EQ(SubKeys(L".fnc\\Shell", Values), std::vector<std::wstring>{L"Open"});
  EXPECT_EQ(Values, 0u);
  EXPECT_EQ(SubKeys(L".fnc\\Shell\\Open", Values), std::vector<std::wstring>{L"Command"});
  EXPECT_EQ(Values, 1u);
  EXPECT_EQ(SubKeys(L".fnc\\Shell\\Open\\Command", Values), std::vector<std::wstring>{});
  EXPECT_EQ(Values, 1u);

  // The key exists now: a second start asks nothing and changes nothing.
  OfferFncAssociation(Registry, Asker.Yes(), "D:\\Elsewhere\\Helixor.exe");
  EXPECT_EQ(Asker.Asked, 1);
  ExpectString(L".fnc\\DefaultIcon", Program + L",0");

  // Whatever the key holds.
  DeleteKey(L".fnc");
  HKEY Bare = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L".fnc", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Bare, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(Bare);
  OfferFncAssociation(Registry, Asker.Yes(), ProgramUtf8);
  EXPECT_EQ(Asker.Asked, 1);
  EXPECT_EQ(DefaultValue(L".fnc")->Type, static_cast<DWORD>(REG_NONE));
  DeleteKey(L".fnc");
}

// A key name the registry refuses (longer than its 255 characters) cannot
// be created, and the write that follows reports it.
const std::string Refused(300, 'x');

std::string FailureText(const std::string& Extension, const std::string& FileType) {
  TWinRegistry Registry;
  TAsker Asker;
  try {
    RegisterFileType(Registry, Asker.Yes(), Extension, FileType, "Vector Function", ProgramUtf8, 0, false);
  } catch (const RegistryFault& F) {
    EXPECT_EQ(Asker.Asked, 1);
    return F.what();
  }
  return "no fault";
}

TEST(WindowsRegistry, AKeyThatCannotBeOpenedAtTheFirstWriteLeavesNothing) {
  EXPECT_EQ(FailureText("." + Refused, ".hxtest"), "Failed to set data for ''");
  EXPECT_FALSE(DefaultValue(L".hxtest").has_value());
}

TEST(WindowsRegistry, AKeyThatCannotBeOpenedLaterKeepsTheValuesBeforeIt) {
  DeleteKey(L".hxtest2");
  EXPECT_EQ(FailureText(".hxtest2", Refused), "Failed to set data for ''");
  ExpectString(L".hxtest2", std::wstring(Refused.begin(), Refused.end()));
  DWORD Values = 0;
  EXPECT_EQ(SubKeys(L".hxtest2", Values), std::vector<std::wstring>{});
  DeleteKey(L".hxtest2");
}

// A key whose rights allow reading only: opening it with all access fails.
TEST(WindowsRegistry, AReadOnlyKeyIsFailedToSetData) {
  const std::wstring Key = L".hxtest3";
  DeleteKey(Key);
  HKEY Handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Handle, nullptr),
            ERROR_SUCCESS);
  // Everyone may read; nobody may write or change the rights back.
  SECURITY_DESCRIPTOR Descriptor;
  InitializeSecurityDescriptor(&Descriptor, SECURITY_DESCRIPTOR_REVISION);
  BYTE AclBuffer[256];
  PACL Acl = reinterpret_cast<PACL>(AclBuffer);
  InitializeAcl(Acl, sizeof AclBuffer, ACL_REVISION);
  SID_IDENTIFIER_AUTHORITY World = SECURITY_WORLD_SID_AUTHORITY;
  PSID Everyone = nullptr;
  AllocateAndInitializeSid(&World, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &Everyone);
  AddAccessAllowedAce(Acl, ACL_REVISION, KEY_READ, Everyone);
  SetSecurityDescriptorDacl(&Descriptor, TRUE, Acl, FALSE);
  const LONG Set = RegSetKeySecurity(Handle, DACL_SECURITY_INFORMATION, &Descriptor);
  RegCloseKey(Handle);
  FreeSid(Everyone);
  ASSERT_EQ(Set, ERROR_SUCCESS);

  HKEY Probe = nullptr;
  const LONG Opened = RegOpenKeyExW(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_ALL_ACCESS, &Probe);
  if (Opened == ERROR_SUCCESS) {
    RegCloseKey(Probe);
    DeleteKey(Key);
    GTEST_SKIP() << "this registry does not enforce key rights";
  }
  EXPECT_EQ(FailureText(".hxtest4", std::string(Key.begin(), Key.end())), "Failed to set data for ''");
  DeleteKey(L".hxtest4");
  DeleteKey(Key);
}

}  // namespace
