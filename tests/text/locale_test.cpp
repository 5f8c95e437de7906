// The number rules do not depend on the C locale: under a German locale,
// whose decimal separator is a comma, they give the same texts and numbers as
// under "C".
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>
#include <vector>

namespace quorvane {
namespace {

struct Results {
  std::vector<std::string> numberTexts;
  std::vector<std::string> singleTexts;
  std::vector<std::uint64_t> numbers;
  bool operator==(const Results&) const = default;
};

Results computeAll() {
  const double doubles[] = {0.5, -1234.5, 1.0 / 3, 1e20, 0.00001, 12345678901234, 1.5e-7};
  const float singles[] = {0.5f, 37.5f, 1.0f / 3, 1e20f, 0.00001f, 1000005.0f};
  const char* texts[] = {"12.5", "1,5", "0,5", " -7.25e2", "\xA3\xB1\xA3\xAE\xA3\xB5", "2d3"};
  Results results;
  for (const double d : doubles) results.numberTexts.push_back(numberToText(d));
  for (const float f : singles) results.singleTexts.push_back(singleToText(f));
  for (const char* t : texts) {
    results.numbers.push_back(std::bit_cast<std::uint64_t>(textToNumber(t)));
  }
  return results;
}

class GermanLocale : public testing::Test {
 protected:
  void TearDown() override {
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
  }
};

TEST_F(GermanLocale, SameTextsAndNumbersAsUnderC) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  const Results underC = computeAll();
  EXPECT_EQ(underC.numberTexts[0], "0.5");
  EXPECT_EQ(underC.singleTexts[1], "37.5");

#ifdef _WIN32
  // Windows names its locales differently, and its std::locale knows only "C".
  ASSERT_NE(std::setlocale(LC_ALL, "German_Germany.1252"), nullptr);
#else
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE")) {
      GTEST_SKIP() << "The de_DE.UTF-8 locale is missing and cannot be generated here (no "
                      "locale definitions: install the Debian package locales).";
    }
    FAIL() << "The de_DE.UTF-8 locale is missing. Generate it with scripts/setup.sh (as root), "
              "or: localedef -i de_DE -c -f UTF-8 de_DE.UTF-8";
  }
  std::locale::global(std::locale("de_DE.UTF-8"));
#endif

  // The C library now writes and reads a decimal comma: the locale is in effect.
  char printed[16];
  std::snprintf(printed, sizeof printed, "%.1f", 0.5);
  ASSERT_STREQ(printed, "0,5");
  ASSERT_EQ(std::strtod("0,5", nullptr), 0.5);

  EXPECT_EQ(computeAll(), underC);
}

}  // namespace
}  // namespace quorvane
