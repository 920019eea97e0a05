#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "ZAVUIBase.h"

namespace {

// The program loads the library from its own folder at start and hands the handle to the
// language manager; the handle stays for the life of the process.
TEST(ZAVLChsTest, LoadsFromTheProgramsFolderAndNamesItsLanguages) {
  void* module = ::dlopen(ZAVLCHS_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  language_init(module);
  EXPECT_EQ(GetLanguageMangr()->m_hResourceModule, module);

  using Languages = const char* (*)();
  using Code = const char* (*)(int);
  auto languages = reinterpret_cast<Languages>(::dlsym(module, "ZAVLChsLanguages"));
  auto code = reinterpret_cast<Code>(::dlsym(module, "ZAVLChsLanguageCode"));
  ASSERT_NE(languages, nullptr);
  ASSERT_NE(code, nullptr);
  EXPECT_STREQ(languages(), "CHS;ENG");
  EXPECT_STREQ(code(1), "CHS");
  EXPECT_STREQ(code(2), "ENG");
  EXPECT_EQ(code(0), nullptr);
  EXPECT_EQ(code(7), nullptr);
}

TEST(ZAVLChsTest, AMissingLibraryIsNoError) {
  void* module = ::dlopen("/nonexistent/libZAVLChs.so", RTLD_NOW | RTLD_LOCAL);
  EXPECT_EQ(module, nullptr);
  language_init(module);
  EXPECT_EQ(GetLanguageMangr()->m_hResourceModule, nullptr);
  EXPECT_EQ(language_loadstringa("IDS_OK"), L"IDS_OK");
}

}  // namespace
