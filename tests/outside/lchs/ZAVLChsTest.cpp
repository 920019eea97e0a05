#include <dlfcn.h>
#include <gtest/gtest.h>

#include "ZAVUIBase.h"

namespace {

// The program loads the library from its own folder at start and hands the handle to the
// language manager, which keeps it for the life of the process.
TEST(ZAVLChsTest, LoadsAndNamesItsLanguages) {
  void* module = ::dlopen(ZAVLCHS_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  language_init(module);
  EXPECT_EQ(GetLanguageMangr()->m_hResourceModule, module);

  auto languages = reinterpret_cast<const char* (*)()>(::dlsym(module, "ZAVLChsLanguages"));
  auto code = reinterpret_cast<const char* (*)(int)>(::dlsym(module, "ZAVLChsLanguageCode"));
  ASSERT_NE(languages, nullptr);
  ASSERT_NE(code, nullptr);
  EXPECT_STREQ(languages(), "CHS;ENG");
  EXPECT_STREQ(code(1), "CHS");
  EXPECT_STREQ(code(2), "ENG");
  EXPECT_EQ(code(0), nullptr);
  EXPECT_EQ(code(7), nullptr);
}

}  // namespace
